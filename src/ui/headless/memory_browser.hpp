#pragma once
// A browser without a screen. Navigate raises BeforeNavigate2 at once and loads the page
// from its page sources on a later turn of the event loop: the frames inside the page
// complete first (each announced as a frame), then the page itself. A new navigation
// cancels a load still under way. An address nothing serves shows an empty page.
//
// A browser made without an event loop only shows documents given to it directly
// (showNewDocument), for tests of code that reads a page.

#include <memory>
#include <string>

#include "platform/weak_factory.hpp"
#include "ui/browser.hpp"
#include "ui/headless/memory_document.hpp"
#include "ui/named_control.hpp"

namespace zov::platform {
class EventLoop;
}

namespace zov::ui::headless {

class PageSources;

class MemoryBrowser final : public NamedControl<ui::Browser> {
  public:
    MemoryBrowser();
    // Neither the loop nor the sources are owned; both outlive the browser.
    MemoryBrowser(ControlName name, platform::EventLoop& loop, const PageSources& pages);
    ~MemoryBrowser() override;
    MemoryBrowser(const MemoryBrowser&) = delete;
    MemoryBrowser& operator=(const MemoryBrowser&) = delete;

    // Raises std::logic_error on a browser without an event loop.
    void Navigate(const std::string& url) override;
    // Loads the current address again; DocumentComplete follows, BeforeNavigate2 does not.
    void Refresh() override;
    std::string LocationURL() const override { return location_; }
    ui::Document* document() override;

    MemoryDocument* memoryDocument() { return document_.get(); }
    bool busy() const override { return busy_; }
    // Pages loaded so far (navigations and reloads that completed).
    int loadCount() const { return loadCount_; }
    // Replaces the shown document with an empty one and returns it to be filled.
    MemoryDocument& showNewDocument();
    // Leaves the browser with no document.
    void closeDocument();

  private:
    void startLoad(const std::string& url);
    void completeLoad(const std::string& url, std::shared_ptr<MemoryDocument> page);

    platform::EventLoop* loop_ = nullptr;
    const PageSources* pages_ = nullptr;
    std::shared_ptr<MemoryDocument> document_;
    std::string location_;
    bool busy_ = false;
    int loadCount_ = 0;
    // Invalidated by each new load: a load under way, or its announcing, stops.
    platform::WeakFactory<MemoryBrowser> weak_{this};  // last
};

}  // namespace zov::ui::headless
