#include "platform/http_worker.hpp"

#include <utility>

#include "platform/error.hpp"
#include "platform/event_loop.hpp"

namespace zov::platform {

HttpWorker::HttpWorker(EventLoop& loop, HttpClient& http, HttpLimits limits)
    : loop_(loop), http_(http), limits_(limits), thread_([this] { work(); }) {}

HttpWorker::~HttpWorker() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        queue_.clear();
    }
    wake_.notify_one();
    thread_.join();
}

void HttpWorker::get(std::string url, Done done) {
    {
        std::lock_guard lock(mutex_);
        queue_.push_back({std::move(url), std::move(done)});
    }
    wake_.notify_one();
}

void HttpWorker::work() {
    for (;;) {
        Request request;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
            if (stopping_) return;
            request = std::move(queue_.front());
            queue_.pop_front();
        }
        std::optional<HttpResponse> response;
        std::string failure;
        try {
            response = http_.get(request.url, limits_);
        } catch (const Error& error) {
            failure = error.description();
        } catch (const std::exception& error) {
            failure = error.what();
        }
        // Bound here, checked on the loop's thread, where the worker is also destroyed (after
        // this thread has ended).
        loop_.post(
            weak_.bind([done = std::move(request.done), response = std::move(response),
                        failure = std::move(failure)](HttpWorker&) { done(response, failure); }));
    }
}

}  // namespace zov::platform
