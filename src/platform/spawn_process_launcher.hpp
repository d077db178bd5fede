#pragma once
// Starts programs with posix_spawn: standard input from /dev/null, default signal handling
// and an empty signal mask whatever the client uses itself. Children that have ended are
// collected by a timer on the loop while any are outstanding, so none lingers as a zombie;
// only its own children are waited for, never "any child".

#include <set>

#include "platform/event_loop.hpp"
#include "platform/process_launcher.hpp"

namespace zov::platform {

class SpawnProcessLauncher final : public ProcessLauncher {
  public:
    explicit SpawnProcessLauncher(EventLoop& loop);
    ~SpawnProcessLauncher() override;
    SpawnProcessLauncher(const SpawnProcessLauncher&) = delete;
    SpawnProcessLauncher& operator=(const SpawnProcessLauncher&) = delete;

    std::int32_t start(const std::string& path, const std::vector<std::string>& arguments) override;
    bool running(std::int32_t pid) override;

    // Collects every child that has ended; the timer calls it every second.
    void reap();
    std::size_t outstanding() const { return children_.size(); }

  private:
    static constexpr std::int64_t kReapIntervalMs = 1000;

    EventLoop& loop_;
    TimerKey reapTimer_;
    std::set<std::int32_t> children_;
};

}  // namespace zov::platform
