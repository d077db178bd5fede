#pragma once
// An interval timer control on the system's event loop (the Qt loop on the desktop): it
// ticks every interval while enabled and the interval is above 0. Made by the factory,
// held by shared pointer; a tick never reaches a timer that is gone.

#include <cstdint>
#include <memory>

#include "platform/event_loop.hpp"
#include "platform/weak_factory.hpp"
#include "ui/controls.hpp"

namespace zov::ui::desktop {

class DesktopIntervalTimer final : public IntervalTimer,
                                   public std::enable_shared_from_this<DesktopIntervalTimer> {
  public:
    static std::shared_ptr<DesktopIntervalTimer> create(platform::EventLoop& loop);
    ~DesktopIntervalTimer() override;
    DesktopIntervalTimer(const DesktopIntervalTimer&) = delete;
    DesktopIntervalTimer& operator=(const DesktopIntervalTimer&) = delete;

    std::int32_t interval() const override { return interval_; }
    void setInterval(std::int32_t milliseconds) override;
    bool enabled() const override { return enabled_; }
    void setEnabled(bool enabled) override;

  private:
    explicit DesktopIntervalTimer(platform::EventLoop& loop);
    void arm();

    platform::EventLoop& loop_;
    platform::TimerKey key_;
    std::int32_t interval_ = 0;
    bool enabled_ = true;
    platform::WeakFactory<DesktopIntervalTimer> weak_{this};  // last
};

}  // namespace zov::ui::desktop
