#include "ui/desktop/desktop_browser.hpp"

#include <QUrl>
#include <QWebEngineLoadingInfo>
#include <QWebEngineView>
#include <cctype>
#include <utility>

#include "platform/event_loop.hpp"
#include "platform/file_system.hpp"
#include "ui/desktop/web_view_holder.hpp"

namespace zov::ui::desktop {
namespace {

// What the browser can show of a page so far: nothing.
class EmptyDocument final : public Document {
  public:
    Element* all(std::string_view) override { return nullptr; }
    Element* all(std::string_view, int) override { return nullptr; }
    Element* all(int) override { return nullptr; }
    int allLength() override { return 0; }
    std::vector<Element*> getElementsByName(std::string_view) override { return {}; }
    Element* getElementById(std::string_view) override { return nullptr; }
    Element* body() override { return nullptr; }
};

bool isWindowsPath(const std::string& address) {
    const auto separator = [](char c) { return c == '\\' || c == '/'; };
    if (address.size() >= 2 && std::isalpha(static_cast<unsigned char>(address[0])) &&
        address[1] == ':')
        return address.size() == 2 || separator(address[2]);
    return !address.empty() && separator(address[0]);
}

}  // namespace

DesktopBrowser::DesktopBrowser(QWidget* parent, ControlName name, platform::EventLoop& loop,
                               const platform::FileSystem& files)
    : NamedControl(std::move(name)),
      loop_(loop),
      files_(files),
      view_(std::make_unique<WebViewHolder>(parent)) {
    QWebEngineView* view = view_->view();
    QObject::connect(view->page(), &QWebEnginePage::loadingChanged, view,
                     [this](const QWebEngineLoadingInfo& info) { onLoading(info); });
}

DesktopBrowser::~DesktopBrowser() {
    view_.reset();  // the view goes first: nothing calls back into us after
}

QWebEngineView* DesktopBrowser::view() const {
    return view_->view();
}

void DesktopBrowser::setVisible(bool visible) {
    NamedControl::setVisible(visible);
    view_->setVisible(visible);
}

void DesktopBrowser::setRect(const Rect& rect) {
    NamedControl::setRect(rect);
    view_->setRect(rect);
}

Document* DesktopBrowser::document() {
    return document_.get();
}

QUrl DesktopBrowser::urlFor(const std::string& address) const {
    const QUrl url(QString::fromStdString(address));
    if (!isWindowsPath(address) && !url.scheme().isEmpty()) return url;
    const std::string host = files_.hostPath(address);
    return host.empty() ? url : QUrl::fromLocalFile(QString::fromStdString(host));
}

void DesktopBrowser::Navigate(const std::string& url) {
    const std::uint64_t generation = ++generation_;
    std::weak_ptr<int> alive = alive_;
    BeforeNavigate2(url, FrameLevel::TopLevel);
    // The handler may have navigated elsewhere or released the browser.
    if (alive.expired() || generation != generation_) return;
    const QUrl target = urlFor(url);
    askedAddress_ = url;
    askedUrl_ = target.toString().toStdString();
    startLoad(target);
}

void DesktopBrowser::Refresh() {
    if (location_.empty()) return;
    ++generation_;
    busy_ = true;
    if (QWebEngineView* view = this->view()) view->reload();
}

void DesktopBrowser::startLoad(const QUrl& url) {
    busy_ = true;
    if (QWebEngineView* view = this->view()) view->load(url);
}

// The engine reports the loading of the view as a whole: a navigation that replaces one still
// under way starts nothing new, and only the page that ends up shown finishes.
void DesktopBrowser::onLoading(const QWebEngineLoadingInfo& info) {
    switch (info.status()) {
        case QWebEngineLoadingInfo::LoadStartedStatus:
            busy_ = true;
            return;
        case QWebEngineLoadingInfo::LoadStoppedStatus:
            busy_ = false;  // given up, or turned into something that is not a page
            return;
        case QWebEngineLoadingInfo::LoadSucceededStatus:
        case QWebEngineLoadingInfo::LoadFailedStatus:
            break;
    }
    busy_ = false;
    const std::string shown = info.url().toString().toStdString();
    location_ = shown == askedUrl_ ? askedAddress_ : shown;
    if (!document_) document_ = std::make_unique<EmptyDocument>();
    notify("location", location_);

    std::weak_ptr<int> alive = alive_;
    loop_.post([this, alive, generation = generation_, url = location_] {
        if (alive.expired() || generation != generation_) return;
        DocumentComplete(url, FrameLevel::TopLevel);
    });
}

std::shared_ptr<DesktopBrowser> makeBrowser(QWidget* parent, ControlName name,
                                            platform::EventLoop& loop,
                                            const platform::FileSystem& files) {
    return std::make_shared<DesktopBrowser>(parent, std::move(name), loop, files);
}

}  // namespace zov::ui::desktop
