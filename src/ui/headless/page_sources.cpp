#include "ui/headless/page_sources.hpp"

#include <string_view>

#include "platform/file_system.hpp"
#include "ui/headless/memory_document.hpp"

namespace zov::ui::headless {

void PageSources::add(const std::string& url, std::string html) {
    pages_[url] = std::move(html);
}

void PageSources::add(const std::string& url, Builder builder) {
    pages_[url] = std::move(builder);
}

void PageSources::remove(const std::string& url) {
    pages_.erase(url);
}

bool PageSources::fetches(const std::string& url) const {
    if (!fetcher_ || pages_.count(url) > 0) return false;
    return url.starts_with("http://") || url.starts_with("https://");
}

std::shared_ptr<MemoryDocument> PageSources::load(const std::string& url) const {
    if (url == "about:blank") return std::make_shared<MemoryDocument>();

    if (auto it = pages_.find(url); it != pages_.end()) {
        if (const auto* html = std::get_if<std::string>(&it->second))
            return MemoryDocument::fromHtml(*html);
        auto document = std::make_shared<MemoryDocument>();
        const Builder& build = std::get<Builder>(it->second);
        if (build) build(*document);
        return document;
    }

    if (!files_) return nullptr;
    std::string_view path = url;
    constexpr std::string_view kFileScheme = "file:///";
    if (path.substr(0, kFileScheme.size()) == kFileScheme)
        path.remove_prefix(kFileScheme.size());
    else if (path.find("://") != std::string_view::npos)
        return nullptr;  // another scheme: never a local file
    const auto markup = files_->readFile(path);
    return markup ? MemoryDocument::fromHtml(*markup) : nullptr;
}

}  // namespace zov::ui::headless
