#pragma once
// Window messages inside one process, for unit tests: a post is queued on the event loop and
// handed to the handle's receiver when the loop gets to it. Every post is also kept in a
// log, so a test can see what was sent to a window nobody receives for.

#include <map>
#include <memory>
#include <vector>

#include "platform/window_messages.hpp"

namespace zov::platform {

class EventLoop;

class MemoryWindowMessages final : public WindowMessages {
  public:
    struct Posted {
        MessageTarget target = 0;
        WindowMessage record;
        bool operator==(const Posted&) const = default;
    };

    explicit MemoryWindowMessages(EventLoop& loop);
    MemoryWindowMessages(const MemoryWindowMessages&) = delete;
    MemoryWindowMessages& operator=(const MemoryWindowMessages&) = delete;

    bool post(MessageTarget target, std::uint32_t message, std::int64_t wParam,
              std::int64_t lParam) override;
    void listen(MessageTarget target, Receiver receiver) override;
    void unlisten(MessageTarget target) override;

    const std::vector<Posted>& posted() const { return posted_; }
    void clearPosted() { posted_.clear(); }
    bool listening(MessageTarget target) const { return endpoints_.count(target) != 0; }

  private:
    struct Endpoint {
        std::shared_ptr<Receiver> receiver;
    };

    EventLoop& loop_;
    std::vector<Posted> posted_;
    // Shared so that a delivery queued on the loop can tell whether the endpoint it was
    // posted to is still there.
    std::map<MessageTarget, std::shared_ptr<Endpoint>> endpoints_;
};

}  // namespace zov::platform
