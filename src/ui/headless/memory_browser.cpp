#include "ui/headless/memory_browser.hpp"

#include <stdexcept>

#include "platform/event_loop.hpp"
#include "ui/headless/memory_document.hpp"
#include "ui/headless/page_sources.hpp"

namespace zov::ui::headless {

MemoryBrowser::MemoryBrowser() : NamedControl(ControlName{}) {}

MemoryBrowser::MemoryBrowser(ControlName name, platform::EventLoop& loop, const PageSources& pages)
    : NamedControl(std::move(name)), loop_(&loop), pages_(&pages) {}

MemoryBrowser::~MemoryBrowser() = default;

ui::Document* MemoryBrowser::document() {
    return document_.get();
}

void MemoryBrowser::Navigate(const std::string& url) {
    if (!loop_) throw std::logic_error("MemoryBrowser: no event loop to load pages on");
    const unsigned long generation = ++generation_;
    std::weak_ptr<int> alive = alive_;
    BeforeNavigate2(url, FrameLevel::TopLevel);
    // The handler may have navigated elsewhere or released the browser.
    if (alive.expired() || generation != generation_) return;
    startLoad(url);
}

void MemoryBrowser::Refresh() {
    if (!loop_) throw std::logic_error("MemoryBrowser: no event loop to load pages on");
    if (location_.empty()) return;
    ++generation_;
    startLoad(location_);
}

void MemoryBrowser::startLoad(const std::string& url) {
    busy_ = true;
    const unsigned long generation = generation_;
    std::weak_ptr<int> alive = alive_;
    loop_->post([this, alive, url, generation] {
        if (alive.expired() || generation != generation_) return;
        if (!pages_->fetches(url)) return completeLoad(url, generation, pages_->load(url));
        // A web page: busy until it arrives; a newer load makes it stale.
        pages_->fetch(url, [this, alive, url, generation](std::optional<std::string> html) {
            if (alive.expired() || generation != generation_) return;
            completeLoad(url, generation, html ? MemoryDocument::fromHtml(*html) : nullptr);
        });
    });
}

void MemoryBrowser::completeLoad(const std::string& url, unsigned long generation,
                                 std::shared_ptr<MemoryDocument> page) {
    document_ = page ? std::move(page) : std::make_shared<MemoryDocument>();
    location_ = url;
    busy_ = false;
    ++loadCount_;
    notify("location", url);

    // Each handler may navigate again or release the browser: stop announcing this load.
    std::weak_ptr<int> alive = alive_;
    const auto stale = [&] { return alive.expired() || generation != generation_; };
    for (const std::string& frame : document_->frames()) {
        BeforeNavigate2(frame, FrameLevel::Frame);
        if (stale()) return;
        DocumentComplete(frame, FrameLevel::Frame);
        if (stale()) return;
    }
    DocumentComplete(url, FrameLevel::TopLevel);
}

MemoryDocument& MemoryBrowser::showNewDocument() {
    document_ = std::make_shared<MemoryDocument>();
    return *document_;
}

void MemoryBrowser::closeDocument() {
    document_.reset();
}

}  // namespace zov::ui::headless
