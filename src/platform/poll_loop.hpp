#pragma once
// The event loop over poll(2): the shared timers and posted callbacks of LoopCore, watched
// descriptors, and a wait that a post ends through an eventfd.

#include <map>
#include <memory>

#include "platform/loop_core.hpp"

namespace zov::platform {

class PollLoop final : public LoopCore {
  public:
    explicit PollLoop(const Clock& clock);
    ~PollLoop() override;
    PollLoop(const PollLoop&) = delete;
    PollLoop& operator=(const PollLoop&) = delete;

    void watch(int fd, Interest interest, FdCallback callback) override;
    void unwatch(int fd) override;

    std::size_t watchedCount() const { return watches_.size(); }

  private:
    struct Watch {
        Interest interest;
        std::uint64_t generation;
        std::shared_ptr<FdCallback> callback;
    };

    void waitAndDispatch(int timeoutMs) override;
    void wake() override;
    void drainWakeFd();

    int wakeFd_ = -1;
    std::map<int, Watch> watches_;
};

}  // namespace zov::platform
