#include "ui/mpv/mpv_media_player.hpp"

#include <mpv/client.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <clocale>
#include <cstring>
#include <string_view>

#include "platform/error.hpp"
#include "platform/file_system.hpp"
#include "ui/mpv/natural_end.hpp"
#include "ui/position_text.hpp"

namespace zov::ui::mpv {

namespace {

// The next START_FILE is the current opening (an older libmpv does not return the entry).
constexpr std::int64_t kNextEntry = -2;

bool hasScheme(const std::string& url) {
    return url.find("://") != std::string::npos;
}

}  // namespace

bool MpvMediaPlayer::isAllowedStream(const std::string& url) {
    static constexpr std::array<std::string_view, 8> kSchemes = {
        "http://", "https://", "rtsp://", "rtmp://", "mms://", "mmsh://", "mmst://", "rtp://"};
    std::string lower = url.substr(0, 8);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return std::any_of(kSchemes.begin(), kSchemes.end(),
                       [&](std::string_view scheme) { return lower.starts_with(scheme); });
}

std::shared_ptr<MpvMediaPlayer> MpvMediaPlayer::create(ControlName name, platform::EventLoop& loop,
                                                       const platform::FileSystem& files,
                                                       const MpvOutputs& outputs,
                                                       std::shared_ptr<VideoSurface> surface) {
    std::shared_ptr<MpvMediaPlayer> player(
        new MpvMediaPlayer(std::move(name), loop, files, std::move(surface)));
    player->initialise(outputs);
    return player;
}

MpvMediaPlayer::MpvMediaPlayer(ControlName name, platform::EventLoop& loop,
                               const platform::FileSystem& files,
                               std::shared_ptr<VideoSurface> surface)
    : NamedControl(std::move(name)),
      loop_(loop),
      files_(files),
      surface_(std::move(surface)),
      reverseKey_(loop.newTimerKey()) {}

void MpvMediaPlayer::initialise(MpvOutputs outputs) {
    if (surface_) {
        outputs.videoWindow = surface_->handle();
        surface_->LeaveFullScreen.connect(
            weak_.bind([](MpvMediaPlayer& self) { self.setFullScreen(false); }));
    }
    // libmpv refuses to start under any other numeric locale (a toolkit may have set one
    // from the environment).
    std::setlocale(LC_NUMERIC, "C");
    mpv_ = mpv_create();
    if (!mpv_) throw zov::Error(5, "The media player could not be started.", "MpvMediaPlayer");
    // Decode for real, show and sound only where told, and take no settings, scripts or
    // keys from the user's own mpv set-up.
    for (const auto& [option, value] : outputOptions(outputs))
        mpv_set_option_string(mpv_, option.c_str(), value.c_str());
    const std::pair<const char*, const char*> options[] = {
        {"idle", "yes"},
        {"keep-open", "no"},
        {"terminal", "no"},
        {"config", "no"},
        {"load-scripts", "no"},
        {"ytdl", "no"},
        {"osc", "no"},
        {"input-default-bindings", "no"},
        {"audio-display", "no"},
        {"hwdec", "no"},
        // A movie is one file: a playlist or reference inside it is not followed.
        {"access-references", "no"},
    };
    for (const auto& [option, value] : options)
        mpv_set_option_string(mpv_, option, value);
    if (mpv_initialize(mpv_) < 0) {
        mpv_terminate_destroy(mpv_);
        mpv_ = nullptr;
        throw zov::Error(5, "The media player could not be started.", "MpvMediaPlayer");
    }
    // The length may only become known after opening; it is what an ended movie shows.
    mpv_observe_property(mpv_, 0, "duration", MPV_FORMAT_DOUBLE);
    // Once the media has ended it can no longer be asked where playback got to.
    mpv_observe_property(mpv_, 0, "time-pos", MPV_FORMAT_DOUBLE);
    mpv_set_wakeup_callback(mpv_, &MpvMediaPlayer::wakeUp, this);
}

MpvMediaPlayer::~MpvMediaPlayer() {
    loop_.killTimer(reverseKey_);
    if (surface_) surface_->LeaveFullScreen.disconnect();
    if (!mpv_) return;
    // Waits for a wake-up under way; none comes after.
    mpv_set_wakeup_callback(mpv_, nullptr, nullptr);
    mpv_terminate_destroy(mpv_);
}

void MpvMediaPlayer::wakeUp(void* context) {
    // On one of libmpv's threads: only hand the work to the loop, once until it is done.
    auto* self = static_cast<MpvMediaPlayer*>(context);
    if (self->drainPosted_.exchange(true)) return;
    self->loop_.post(self->weak_.bind([](MpvMediaPlayer& player) { player.drainEvents(); }));
}

void MpvMediaPlayer::drainEvents() {
    auto self = shared_from_this();  // a handler may release the player
    drainPosted_ = false;
    while (mpv_) {
        const mpv_event* event = mpv_wait_event(mpv_, 0);
        if (!event || event->event_id == MPV_EVENT_NONE) break;
        handle(*event);
    }
}

void MpvMediaPlayer::handle(const mpv_event& event) {
    switch (event.event_id) {
        case MPV_EVENT_START_FILE: {
            const auto* start = static_cast<const mpv_event_start_file*>(event.data);
            startedEntry_ = start->playlist_entry_id;
            if (currentEntry_ == kNextEntry) currentEntry_ = startedEntry_;
            break;
        }
        case MPV_EVENT_FILE_LOADED:
            if (startedEntry_ == currentEntry_) fileLoaded();
            break;
        case MPV_EVENT_PLAYBACK_RESTART:
            seekTarget_.reset();  // a seek has landed: libmpv's own position is right again
            if (waitingForStream_ && state_ == wmppsBuffering) {
                waitingForStream_ = false;
                setState(wmppsPlaying);
            }
            break;
        case MPV_EVENT_PROPERTY_CHANGE: {
            const auto* change = static_cast<const mpv_event_property*>(event.data);
            if (!loaded_ || change->format != MPV_FORMAT_DOUBLE) break;
            const double value = *static_cast<const double*>(change->data);
            if (std::strcmp(change->name, "duration") == 0) knownDuration_ = value;
            if (std::strcmp(change->name, "time-pos") == 0) reachedPosition_ = value;
            break;
        }
        case MPV_EVENT_END_FILE: {
            const auto* end = static_cast<const mpv_event_end_file*>(event.data);
            if (end->playlist_entry_id == currentEntry_) fileEnded(*end);
            break;
        }
        default:
            break;
    }
}

void MpvMediaPlayer::fileLoaded() {
    loaded_ = true;
    knownDuration_ = duration();
    if (pendingPosition_) seekTo(*pendingPosition_);
    pendingPosition_.reset();
    if (!playWhenOpen_) {
        setState(wmppsReady);
        return;
    }
    if (hasScheme(url_)) {
        // A stream fills its buffer first; playing follows with its first frames.
        waitingForStream_ = true;
        setState(wmppsBuffering);
        return;
    }
    setState(wmppsPlaying);
}

void MpvMediaPlayer::fileEnded(const mpv_event_end_file& end) {
    currentEntry_ = -1;
    const bool wasLoaded = loaded_;
    leaveMedia();
    // An open movie whose data runs out ends like one played to its end, or, when not a
    // frame came before (a seek straight past the data), as having played nothing.
    const bool ranOut =
        wasLoaded &&
        (end.reason == MPV_END_FILE_REASON_EOF ||
         (end.reason == MPV_END_FILE_REASON_ERROR && end.error == MPV_ERROR_NOTHING_TO_PLAY));
    if (ranOut && !isNaturalEnd(reachedPosition_, knownDuration_)) {
        // Still arriving, or cut short: the viewer waits and goes on from here.
        cutShortAt_ = reachedPosition_;
        reportFailure(wmppsPaused);
        return;
    }
    if (wasLoaded && end.reason == MPV_END_FILE_REASON_EOF) {
        endedAt_ = knownDuration_;
        setState(wmppsMediaEnded);
        return;
    }
    // Nothing could be opened, or playback could not go on.
    if (end.reason == MPV_END_FILE_REASON_EOF || end.reason == MPV_END_FILE_REASON_ERROR)
        reportFailure(wmppsStopped);
}

void MpvMediaPlayer::reportFailure(int settledState) {
    const std::uint64_t generation = generation_;
    auto self = shared_from_this();  // the handler may release the player
    Error();
    if (generation == generation_) setState(settledState);  // unless it opened another
}

void MpvMediaPlayer::leaveMedia() {
    stopReverseScan();
    cutShortAt_.reset();
    seekTarget_.reset();
    loaded_ = false;
    waitingForStream_ = false;
    changeFullScreen(false);
}

void MpvMediaPlayer::stopLibmpv() {
    currentEntry_ = -1;
    const char* command[] = {"stop", nullptr};
    mpv_command(mpv_, command);
}

void MpvMediaPlayer::setURL(const std::string& url) {
    url_ = url;
    notify("URL", url);
    pendingPosition_.reset();
    if (url.empty()) {
        unload();
        setState(wmppsUndefined);
        return;
    }
    beginOpen(autoStart_);
}

void MpvMediaPlayer::beginOpen(bool playWhenOpen) {
    ++generation_;
    leaveMedia();
    endedAt_ = 0;
    knownDuration_ = 0;
    reachedPosition_ = 0;
    playWhenOpen_ = playWhenOpen;
    if (surface_) surface_->bringToFront();
    setState(wmppsTransitioning);

    std::string target;
    if (hasScheme(url_)) {
        if (isAllowedStream(url_)) target = url_;
    } else if (files_.fileExists(url_)) {
        // Only a file: libmpv would play a folder as a playlist of whatever it holds.
        target = files_.hostPath(url_);
    }
    if (target.empty()) return failOpenLater();

    setPaused(!playWhenOpen);
    setSpeed(1);
    const char* command[] = {"loadfile", target.c_str(), "replace", nullptr};
    mpv_node result{};
    if (mpv_command_ret(mpv_, command, &result) < 0) return failOpenLater();
    currentEntry_ = kNextEntry;
    if (result.format == MPV_FORMAT_NODE_MAP) {
        for (int i = 0; i < result.u.list->num; ++i) {
            const mpv_node& value = result.u.list->values[i];
            if (std::strcmp(result.u.list->keys[i], "playlist_entry_id") == 0 &&
                value.format == MPV_FORMAT_INT64)
                currentEntry_ = value.u.int64;
        }
    }
    mpv_free_node_contents(&result);
}

void MpvMediaPlayer::failOpenLater() {
    stopLibmpv();
    loop_.post(weak_.bind([generation = generation_](MpvMediaPlayer& self) {
        if (generation == self.generation_) self.reportFailure(wmppsStopped);
    }));
}

void MpvMediaPlayer::unload() {
    ++generation_;
    leaveMedia();
    endedAt_ = 0;
    stopLibmpv();
}

void MpvMediaPlayer::play() {
    if (url_.empty()) return;
    if (!loaded_) {
        if (state_ == wmppsTransitioning) {
            playWhenOpen_ = true;
            setPaused(false);
        } else {
            // Stopped, ended or failed: open again, from the start or from where the data
            // ran out.
            if (cutShortAt_) pendingPosition_ = *cutShortAt_;
            beginOpen(true);
        }
        return;
    }
    if (state_ == wmppsPlaying || state_ == wmppsBuffering) return;
    stopReverseScan();
    setSpeed(1);
    setPaused(false);
    setState(wmppsPlaying);
}

void MpvMediaPlayer::pause() {
    if (!canPause(state_)) return;
    stopReverseScan();
    setSpeed(1);
    setPaused(true);
    setState(wmppsPaused);
}

void MpvMediaPlayer::stop() {
    if (url_.empty() || !canStop(state_)) return;
    unload();
    setState(wmppsStopped);
}

void MpvMediaPlayer::fastForward() {
    if (!loaded_ || !canScan(state_, wmppsScanForward)) return;
    stopReverseScan();
    setSpeed(kScanRate);
    setPaused(false);
    setState(wmppsScanForward);
}

void MpvMediaPlayer::fastReverse() {
    if (!loaded_ || !canScan(state_, wmppsScanReverse)) return;
    // libmpv plays forward only: hold the picture and step back on the loop's clock.
    scanPosition_ = currentPosition();
    setSpeed(1);
    setPaused(true);
    loop_.setTimer(reverseKey_, kReverseStepMs,
                   weak_.bind([](MpvMediaPlayer& self) { self.stepBack(); }));
    setState(wmppsScanReverse);
}

void MpvMediaPlayer::stepBack() {
    // Counted here rather than read back: each seek lands a little later.
    const double step = kScanRate * static_cast<double>(kReverseStepMs) / 1000.0;
    *scanPosition_ = std::max(0.0, *scanPosition_ - step);
    seekTo(*scanPosition_);
    if (*scanPosition_ > 0) return;
    stopReverseScan();
    setPaused(false);
    setState(wmppsPlaying);
}

void MpvMediaPlayer::stopReverseScan() {
    loop_.killTimer(reverseKey_);
    scanPosition_.reset();
}

double MpvMediaPlayer::currentPosition() const {
    if (!loaded_) return state_ == wmppsMediaEnded ? endedAt_ : cutShortAt_.value_or(0);
    if (scanPosition_) return *scanPosition_;
    if (seekTarget_) return *seekTarget_;
    double position = 0;
    if (mpv_get_property(mpv_, "time-pos", MPV_FORMAT_DOUBLE, &position) < 0) return 0;
    return std::max(0.0, position);
}

void MpvMediaPlayer::setCurrentPosition(double seconds) {
    if (!loaded_) {
        if (cutShortAt_)
            cutShortAt_ = std::max(0.0, seconds);  // play opens the media there
        else if (!url_.empty())
            pendingPosition_ = seconds;
        return;
    }
    if (scanPosition_) scanPosition_ = std::max(0.0, seconds);
    seekTo(seconds);
}

std::string MpvMediaPlayer::currentPositionString() const {
    if (!loaded_ && state_ != wmppsMediaEnded && !cutShortAt_) return {};
    return positionText(currentPosition());
}

void MpvMediaPlayer::setMute(bool mute) {
    mute_ = mute;
    int flag = mute ? 1 : 0;
    mpv_set_property(mpv_, "mute", MPV_FORMAT_FLAG, &flag);
}

double MpvMediaPlayer::duration() const {
    if (!loaded_) {
        if (state_ == wmppsMediaEnded) return endedAt_;
        return cutShortAt_ ? knownDuration_ : 0;
    }
    double length = 0;
    if (mpv_get_property(mpv_, "duration", MPV_FORMAT_DOUBLE, &length) < 0) return 0;
    return std::max(0.0, length);
}

void MpvMediaPlayer::setFullScreen(bool fullScreen) {
    changeFullScreen(fullScreen && showing());
}

void MpvMediaPlayer::changeFullScreen(bool fullScreen) {
    if (fullScreen == fullScreen_) return;
    fullScreen_ = fullScreen;
    if (surface_) surface_->setCovering(fullScreen);
    notify("fullScreen", fullScreen ? "true" : "false");
}

void MpvMediaPlayer::setVisible(bool visible) {
    NamedControl::setVisible(visible);
    if (surface_) surface_->setShown(visible);
}

void MpvMediaPlayer::setRect(const Rect& rect) {
    NamedControl::setRect(rect);
    if (surface_) surface_->place(rect);
}

bool MpvMediaPlayer::showing() const {
    return loaded_ && showsPicture(state_);
}

void MpvMediaPlayer::setPaused(bool paused) {
    int flag = paused ? 1 : 0;
    mpv_set_property(mpv_, "pause", MPV_FORMAT_FLAG, &flag);
}

void MpvMediaPlayer::setSpeed(double speed) {
    mpv_set_property(mpv_, "speed", MPV_FORMAT_DOUBLE, &speed);
}

void MpvMediaPlayer::seekTo(double seconds) {
    // libmpv reports the target at once, but an end right after may come first.
    reachedPosition_ = std::max(0.0, seconds);
    seekTarget_ = reachedPosition_;
    const std::string target = std::to_string(reachedPosition_);
    const char* command[] = {"seek", target.c_str(), "absolute", nullptr};
    mpv_command(mpv_, command);
}

void MpvMediaPlayer::setState(int state) {
    if (state == state_) return;
    state_ = state;
    notify("playState", std::to_string(state));
    auto self = shared_from_this();  // the handler may release the player
    PlayStateChange(state);
}

}  // namespace zov::ui::mpv
