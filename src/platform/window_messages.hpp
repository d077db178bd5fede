#pragma once
// Messages posted between windows, also across processes: a record of (message, wParam,
// lParam) is posted to a window handle and arrives, later, on the event loop of whoever
// registered an endpoint for that handle. A post never waits for the receiver; a post to a
// handle that nobody receives is lost, as a message to a window that no longer exists is.

#include <cstdint>
#include <functional>

namespace zov::platform {

// The same numbers as ui::WindowHandle; the platform layer cannot name the ui one.
using MessageTarget = std::int64_t;

struct WindowMessage {
    std::uint32_t message = 0;
    std::int64_t wParam = 0;
    std::int64_t lParam = 0;
    bool operator==(const WindowMessage&) const = default;
};

class WindowMessages {
  public:
    using Receiver = std::function<void(const WindowMessage&)>;

    virtual ~WindowMessages() = default;

    // True when the record reached the handle's queue; false when it was lost (no
    // endpoint, or the receiver's queue is full). Never blocks.
    virtual bool post(MessageTarget target, std::uint32_t message, std::int64_t wParam,
                      std::int64_t lParam) = 0;

    // Receives every record posted to target from now on, one call per record on the loop.
    // Listening again replaces the receiver. Throws zov::Error when the endpoint cannot be
    // made (the handle is taken by a live receiver elsewhere, no place for endpoints).
    virtual void listen(MessageTarget target, Receiver receiver) = 0;
    // Stops receiving; records still on their way are dropped. Unknown handles are ignored.
    virtual void unlisten(MessageTarget target) = 0;
};

}  // namespace zov::platform
