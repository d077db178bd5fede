#include "ui/headless/simulated_media_player.hpp"

#include <algorithm>
#include <cmath>

#include "platform/clock.hpp"
#include "platform/file_system.hpp"
#include "ui/headless/media_catalog.hpp"
#include "ui/position_text.hpp"

namespace zov::ui::headless {

namespace {

bool isStream(const std::string& url) {
    return url.find("://") != std::string::npos;
}

}  // namespace

std::shared_ptr<SimulatedMediaPlayer> SimulatedMediaPlayer::create(
    ControlName name, platform::EventLoop& loop, const platform::FileSystem& files,
    const MediaCatalog& catalog) {
    return std::shared_ptr<SimulatedMediaPlayer>(
        new SimulatedMediaPlayer(std::move(name), loop, files, catalog));
}

SimulatedMediaPlayer::SimulatedMediaPlayer(ControlName name, platform::EventLoop& loop,
                                           const platform::FileSystem& files,
                                           const MediaCatalog& catalog)
    : NamedControl(std::move(name)),
      loop_(loop),
      files_(files),
      catalog_(catalog),
      key_(loop.newTimerKey()) {}

SimulatedMediaPlayer::~SimulatedMediaPlayer() {
    loop_.killTimer(key_);
}

void SimulatedMediaPlayer::setURL(const std::string& url) {
    url_ = url;
    notify("URL", url);
    if (url.empty()) {
        ++generation_;
        freeze();
        opened_ = false;
        playWhenOpen_ = false;
        position_ = 0;
        pendingPosition_.reset();
        fullScreen_ = false;
        setState(wmppsUndefined);
        return;
    }
    pendingPosition_.reset();
    beginOpen(autoStart_);
}

void SimulatedMediaPlayer::beginOpen(bool playWhenOpen) {
    const std::uint64_t generation = ++generation_;
    freeze();
    opened_ = false;
    playWhenOpen_ = playWhenOpen;
    position_ = 0;
    fullScreen_ = false;
    setState(wmppsTransitioning);
    loop_.post(weak_.bind([generation](SimulatedMediaPlayer& self) { self.open(generation); }));
}

void SimulatedMediaPlayer::open(std::uint64_t generation) {
    if (generation != generation_) return;  // another address was set meanwhile
    const bool present = isStream(url_) || files_.fileExists(url_);
    if (!present || !catalog_.playable(url_)) {
        auto self = shared_from_this();
        Error();
        if (generation == generation_) setState(wmppsStopped);
        return;
    }
    opened_ = true;
    duration_ = std::max(0.0, catalog_.duration(url_));
    if (pendingPosition_) position_ = std::clamp(*pendingPosition_, 0.0, duration_);
    pendingPosition_.reset();
    if (!playWhenOpen_) {
        setState(wmppsReady);
        return;
    }
    if (!isStream(url_)) {
        startPlaying(generation);
        return;
    }
    // A stream fills its buffer first.
    setState(wmppsBuffering);
    loop_.post(weak_.bind([generation](SimulatedMediaPlayer& self) {
        if (self.state_ == wmppsBuffering) self.startPlaying(generation);
    }));
}

void SimulatedMediaPlayer::startPlaying(std::uint64_t generation) {
    if (generation != generation_) return;
    run(1);
    setState(wmppsPlaying);
}

void SimulatedMediaPlayer::play() {
    if (url_.empty()) return;
    if (!opened_) {
        if (state_ == wmppsTransitioning)
            playWhenOpen_ = true;
        else
            beginOpen(true);  // the earlier opening failed: the file may be there now
        return;
    }
    switch (state_) {
        case wmppsPlaying:
        case wmppsBuffering:
            return;
        case wmppsMediaEnded:
            position_ = 0;
            break;
        default:
            break;
    }
    run(1);
    setState(wmppsPlaying);
}

void SimulatedMediaPlayer::pause() {
    if (!canPause(state_)) return;
    freeze();
    setState(wmppsPaused);
}

void SimulatedMediaPlayer::stop() {
    if (url_.empty() || !canStop(state_)) return;
    if (!opened_) ++generation_;  // the opening under way is abandoned
    freeze();
    position_ = 0;
    fullScreen_ = false;
    setState(wmppsStopped);
}

void SimulatedMediaPlayer::fastForward() {
    if (!opened_ || !canScan(state_, wmppsScanForward)) return;
    run(kScanRate);
    setState(wmppsScanForward);
}

void SimulatedMediaPlayer::fastReverse() {
    if (!opened_ || !canScan(state_, wmppsScanReverse)) return;
    run(-kScanRate);
    setState(wmppsScanReverse);
}

double SimulatedMediaPlayer::currentPosition() const {
    if (!opened_) return 0;
    const double elapsed = static_cast<double>(nowMs() - anchorMs_) / 1000.0;
    return std::clamp(position_ + rate_ * elapsed, 0.0, duration_);
}

void SimulatedMediaPlayer::setCurrentPosition(double seconds) {
    if (!opened_) {
        if (!url_.empty()) pendingPosition_ = seconds;
        return;
    }
    const double rate = rate_;
    freeze();
    position_ = std::clamp(seconds, 0.0, duration_);
    if (rate != 0) run(rate);
}

std::string SimulatedMediaPlayer::currentPositionString() const {
    if (!opened_) return {};
    return positionText(currentPosition());
}

void SimulatedMediaPlayer::setFullScreen(bool fullScreen) {
    fullScreen_ = fullScreen && showsPicture(state_);
}

void SimulatedMediaPlayer::failPlayback() {
    if (!opened_) return;
    const std::uint64_t generation = generation_;
    freeze();
    fullScreen_ = false;
    auto self = shared_from_this();
    Error();
    if (generation == generation_ && opened_) setState(wmppsPaused);
}

void SimulatedMediaPlayer::run(double rate) {
    freeze();
    rate_ = rate;
    if (rate == 0) return;
    const double seconds = rate > 0 ? (duration_ - position_) / rate : position_ / -rate;
    const auto ms = std::max<std::int64_t>(1, static_cast<std::int64_t>(std::ceil(seconds * 1000)));
    loop_.setTimer(key_, ms, weak_.bind([](SimulatedMediaPlayer& self) { self.onBoundary(); }));
}

void SimulatedMediaPlayer::freeze() {
    position_ = currentPosition();
    anchorMs_ = nowMs();
    rate_ = 0;
    loop_.killTimer(key_);
}

void SimulatedMediaPlayer::onBoundary() {
    const double rate = rate_;
    freeze();
    if (rate > 0 && position_ >= duration_) {
        fullScreen_ = false;
        setState(wmppsMediaEnded);
    } else if (rate < 0 && position_ <= 0) {
        run(1);
        setState(wmppsPlaying);
    } else {
        run(rate);  // woken early: wait for the rest
    }
}

void SimulatedMediaPlayer::setState(int state) {
    if (state == state_) return;
    state_ = state;
    states_.push_back(state);
    if (states_.size() > kKeptStates) states_.pop_front();
    notify("playState", std::to_string(state));
    auto self = shared_from_this();  // the handler may release the player
    PlayStateChange(state);
}

std::int64_t SimulatedMediaPlayer::nowMs() const {
    return loop_.clock().nowMs();
}

}  // namespace zov::ui::headless
