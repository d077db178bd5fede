#pragma once
// The media player control of both front ends, playing real media with libmpv: headless
// with null video and audio outputs, on the desktop drawing into the native window of the
// video region (MpvOutputs, VideoSurface). Either way the movie is really opened and decoded, so
// its length, position, end and failures are the real ones. libmpv works on its own threads; it
// only wakes the event loop (through post), and every state change and event is raised on
// the loop's thread.
//
// States follow the embedded player's: setting URL goes 9 (opening), then 3 for a file or
// 6 then 3 for a stream (10 without autoStart); the end of the media is 8; a missing or
// unplayable file raises Error and ends stopped (1). Data that runs out well before the
// length (a movie still downloading, a file cut short) raises Error and ends paused (2)
// where it stopped; play opens the media again there (9, then 3 or another Error). Fast
// forward (4) plays at kScanRate times normal speed; fast reverse (5) steps back kScanRate
// seconds per second of clock time and plays on from the start when it gets there.
//
// Full screen holds only while there is media to show: stopping, unloading, an end or a
// failure leaves it, and so does a person's request through the video surface. Each change
// is reported as "fullScreen" ("true"/"false").

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/event_loop.hpp"
#include "platform/weak_factory.hpp"
#include "ui/media_player_control.hpp"
#include "ui/mpv/mpv_outputs.hpp"
#include "ui/mpv/video_surface.hpp"
#include "ui/named_control.hpp"

struct mpv_handle;
struct mpv_event;
struct mpv_event_end_file;

namespace zov::platform {
class FileSystem;
}

namespace zov::ui::mpv {

class MpvMediaPlayer final : public NamedControl<MediaPlayerControl>,
                             public std::enable_shared_from_this<MpvMediaPlayer> {
  public:
    static constexpr double kScanRate = 5;
    static constexpr std::int64_t kReverseStepMs = 200;

    // Neither the loop nor the file system is owned; both outlive the player. With a
    // surface, libmpv draws into its window (whatever outputs.videoWindow says), the
    // player's rectangle and visibility are the surface's, and full screen covers the main
    // window with it. Throws Error when libmpv cannot start.
    static std::shared_ptr<MpvMediaPlayer> create(ControlName name, platform::EventLoop& loop,
                                                  const platform::FileSystem& files,
                                                  const MpvOutputs& outputs = {},
                                                  std::shared_ptr<VideoSurface> surface = nullptr);
    ~MpvMediaPlayer() override;
    MpvMediaPlayer(const MpvMediaPlayer&) = delete;
    MpvMediaPlayer& operator=(const MpvMediaPlayer&) = delete;

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
    void setMute(bool mute) override;
    bool mute() const override { return mute_; }
    void setAutoStart(bool autoStart) override { autoStart_ = autoStart; }
    bool autoStart() const override { return autoStart_; }
    double duration() const override;
    bool fullScreen() const override { return fullScreen_; }
    // Taken only while there is media to show (playing, paused or scanning).
    void setFullScreen(bool fullScreen) override;
    void setVisible(bool visible) override;
    void setRect(const Rect& rect) override;

    // Stream addresses the player opens; anything else with "://" is refused as unplayable
    // (libmpv would also open local devices, file descriptors and edit lists).
    static bool isAllowedStream(const std::string& url);

  private:
    MpvMediaPlayer(ControlName name, platform::EventLoop& loop, const platform::FileSystem& files,
                   std::shared_ptr<VideoSurface> surface);
    void initialise(MpvOutputs outputs);

    static void wakeUp(void* context);
    void drainEvents();
    void handle(const mpv_event& event);
    void fileLoaded();
    void fileEnded(const mpv_event_end_file& end);
    // Error, then `settledState` unless a handler opened something else meanwhile.
    void reportFailure(int settledState);
    // Nothing is open any more: no scan, no full screen.
    void leaveMedia();
    // libmpv drops what it has open; its late events belong to no opening.
    void stopLibmpv();

    // Opens url_ anew; playing follows when asked.
    void beginOpen(bool playWhenOpen);
    // The opening cannot even start: Error and stopped, on a later turn like a real failure.
    void failOpenLater();
    void unload();
    void setPaused(bool paused);
    void setSpeed(double speed);
    void seekTo(double seconds);
    void stepBack();
    void stopReverseScan();
    bool showing() const;
    void setState(int state);
    // Every change of the flag goes through here: reported, and the surface follows.
    void changeFullScreen(bool fullScreen);

    platform::EventLoop& loop_;
    const platform::FileSystem& files_;
    const std::shared_ptr<VideoSurface> surface_;
    const platform::TimerKey reverseKey_;
    mpv_handle* mpv_ = nullptr;
    std::atomic<bool> drainPosted_{false};

    std::string url_;
    int state_ = wmppsUndefined;
    // libmpv's playlist entry of the current opening; events of any other are stale.
    std::int64_t currentEntry_ = -1;
    std::int64_t startedEntry_ = -1;
    bool loaded_ = false;
    bool playWhenOpen_ = false;
    bool waitingForStream_ = false;
    std::uint64_t generation_ = 0;  // counts openings; a stale posted failure does nothing
    double knownDuration_ = 0;      // read when the media opened
    double endedAt_ = 0;            // the position shown once the media has ended
    double reachedPosition_ = 0;    // the last position libmpv reported for the open media
    // Where the data ran out; the media is closed meanwhile and paused there.
    std::optional<double> cutShortAt_;
    std::optional<double> pendingPosition_;
    std::optional<double> scanPosition_;  // while scanning backwards
    // Where a seek goes until libmpv has landed there (its own position lags behind).
    std::optional<double> seekTarget_;
    bool mute_ = false;
    bool autoStart_ = true;
    bool fullScreen_ = false;
    // Never invalidated: libmpv's thread binds through it (see wakeUp).
    platform::WeakFactory<MpvMediaPlayer> weak_{this};  // last
};

}  // namespace zov::ui::mpv
