#pragma once
// One stream played by libmpv into a native X11 window, told in whole seconds: when it
// starts (with its length), where it is, and when it ends. libmpv's own threads only wake
// the event loop; every event is handled on the loop's thread. It knows nothing of window
// messages or of the client.

#include <atomic>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>

#include "platform/weak_factory.hpp"

struct mpv_handle;
struct mpv_event;

namespace zov::platform {
class EventLoop;
}

namespace zov::player {

class MpvStreamPlayer {
  public:
    struct Events {
        // Playing has begun; 0 when the stream has no known length.
        std::function<void(std::int64_t lengthSeconds)> started;
        // Another whole second is reached, and after every jump.
        std::function<void(std::int64_t positionSeconds)> position;
        // Nothing more will play: empty at the stream's end, else what went wrong.
        std::function<void(const std::string& problem)> ended;
    };

    // Throws std::runtime_error when libmpv cannot be set up.
    MpvStreamPlayer(platform::EventLoop& loop, std::int64_t window, Events events);
    ~MpvStreamPlayer();
    MpvStreamPlayer(const MpvStreamPlayer&) = delete;
    MpvStreamPlayer& operator=(const MpvStreamPlayer&) = delete;

    void open(const std::string& address, std::int64_t startSeconds);
    void seekTo(std::int64_t seconds);
    void seekBy(std::int64_t seconds);
    void togglePause();

  private:
    static void wakeUp(void* context);
    void drainEvents();
    void handle(const mpv_event& event);
    void reportPosition(double seconds, bool always);
    void end(const std::string& problem);
    void command(std::initializer_list<const char*> words);

    platform::EventLoop& loop_;
    Events events_;
    mpv_handle* mpv_ = nullptr;
    bool started_ = false;
    bool ended_ = false;
    bool seeking_ = false;
    std::int64_t lastPosition_ = -1;
    std::atomic<bool> drainPosted_ = false;  // one drain waiting in the loop is enough
    // Wake-ups come from libmpv's threads and may outlive us in the loop's queue. Never
    // invalidated: those threads bind through it.
    platform::WeakFactory<MpvStreamPlayer> weak_{this};  // last
};

}  // namespace zov::player
