#include "platform/memory_window_messages.hpp"

#include "platform/event_loop.hpp"

namespace zov::platform {

MemoryWindowMessages::MemoryWindowMessages(EventLoop& loop) : loop_(loop) {}

bool MemoryWindowMessages::post(MessageTarget target, std::uint32_t message, std::int64_t wParam,
                                std::int64_t lParam) {
    const WindowMessage record{message, wParam, lParam};
    posted_.push_back({target, record});
    auto found = endpoints_.find(target);
    if (found == endpoints_.end()) return false;
    std::weak_ptr<Endpoint> receiving = found->second;
    loop_.post([receiving, record] {
        auto endpoint = receiving.lock();
        if (!endpoint) return;               // unlistened meanwhile: the record is dropped
        auto receiver = endpoint->receiver;  // survives a listen from inside the call
        (*receiver)(record);
    });
    return true;
}

void MemoryWindowMessages::listen(MessageTarget target, Receiver receiver) {
    auto& endpoint = endpoints_[target];
    if (!endpoint) endpoint = std::make_shared<Endpoint>();
    endpoint->receiver = std::make_shared<Receiver>(std::move(receiver));
}

void MemoryWindowMessages::unlisten(MessageTarget target) {
    endpoints_.erase(target);
}

}  // namespace zov::platform
