#include "playback/h264_player.hpp"

#include <cstdio>
#include <utility>
#include <vector>

#include "platform/process_launcher.hpp"
#include "platform/window_messages.hpp"
#include "runtime/kill_process.hpp"
#include "ui/controls.hpp"

namespace zov::playback {

h264Player::h264Player(Ports ports) : ports_(std::move(ports)) {}

void h264Player::loadContent(const std::string& url) {
    if (status_ == Running) unloadContent();
    normalScreen();
    address_ = url;
    controller_ = -1;

    // Each field is one argument of its own: a path or address with spaces or quotes in it
    // stays whole without any quoting.
    std::vector<std::string> fields;
    fields.push_back(ports_.clientFolder + "/" + kProgramName);
    fields.push_back(std::to_string(regionToShown_));
    fields.push_back(std::to_string(formToFocus_ ? formToFocus_->windowHandle() : 0));
    fields.push_back(url);
    if (status_ == Paused && resumePosition_ != 0)
        fields.push_back(std::to_string(resumePosition_));

    ports_.launcher.start(fields.front(), fields);
    if (formToFocus_) formToFocus_->setFocus();
    status_ = Running;
}

void h264Player::taggleFullScreen() {
    if (status_ == Running && !isFullScreen_)
        fullScreen();
    else
        normalScreen();
}

void h264Player::unloadContent() {
    if (status_ == Running || status_ == Stopped)
        runtime::KillProcessByName(ports_.processes, kProgramName);
    normalScreen();
    controller_ = -1;
    status_ = Idle;
    duration_ = 0;
    currentPosition_ = 0;
    address_.clear();
}

void h264Player::fullScreen() {
    if (status_ != Running || isFullScreen_ || !formToFocus_) return;
    ports_.videoRegion.setRect(formToFocus_->rect());
    isFullScreen_ = true;
}

void h264Player::setRegionToShown(ui::WindowHandle region) {
    regionToShown_ = region;
}

void h264Player::setFormToFocus(ui::Window& form) {
    formToFocus_ = &form;
    unloadContent();
}

void h264Player::normalScreen() {
    ports_.videoRegion.setRect(ports_.wmpPlayer.rect());
    isFullScreen_ = false;
}

void h264Player::fastforward() {
    if (!waitingForLength()) postToController(kFastForward, 0);
}

void h264Player::seektime(std::int32_t sec) {
    if (!waitingForLength()) postToController(kSeek, sec);
}

void h264Player::playPause() {
    if (status_ == Stopped || status_ == Paused)
        loadContent(resumeAddress_);
    else
        postToController(kPlayPause, 0);
}

void h264Player::pausePlaying() {
    if (status_ != Running) return;
    resumeAddress_ = address_;
    resumePosition_ = duration_ != 0 ? currentPosition_ : 0;
    const std::int32_t length = duration_;
    unloadContent();
    duration_ = length;
    currentPosition_ = resumePosition_;
    status_ = Paused;
}

void h264Player::stopPlaying() {
    if (status_ == Idle) return;
    // After a pause or an earlier stop nothing is loaded any more; the address to start
    // again is then the one already kept, not an empty one.
    if (!address_.empty()) resumeAddress_ = address_;
    unloadContent();
    status_ = Stopped;
}

void h264Player::rewind() {
    if (!waitingForLength()) postToController(kRewind, 0);
}

void h264Player::setController(ui::WindowHandle controller) {
    if (controller_ == -1) controller_ = controller;
}

std::string h264Player::currentPositionString() const {
    return clockTime(currentPosition_);
}

std::string h264Player::currentdurationString() const {
    return clockTime(duration_);
}

std::string h264Player::clockTime(std::int32_t seconds) {
    const std::int32_t ofDay = seconds < 0 ? 0 : seconds % 86400;
    char text[9];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", ofDay / 3600, ofDay / 60 % 60, ofDay % 60);
    return text;
}

void h264Player::postToController(std::uint32_t message, std::int64_t wParam) {
    if (controller_ > -1) ports_.messages.post(controller_, message, wParam, 0);
}

}  // namespace zov::playback
