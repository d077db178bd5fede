#pragma once
// The skin and the login movie on the desktop: "X.swf" is shown as our page "X.html" from
// the same folder, in a web view on the control's window. The page sends commands, which
// are raised as FSCommand on the system's loop (a handler may show a modal question, which
// must not run inside Qt's own call stack), and reports every change of its variables. We
// keep a mirror of them, so GetVariable answers at once, and SetVariable changes the mirror
// at once and reaches the page without waiting for it: writes made while the page is not yet
// ready wait and follow in order when it is. A report that is older than a write we sent
// since is stale and leaves the mirror alone.

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "platform/weak_factory.hpp"
#include "ui/flash_movie.hpp"
#include "ui/named_control.hpp"

class QString;
class QWebEngineView;
class QWidget;

namespace zov::platform {
class EventLoop;
class FileSystem;
}  // namespace zov::platform

namespace zov::ui::desktop {

class WebBridge;
class WebViewHolder;

class DesktopFlashMovie final : public NamedControl<FlashMovie> {
  public:
    // The loop and the file system are not owned and outlive the movie.
    DesktopFlashMovie(QWidget* parent, ControlName name, platform::EventLoop& loop,
                      const platform::FileSystem& files);
    ~DesktopFlashMovie() override;
    DesktopFlashMovie(const DesktopFlashMovie&) = delete;
    DesktopFlashMovie& operator=(const DesktopFlashMovie&) = delete;

    void setVisible(bool visible) override;
    void setRect(const Rect& rect) override;

    // A Windows-form path; a name ending in ".swf" (any case) is shown as its ".html" page.
    void LoadMovie(const std::string& path) override;
    std::string movie() const override { return movie_; }
    void SetVariable(const std::string& name, const std::string& value) override;
    // "" for a variable the page has not reported and the client has not written.
    std::string GetVariable(const std::string& name) const override;
    // As if typed into the page's field: the page and the mirror change, nothing is reported.
    void typeVariable(const std::string& name, const std::string& value) override;

    // The view the page is shown in; nullptr once its window has deleted it.
    QWebEngineView* view() const;
    // Whether the page has said it is ready since it was last loaded.
    bool pageReady() const { return ready_; }

  private:
    struct Write {
        std::string value;
        std::int64_t number;
    };

    void write(const std::string& name, const std::string& value);
    void send(const std::string& name, const Write& write);
    void onCommand(const QString& command, const QString& args);
    void onVariable(const QString& name, const QString& value, std::int64_t appliedWrite);
    void onReady();
    void onLoadStarted();

    platform::EventLoop& loop_;
    const platform::FileSystem& files_;
    std::unique_ptr<WebViewHolder> view_;
    WebBridge* bridge_ = nullptr;  // the page's child
    std::string movie_;
    std::map<std::string, std::string> mirror_;
    // The latest write of each variable made since the page was loaded, and those still
    // waiting for the page to be ready.
    std::map<std::string, std::int64_t> lastWrite_;
    std::map<std::string, Write> waiting_;
    std::int64_t nextWrite_ = 1;
    bool ready_ = false;
    platform::WeakFactory<DesktopFlashMovie> weak_{this};  // last
};

// The movie control the desktop front end puts on a window.
std::shared_ptr<DesktopFlashMovie> makeFlashMovie(QWidget* parent, ControlName name,
                                                  platform::EventLoop& loop,
                                                  const platform::FileSystem& files);

}  // namespace zov::ui::desktop
