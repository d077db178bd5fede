#pragma once
// A media player without decoding, for tests: it keeps the play states of the real one and
// moves the position with the event loop's clock. Setting URL opens the media on a later
// turn of the loop: a local path (checked through the file system) goes 9 then 3, a stream
// address ("scheme://...") 9, 6 then 3; a missing or unplayable file raises Error and
// ends stopped. Playing to the end gives state 8; fast forward (4) and fast reverse (5)
// scan at kScanRate times normal speed, and a reverse scan that reaches the start plays
// on from there.

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>

#include "platform/event_loop.hpp"
#include "platform/weak_factory.hpp"
#include "ui/media_player_control.hpp"
#include "ui/named_control.hpp"

namespace zov::platform {
class FileSystem;
}

namespace zov::ui::headless {

class MediaCatalog;

class SimulatedMediaPlayer final : public NamedControl<MediaPlayerControl>,
                                   public std::enable_shared_from_this<SimulatedMediaPlayer> {
  public:
    static constexpr double kScanRate = 5;

    // None of the three is owned; all outlive the player.
    static std::shared_ptr<SimulatedMediaPlayer> create(ControlName name, platform::EventLoop& loop,
                                                        const platform::FileSystem& files,
                                                        const MediaCatalog& catalog);
    ~SimulatedMediaPlayer() override;
    SimulatedMediaPlayer(const SimulatedMediaPlayer&) = delete;
    SimulatedMediaPlayer& operator=(const SimulatedMediaPlayer&) = delete;

    void setURL(const std::string& url) override;
    std::string URL() const override { return url_; }
    int playState() const override { return state_; }
    void play() override;
    void pause() override;
    void stop() override;
    void fastForward() override;
    void fastReverse() override;
    double currentPosition() const override;
    // Set before the media is open, the position applies once it is.
    void setCurrentPosition(double seconds) override;
    std::string currentPositionString() const override;
    void setMute(bool mute) override { mute_ = mute; }
    bool mute() const override { return mute_; }
    void setAutoStart(bool autoStart) override { autoStart_ = autoStart; }
    bool autoStart() const override { return autoStart_; }
    double duration() const override { return opened_ ? duration_ : 0; }
    bool fullScreen() const override { return fullScreen_; }
    // Taken only while there is media to show (playing, paused or scanning).
    void setFullScreen(bool fullScreen) override;

    // The player cannot go on (the file ends before its length, say): Error, then paused
    // where it was.
    void failPlayback();
    // The latest states in order (at most kKeptStates).
    static constexpr std::size_t kKeptStates = 64;
    const std::deque<int>& states() const { return states_; }
    // Position change per second of clock time: 1 playing, kScanRate or -kScanRate
    // scanning, 0 otherwise.
    double rate() const { return rate_; }

  private:
    SimulatedMediaPlayer(ControlName name, platform::EventLoop& loop,
                         const platform::FileSystem& files, const MediaCatalog& catalog);

    // Begins opening url_; playing follows when autoStart or a play asked for it.
    void beginOpen(bool playWhenOpen);
    void open(std::uint64_t generation);
    void startPlaying(std::uint64_t generation);
    // Moves at `rate` from the current position and arms the timer for the boundary.
    void run(double rate);
    void freeze();
    void onBoundary();
    void setState(int state);
    std::int64_t nowMs() const;

    platform::EventLoop& loop_;
    const platform::FileSystem& files_;
    const MediaCatalog& catalog_;
    const platform::TimerKey key_;

    std::string url_;
    int state_ = wmppsUndefined;
    bool opened_ = false;
    bool playWhenOpen_ = false;
    std::uint64_t generation_ = 0;  // counts openings; a stale posted step does nothing
    double duration_ = 0;
    double position_ = 0;  // at anchorMs_
    std::int64_t anchorMs_ = 0;
    double rate_ = 0;
    std::optional<double> pendingPosition_;
    bool mute_ = false;
    bool autoStart_ = true;
    bool fullScreen_ = false;
    std::deque<int> states_;
    platform::WeakFactory<SimulatedMediaPlayer> weak_{this};  // last
};

}  // namespace zov::ui::headless
