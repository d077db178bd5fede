#include "platform/memory_window_messages.hpp"

#include "platform/event_loop.hpp"

namespace zov::platform {

MemoryWindowMessages::MemoryWindowMessages(EventLoop& loop) : loop_(loop) {}

bool MemoryWindowMessages::post(MessageTarget hWnd, std::uint32_t message, std::int64_t wParam,
                                std::int64_t lParam) {
    const WindowMessage record{message, wParam, lParam};
    posted_.push_back({hWnd, record});
    auto found = endpoints_.find(hWnd);
    if (found == endpoints_.end()) return false;
    std::weak_ptr<Endpoint> target = found->second;
    loop_.post([target, record] {
        auto endpoint = target.lock();
        if (!endpoint) return;               // unlistened meanwhile: the record is dropped
        auto receiver = endpoint->receiver;  // survives a listen from inside the call
        (*receiver)(record);
    });
    return true;
}

void MemoryWindowMessages::listen(MessageTarget hWnd, Receiver receiver) {
    auto& endpoint = endpoints_[hWnd];
    if (!endpoint) endpoint = std::make_shared<Endpoint>();
    endpoint->receiver = std::make_shared<Receiver>(std::move(receiver));
}

void MemoryWindowMessages::unlisten(MessageTarget hWnd) {
    endpoints_.erase(hWnd);
}

}  // namespace zov::platform
