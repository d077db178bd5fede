#pragma once
// HTTP GETs off the event loop: one worker thread takes requests in order and the answers
// come back on the loop's thread through post, so a slow or silent web server never holds
// up downloads, timers or the remote-control channel. For pages a browser shows; the
// version check keeps its own synchronous call.

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "platform/http_client.hpp"
#include "platform/weak_factory.hpp"

namespace zov::platform {

class EventLoop;

class HttpWorker {
  public:
    // The response, or nullopt with the failure's text.
    using Done = std::function<void(std::optional<HttpResponse> response, std::string failure)>;

    // Neither is owned; both outlive the worker. The client is used only on the worker's
    // thread.
    HttpWorker(EventLoop& loop, HttpClient& http, HttpLimits limits);
    // Waits for the request under way (bounded by the limits); queued ones are dropped.
    ~HttpWorker();
    HttpWorker(const HttpWorker&) = delete;
    HttpWorker& operator=(const HttpWorker&) = delete;

    void get(std::string url, Done done);

  private:
    struct Request {
        std::string url;
        Done done;
    };
    void work();

    EventLoop& loop_;
    HttpClient& http_;
    const HttpLimits limits_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Request> queue_;
    bool stopping_ = false;
    std::thread thread_;
    // Gone with the worker, so an answer posted late finds nobody to tell.
    WeakFactory<HttpWorker> weak_{this};  // last
};

}  // namespace zov::platform
