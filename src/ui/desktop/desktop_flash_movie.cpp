#include "ui/desktop/desktop_flash_movie.hpp"

#include <QString>
#include <QUrl>
#include <QWebEngineView>
#include <algorithm>
#include <utility>
#include <vector>

#include "platform/event_loop.hpp"
#include "platform/file_system.hpp"
#include "ui/desktop/web_bridge.hpp"
#include "ui/desktop/web_view_holder.hpp"

namespace zov::ui::desktop {
namespace {

// Our pages stand in for the movies: "mainplayer.swf" is shown as "mainplayer.html".
QUrl pageFor(const std::string& hostPath) {
    if (hostPath.empty()) return QUrl(QStringLiteral("about:blank"));
    QString page = QString::fromStdString(hostPath);
    if (page.endsWith(QStringLiteral(".swf"), Qt::CaseInsensitive))
        page = page.left(page.size() - 4) + QStringLiteral(".html");
    return QUrl::fromLocalFile(page);
}

}  // namespace

DesktopFlashMovie::DesktopFlashMovie(QWidget* parent, ControlName name, platform::EventLoop& loop,
                                     const platform::FileSystem& files)
    : NamedControl(std::move(name)),
      loop_(loop),
      files_(files),
      view_(std::make_unique<WebViewHolder>(parent)) {
    QWebEngineView* view = view_->view();
    // A movie has no browser menu (reload, back, "view source" would only break the page),
    // and a file dropped on it must not replace the page.
    view->setContextMenuPolicy(Qt::NoContextMenu);
    view->setAcceptDrops(false);
    bridge_ = new WebBridge(
        *view->page(),
        WebBridge::Handlers{
            [this](const QString& command, const QString& args) { onCommand(command, args); },
            [this](const QString& name, const QString& value, qint64 appliedWrite) {
                onVariable(name, value, appliedWrite);
            },
            [this] { onReady(); }});
    QObject::connect(view, &QWebEngineView::loadStarted, view, [this] { onLoadStarted(); });
}

DesktopFlashMovie::~DesktopFlashMovie() {
    view_.reset();  // the page and its bridge go first: nothing calls back into us after
}

QWebEngineView* DesktopFlashMovie::view() const {
    return view_->view();
}

void DesktopFlashMovie::setVisible(bool visible) {
    NamedControl::setVisible(visible);
    view_->setVisible(visible);
}

void DesktopFlashMovie::setRect(const Rect& rect) {
    NamedControl::setRect(rect);
    view_->setRect(rect);
}

void DesktopFlashMovie::LoadMovie(const std::string& path) {
    // A new movie starts with its own variables.
    movie_ = path;
    mirror_.clear();
    lastWrite_.clear();
    waiting_.clear();
    ready_ = false;
    notify("movie", path);
    if (QWebEngineView* view = this->view()) view->load(pageFor(files_.hostPath(path)));
}

void DesktopFlashMovie::SetVariable(const std::string& name, const std::string& value) {
    write(name, value);
    notify("variable " + name, value);
}

std::string DesktopFlashMovie::GetVariable(const std::string& name) const {
    auto it = mirror_.find(name);
    return it == mirror_.end() ? std::string() : it->second;
}

void DesktopFlashMovie::typeVariable(const std::string& name, const std::string& value) {
    write(name, value);
}

void DesktopFlashMovie::write(const std::string& name, const std::string& value) {
    mirror_[name] = value;
    const Write latest{value, nextWrite_++};
    lastWrite_[name] = latest.number;
    if (ready_ && view())
        send(name, latest);
    else
        waiting_[name] = latest;
}

void DesktopFlashMovie::send(const std::string& name, const Write& write) {
    bridge_->write(QString::fromStdString(name), QString::fromStdString(write.value), write.number);
}

void DesktopFlashMovie::onCommand(const QString& command, const QString& args) {
    loop_.post(weak_.bind([command = command.toStdString(), args = args.toStdString()](
                              DesktopFlashMovie& self) { self.FSCommand(command, args); }));
}

void DesktopFlashMovie::onVariable(const QString& name, const QString& value,
                                   std::int64_t appliedWrite) {
    const std::string key = name.toStdString();
    // The page had not yet been given our latest write of it: the mirror already holds it.
    if (auto it = lastWrite_.find(key); it != lastWrite_.end() && appliedWrite < it->second) return;
    mirror_[key] = value.toStdString();
}

void DesktopFlashMovie::onReady() {
    ready_ = true;
    std::vector<std::pair<std::string, Write>> inOrder(waiting_.begin(), waiting_.end());
    waiting_.clear();
    std::sort(inOrder.begin(), inOrder.end(),
              [](const auto& a, const auto& b) { return a.second.number < b.second.number; });
    for (const auto& [name, write] : inOrder)
        send(name, write);
}

void DesktopFlashMovie::onLoadStarted() {
    // The page starts afresh: what it was sent before is gone, and what waits is still to
    // come, so only the waiting writes make its first reports stale.
    ready_ = false;
    std::erase_if(lastWrite_,
                  [this](const auto& entry) { return !waiting_.contains(entry.first); });
}

std::shared_ptr<DesktopFlashMovie> makeFlashMovie(QWidget* parent, ControlName name,
                                                  platform::EventLoop& loop,
                                                  const platform::FileSystem& files) {
    return std::make_shared<DesktopFlashMovie>(parent, std::move(name), loop, files);
}

}  // namespace zov::ui::desktop
