#pragma once
// The remote control of `zov [--headless] --remote WHERE`: "stdio" (requests on standard
// input, replies and events on standard output) or "unix:PATH" (a Unix socket at PATH, one
// client at a time; the next may connect when one leaves).

#include <memory>
#include <string>

#include "platform/event.hpp"
#include "platform/weak_factory.hpp"

namespace zov::platform {
class EventLoop;
}
namespace zov::ui {
class Registry;
}

namespace zov::remote {

class RemoteChannel;
class RemoteStream;

class RemoteSession {
  public:
    // Throws zov::Error for a place it does not know or a socket it cannot make.
    // frontEnd names the front end in the state ("headless", "desktop").
    RemoteSession(platform::EventLoop& loop, ui::Registry& ui, const std::string& where,
                  const std::string& frontEnd = "headless");
    ~RemoteSession();
    RemoteSession(const RemoteSession&) = delete;
    RemoteSession& operator=(const RemoteSession&) = delete;

    // Before the process ends: the last replies and events are written (briefly bounded).
    void drainOutput();

    // Standard input ended: the script that drove us is gone.
    Event<> Ended;

  private:
    void acceptClient();
    void dropClient();

    platform::EventLoop& loop_;
    std::unique_ptr<RemoteChannel> channel_;
    std::unique_ptr<RemoteStream> stream_;
    int listenFd_ = -1;
    int clientFd_ = -1;
    std::string socketPath_;
    platform::WeakFactory<RemoteSession> weak_{this};  // last
};

}  // namespace zov::remote
