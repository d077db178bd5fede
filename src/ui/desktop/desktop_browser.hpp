#pragma once
// The browser control on the desktop, a web view on the control's window; today it serves
// the banner. It navigates, reloads, tells its address and whether a load is under way, and
// raises the navigation events of the page itself, on the system's loop (a handler may run
// a nested loop, which must not happen inside Qt's own call stack). A Windows-form path is
// shown as the local file it names.
//
// Not there yet: the document shows no elements (document() is an empty document once a
// page has loaded); frames inside a page raise no events; navigations the page starts on
// its own (a link, a script) raise no BeforeNavigate2, though their completion is
// reported. A load that fails still completes, showing the engine's error page.

#include <cstdint>
#include <memory>
#include <string>

#include "ui/browser.hpp"
#include "ui/named_control.hpp"

class QUrl;
class QWebEngineLoadingInfo;
class QWebEngineView;
class QWidget;

namespace zov::platform {
class EventLoop;
class FileSystem;
}  // namespace zov::platform

namespace zov::ui::desktop {

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

  private:
    QUrl urlFor(const std::string& address) const;
    void startLoad(const QUrl& url);
    void onLoading(const QWebEngineLoadingInfo& info);

    platform::EventLoop& loop_;
    const platform::FileSystem& files_;
    std::unique_ptr<WebViewHolder> view_;
    std::unique_ptr<Document> document_;
    std::string location_;
    // The address as the system gave it, so LocationURL answers in the same form.
    std::string askedAddress_;
    std::string askedUrl_;
    std::uint64_t generation_ = 0;
    bool busy_ = false;
    // Posted events hold it weakly: they never reach a browser that is gone.
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

// The browser control the desktop front end puts on a window.
std::shared_ptr<DesktopBrowser> makeBrowser(QWidget* parent, ControlName name,
                                            platform::EventLoop& loop,
                                            const platform::FileSystem& files);

}  // namespace zov::ui::desktop
