#pragma once
// The embedded media player: an address to open (it starts by itself), transport
// controls, position and length, full screen, and events for every state change and for
// playback errors.

#include <string>

#include "platform/event.hpp"
#include "ui/controls.hpp"

namespace zov::ui {

// Values of playState. The system relies on 1, 2, 3, 6 and 8; the others are what the
// player passes through on its way (opening, scanning, no media).
enum PlayState : int {
    wmppsUndefined = 0,
    wmppsStopped = 1,
    wmppsPaused = 2,
    wmppsPlaying = 3,
    wmppsScanForward = 4,
    wmppsScanReverse = 5,
    wmppsBuffering = 6,
    wmppsWaiting = 7,
    wmppsMediaEnded = 8,
    wmppsTransitioning = 9,
    wmppsReady = 10,
};

// The state's name as scripts see it ("Playing", "MediaEnded"; "Unknown" past the list).
std::string playStateName(int state);

// What a player may do in a state, the same for every player: pause while it plays or
// scans; stop while it holds a movie; scan forward (or back) from playing, paused or the
// other scan; show a picture (and so go full screen) while playing, paused or scanning.
constexpr bool canPause(int state) {
    return state == wmppsPlaying || state == wmppsScanForward || state == wmppsScanReverse;
}
constexpr bool canStop(int state) {
    return state != wmppsStopped && state != wmppsUndefined;
}
constexpr bool canScan(int state, PlayState towards) {
    const PlayState other = towards == wmppsScanForward ? wmppsScanReverse : wmppsScanForward;
    return state == wmppsPlaying || state == wmppsPaused || state == other;
}
constexpr bool showsPicture(int state) {
    return canPause(state) || state == wmppsPaused;
}

class MediaPlayerControl : public Control {
  public:
    // Opens a local path or a stream address and, with autoStart, plays it; "" unloads.
    virtual void setURL(const std::string& url) = 0;
    // The address last set.
    virtual std::string URL() const = 0;
    virtual int playState() const = 0;

    // controls.*
    virtual void play() = 0;
    virtual void pause() = 0;
    virtual void stop() = 0;
    // Scan forward / backward until play.
    virtual void fastForward() = 0;
    virtual void fastReverse() = 0;
    virtual double currentPosition() const = 0;
    virtual void setCurrentPosition(double seconds) = 0;
    // The position as display text ("01:05"; "" with nothing open).
    virtual std::string currentPositionString() const = 0;

    // settings.*
    virtual void setMute(bool mute) = 0;
    virtual bool mute() const = 0;
    virtual void setAutoStart(bool autoStart) = 0;
    virtual bool autoStart() const = 0;

    // currentMedia.duration: the length in seconds, valid once playing (0 before).
    virtual double duration() const = 0;

    // Set: the player takes over the whole screen while it has media to show; get: whether
    // it has. It leaves full screen by itself when playback stops, ends or fails.
    virtual bool fullScreen() const = 0;
    virtual void setFullScreen(bool fullScreen) = 0;

    // The new state; the handler reads playState itself.
    Event<int> PlayStateChange;
    // The player cannot open the media or cannot go on playing it.
    Event<> Error;
};

}  // namespace zov::ui
