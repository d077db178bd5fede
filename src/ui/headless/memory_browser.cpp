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
    weak_.invalidate();  // a load under way is abandoned
    const auto current = weak_.validity();
    BeforeNavigate2(url, FrameLevel::TopLevel);
    // The handler may have navigated elsewhere or released the browser.
    if (!current()) return;
    startLoad(url);
}

void MemoryBrowser::Refresh() {
    if (!loop_) throw std::logic_error("MemoryBrowser: no event loop to load pages on");
    if (location_.empty()) return;
    weak_.invalidate();
    startLoad(location_);
}

void MemoryBrowser::startLoad(const std::string& url) {
    busy_ = true;
    loop_->post(weak_.bind([url](MemoryBrowser& self) {
        if (!self.pages_->fetches(url)) return self.completeLoad(url, self.pages_->load(url));
        // A web page: busy until it arrives; a newer load cancels it.
        self.pages_->fetch(
            url, self.weak_.bind([url](MemoryBrowser& self, std::optional<std::string> html) {
                self.completeLoad(url, html ? MemoryDocument::fromHtml(*html) : nullptr);
            }));
    }));
}

void MemoryBrowser::completeLoad(const std::string& url, std::shared_ptr<MemoryDocument> page) {
    document_ = page ? std::move(page) : std::make_shared<MemoryDocument>();
    location_ = url;
    busy_ = false;
    ++loadCount_;
    notify("location", url);

    // Each handler may navigate again or release the browser: stop announcing this load.
    const auto current = weak_.validity();
    for (const std::string& frame : document_->frames()) {
        BeforeNavigate2(frame, FrameLevel::Frame);
        if (!current()) return;
        DocumentComplete(frame, FrameLevel::Frame);
        if (!current()) return;
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
