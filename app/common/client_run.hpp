#pragma once
// What both programs of the client do once their loop and front end exist (the headless
// client in zov, the desktop one in zov-desktop): the platform's real adapters, the client
// itself, its remote-control channel, and the loop until the client ends. And the one way
// the in-memory browser gets web pages: fetched off the loop.

#include <cstdint>
#include <memory>
#include <string>

namespace zov::platform {
class EventLoop;
class FileSystem;
class CurlHttpClient;
class HttpWorker;
}  // namespace zov::platform
namespace zov::ui {
class UiFactory;
}
namespace zov::ui::headless {
class PageSources;
}

namespace zov {

struct ClientRunOptions {
    std::string clientDir;
    std::string programFiles;   // the program's own files (see client_folders.hpp)
    std::string remote;         // "stdio", "unix:PATH" or "" for no channel
    std::string versionServer;  // "" for the standard one
    std::int32_t authPort = 0;  // 0 for the standard one
    std::string frontEnd;       // as get_state names it
    std::string program;        // what messages on standard error begin with
};

// Never returns once the client ends (the process ends at once); returns 2 when the channel
// cannot be opened and 1 when the client cannot start, having said why.
int runClient(platform::EventLoop& loop, platform::FileSystem& files, ui::UiFactory& ui,
              const ClientRunOptions& options);

// Web pages (the guide's, the banner's) reach the in-memory browser through this: fetched by
// libcurl on a worker thread, handed back on the loop.
class WebPageFetcher {
  public:
    WebPageFetcher(platform::EventLoop& loop, ui::headless::PageSources& pages);
    ~WebPageFetcher();
    WebPageFetcher(const WebPageFetcher&) = delete;
    WebPageFetcher& operator=(const WebPageFetcher&) = delete;

  private:
    std::unique_ptr<platform::CurlHttpClient> http_;
    std::unique_ptr<platform::HttpWorker> worker_;
};

}  // namespace zov
