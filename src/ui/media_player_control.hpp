#pragma once
// The embedded media player: an address to open (it starts by itself), transport
// controls, position and length, full screen, and events for every state change and for
// playback errors.

#include <string>

#include "platform/event.hpp"
#include "ui/controls.hpp"

namespace zov::ui {

// Values of playState.
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

class MediaPlayerControl : public Control {
  public:
    // "" unloads.
    virtual void setURL(const std::string& url) = 0;
    virtual std::string URL() const = 0;
    virtual int playState() const = 0;

    // controls.*
    virtual void play() = 0;
    virtual void pause() = 0;
    virtual void stop() = 0;
    virtual void fastForward() = 0;
    virtual void fastReverse() = 0;
    virtual double currentPosition() const = 0;
    virtual void setCurrentPosition(double seconds) = 0;
    virtual std::string currentPositionString() const = 0;

    // settings.*
    virtual void setMute(bool mute) = 0;
    virtual bool mute() const = 0;
    virtual void setAutoStart(bool autoStart) = 0;

    // currentMedia.duration: the length in seconds, valid once playing.
    virtual double duration() const = 0;

    virtual bool fullScreen() const = 0;
    virtual void setFullScreen(bool fullScreen) = 0;

    // The new state; the handler reads playState itself.
    Event<int> PlayStateChange;
    Event<> Error;
};

}  // namespace zov::ui
