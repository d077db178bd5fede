#pragma once
// An event of an object: one handler, set by the owner that declared the object. Raising
// an event without a handler does nothing. The handler may replace or clear itself while
// it runs; the running call finishes on the handler it started with.

#include <functional>
#include <memory>
#include <utility>

namespace zov {

template <class... Args>
class Event {
  public:
    using Handler = std::function<void(Args...)>;

    void connect(Handler handler) {
        handler_ = handler ? std::make_shared<Handler>(std::move(handler)) : nullptr;
    }
    void disconnect() { handler_.reset(); }
    bool connected() const { return handler_ != nullptr; }

    template <class... CallArgs>
    void operator()(CallArgs&&... args) const {
        if (!handler_) return;
        auto keep = handler_;
        (*keep)(std::forward<CallArgs>(args)...);
    }

  private:
    std::shared_ptr<Handler> handler_;
};

}  // namespace zov
