#include "ui/desktop/desktop_browser.hpp"

#include <QJsonArray>
#include <QJsonObject>
#include <QUrl>
#include <QWebEngineLoadingInfo>
#include <QWebEngineView>
#include <cctype>
#include <cmath>
#include <utility>

#include "platform/event_loop.hpp"
#include "platform/file_system.hpp"
#include "ui/desktop/mirror_element.hpp"
#include "ui/desktop/page_bridge.hpp"
#include "ui/desktop/page_mirror.hpp"
#include "ui/desktop/web_view_holder.hpp"

namespace zov::ui::desktop {
namespace {

// Reports of a page that has not been handed over yet: a page that floods us before then
// loses the oldest, and is handed over again when that shows.
constexpr std::size_t kMostEarlyMessages = 1000;

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
    bridge_ = new PageBridge(*view->page(), [this](const QJsonObject& message) {
        post([this, message] { onPageMessage(message); });
    });
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

void DesktopBrowser::post(std::function<void()> work) {
    loop_.post(weak_.bind([work = std::move(work)](DesktopBrowser&) { work(); }));
}

QUrl DesktopBrowser::urlFor(const std::string& address) const {
    const QUrl url(QString::fromStdString(address));
    if (!isWindowsPath(address) && !url.scheme().isEmpty()) return url;
    const std::string host = files_.hostPath(address);
    return host.empty() ? url : QUrl::fromLocalFile(QString::fromStdString(host));
}

void DesktopBrowser::Navigate(const std::string& url) {
    const std::uint64_t generation = ++generation_;
    const auto alive = weak_.validity();
    BeforeNavigate2(url, FrameLevel::TopLevel);
    // The handler may have navigated elsewhere or released the browser.
    if (!alive() || generation != generation_) return;
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
// under way starts nothing new, and only the page that ends up shown finishes. A finished
// page is then handed over by its bridge; until the mirror is there the browser stays busy.
void DesktopBrowser::onLoading(const QWebEngineLoadingInfo& info) {
    switch (info.status()) {
        case QWebEngineLoadingInfo::LoadStartedStatus:
            busy_ = true;
            early_.clear();
            return;
        case QWebEngineLoadingInfo::LoadStoppedStatus:
            busy_ = false;  // given up, or turned into something that is not a page
            return;
        case QWebEngineLoadingInfo::LoadSucceededStatus:
        case QWebEngineLoadingInfo::LoadFailedStatus:
            break;
    }
    const std::string shown = info.url().toString().toStdString();
    const std::string location = shown == askedUrl_ ? askedAddress_ : shown;
    if (!bridge_) return;
    bridge_->handOver(weak_.bind([generation = generation_, location](DesktopBrowser& browser,
                                                                      const QJsonObject& page) {
        browser.loop_.post(browser.weak_.bind([generation, location, page](DesktopBrowser& self) {
            if (generation != self.generation_) return;
            self.location_ = location;
            self.showPage(page);
        }));
    }));
}

void DesktopBrowser::showPage(const QJsonObject& handOver) {
    QPointer<PageBridge> bridge = bridge_;
    auto mirror = PageMirror::fromHandOver(
        handOver, [bridge](const std::string& token, std::uint64_t write, const QJsonArray& op) {
            if (bridge) bridge->apply(token, write, op);
        });
    const auto early = std::exchange(early_, {});
    document_ = mirror;
    for (const QJsonObject& message : early)
        onPageMessage(message);
    busy_ = false;
    notify("location", location_);

    // Each handler may navigate again or release the browser: stop announcing this page.
    const auto alive = weak_.validity();
    const auto generation = generation_;
    const auto stale = [&] { return !alive() || generation != generation_; };
    for (const std::string& frame : mirror->frames()) {
        BeforeNavigate2(frame, FrameLevel::Frame);
        if (stale()) return;
        DocumentComplete(frame, FrameLevel::Frame);
        if (stale()) return;
    }
    DocumentComplete(location_, FrameLevel::TopLevel);
}

void DesktopBrowser::onPageMessage(const QJsonObject& message) {
    const std::string token = message.value("token").toString().toStdString();
    if (!document_ || token != document_->token()) {
        // Of the page on its way, or of one gone.
        if (busy_) early_.push_back(message);
        if (early_.size() > kMostEarlyMessages) early_.erase(early_.begin());
        return;
    }
    auto page = document_;
    if (page->applyMessage(message) || !bridge_) return;
    // The report missed something: the page describes itself again.
    std::weak_ptr<PageMirror> weak = page;
    bridge_->handOver(weak_.bind([weak](DesktopBrowser& self, const QJsonObject& again) {
        self.post([weak, again] {
            if (auto page = weak.lock()) page->applyHandOver(again);
        });
    }));
}

void DesktopBrowser::screenRect(const Element* element, std::function<void(ScreenRect)> done) {
    const auto* mirrored = dynamic_cast<const MirrorElement*>(element);
    QWebEngineView* view = this->view();
    if (!mirrored || !document_ || document_->find(mirrored->number()) != mirrored || !view ||
        !bridge_) {
        post([done] { done(std::nullopt); });
        return;
    }
    QPointer<QWebEngineView> guardedView = view;
    bridge_->rect(mirrored->number(),
                  weak_.bind([guardedView, done](DesktopBrowser& self, const QJsonArray& box) {
                      ScreenRect answer;
                      if (box.size() == 4 && guardedView) {
                          const double zoom = guardedView->zoomFactor();
                          const auto pixels = [&](int i) {
                              return static_cast<int>(std::lround(box.at(i).toDouble() * zoom));
                          };
                          const QPoint topLeft =
                              guardedView->mapToGlobal(QPoint(pixels(0), pixels(1)));
                          answer = std::vector<int>{topLeft.x(), topLeft.y(), pixels(2), pixels(3)};
                      }
                      self.post([done, answer] { done(answer); });
                  }));
}

std::shared_ptr<DesktopBrowser> makeBrowser(QWidget* parent, ControlName name,
                                            platform::EventLoop& loop,
                                            const platform::FileSystem& files) {
    return std::make_shared<DesktopBrowser>(parent, std::move(name), loop, files);
}

}  // namespace zov::ui::desktop
