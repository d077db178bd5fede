#pragma once
// Where the headless browser gets its pages: addresses registered with their markup or
// with a function that builds the page, and, when a file system is given, local files
// named by their path. "about:blank" is always the empty page. Web pages (http, https)
// not registered are fetched only when a fetcher is given.

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <variant>

namespace zov::platform {
class FileSystem;
}

namespace zov::ui::headless {

class MemoryDocument;

class PageSources {
  public:
    // Fills a fresh, empty page; called on every load, so the page may change over time.
    using Builder = std::function<void(MemoryDocument&)>;

    void add(const std::string& url, std::string html);
    void add(const std::string& url, Builder builder);
    void remove(const std::string& url);
    // Local pages ("c:\zov\playlistSkin.html", "file:///c:/zov/page.html") are read through
    // it when no page is registered for the address. Not owned; nullptr turns this off.
    void setFileSystem(const platform::FileSystem* files) { files_ = files; }

    // Fetches a web page away from the loop and calls `done` on the loop's thread with its
    // markup, or nullopt when there is none to show.
    using Done = std::function<void(std::optional<std::string> html)>;
    using Fetcher = std::function<void(const std::string& url, Done done)>;
    void setFetcher(Fetcher fetcher) { fetcher_ = std::move(fetcher); }
    // Whether the address is a web page to fetch rather than one to load at once.
    bool fetches(const std::string& url) const;
    void fetch(const std::string& url, Done done) const { fetcher_(url, std::move(done)); }

    // A new document for the address, or nullptr when nothing serves it.
    std::shared_ptr<MemoryDocument> load(const std::string& url) const;

  private:
    std::map<std::string, std::variant<std::string, Builder>> pages_;
    const platform::FileSystem* files_ = nullptr;
    Fetcher fetcher_;
};

}  // namespace zov::ui::headless
