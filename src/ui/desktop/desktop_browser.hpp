#pragma once
// The browser control on the desktop, a web view on the control's window. It navigates,
// reloads, tells its address and whether a load is under way, and raises the navigation
// events on the system's loop (a handler may run a nested loop, which must not happen inside
// Qt's own call stack): once a page has loaded, each frame inside it completes (as a frame),
// then the page itself. A Windows-form path is shown as the local file it names.
//
// The document is a mirror of the page (PageMirror), handed over by the page's bridge when
// the page has loaded and kept in step with it; the browser stays busy until the mirror is
// in place. Navigations the page starts on its own (a link, a script) raise no
// BeforeNavigate2, though their completion is reported. A load that fails still completes,
// showing the engine's error page.

#include <QPointer>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/weak_factory.hpp"
#include "ui/browser.hpp"
#include "ui/named_control.hpp"

class QJsonObject;
class QUrl;
class QWebEngineLoadingInfo;
class QWebEngineView;
class QWidget;

namespace zov::platform {
class EventLoop;
class FileSystem;
}  // namespace zov::platform

namespace zov::ui::desktop {

class PageBridge;
class PageMirror;
class WebViewHolder;

class DesktopBrowser final : public NamedControl<Browser> {
  public:
    // The loop and the file system are not owned and outlive the browser.
    DesktopBrowser(QWidget* parent, ControlName name, platform::EventLoop& loop,
                   const platform::FileSystem& files);
    ~DesktopBrowser() override;
    DesktopBrowser(const DesktopBrowser&) = delete;
    DesktopBrowser& operator=(const DesktopBrowser&) = delete;

    void setVisible(bool visible) override;
    void setRect(const Rect& rect) override;

    // BeforeNavigate2 is raised at once; a newer navigation makes an older one's completion
    // go unannounced.
    void Navigate(const std::string& url) override;
    // DocumentComplete follows, BeforeNavigate2 does not. Nothing happens before a page.
    void Refresh() override;
    std::string LocationURL() const override { return location_; }
    Document* document() override;
    bool busy() const override { return busy_; }

    // The view the page is shown in; nullptr once its window has deleted it.
    QWebEngineView* view() const;

    // Where an element of the page shown is on the screen, in pixels (left, top, width,
    // height): asked of the page, answered on the loop; nothing when it is not on the page.
    using ScreenRect = std::optional<std::vector<int>>;
    void screenRect(const Element* element, std::function<void(ScreenRect)> done);

  private:
    QUrl urlFor(const std::string& address) const;
    void startLoad(const QUrl& url);
    void onLoading(const QWebEngineLoadingInfo& info);
    void showPage(const QJsonObject& handOver);
    void onPageMessage(const QJsonObject& message);
    // Runs on the loop, if the browser is still there.
    void post(std::function<void()> work);

    platform::EventLoop& loop_;
    const platform::FileSystem& files_;
    std::unique_ptr<WebViewHolder> view_;
    QPointer<PageBridge> bridge_;
    std::shared_ptr<PageMirror> document_;
    // What the page said before its hand-over reached us, in order.
    std::vector<QJsonObject> early_;
    std::string location_;
    // The address as the system gave it, so LocationURL answers in the same form.
    std::string askedAddress_;
    std::string askedUrl_;
    // Counts navigations: only the page of the latest one is shown. (Not a cancellation of
    // everything bound: an element's place asked meanwhile is still answered.)
    std::uint64_t generation_ = 0;
    bool busy_ = false;
    platform::WeakFactory<DesktopBrowser> weak_{this};  // last
};

// The browser control the desktop front end puts on a window.
std::shared_ptr<DesktopBrowser> makeBrowser(QWidget* parent, ControlName name,
                                            platform::EventLoop& loop,
                                            const platform::FileSystem& files);

}  // namespace zov::ui::desktop
