#include "mpv_stream_player.hpp"

#include <mpv/client.h>

#include <clocale>
#include <cmath>
#include <stdexcept>
#include <utility>
#include <vector>

#include "platform/event_loop.hpp"

namespace zov::player {

namespace {

// Decode and draw for real, sound where a device exists, and take no settings, scripts,
// keys or further addresses from anywhere but here.
const std::pair<const char*, const char*> kOptions[] = {
    {"vo", "gpu,x11"},
    // The window is an X11 one: the GPU output draws through X11's EGL only; software GL
    // (no GPU, or Xvfb) draws the picture too.
    {"gpu-context", "x11egl"},
    {"gpu-sw", "yes"},
    // Without a sound device a list that does not end in the null output fails the file.
    {"ao", "pulse,alsa,null"},
    {"idle", "yes"},
    {"keep-open", "no"},
    {"terminal", "no"},
    {"config", "no"},
    {"load-scripts", "no"},
    {"ytdl", "no"},
    {"osc", "no"},
    {"input-default-bindings", "no"},
    {"input-vo-keyboard", "no"},
    {"input-cursor", "no"},
    {"hwdec", "no"},
    // One stream: a playlist or a reference inside it is not followed, and the demuxer
    // opens nothing but HTTP.
    {"access-references", "no"},
    {"demuxer", "lavf"},
    {"demuxer-lavf-o", "protocol_whitelist=[http,tcp]"},
};

std::string endProblem(const mpv_event_end_file& end) {
    switch (end.reason) {
        case MPV_END_FILE_REASON_EOF:
            return {};
        case MPV_END_FILE_REASON_ERROR:
            return std::string("the stream cannot be played: ") + mpv_error_string(end.error);
        default:
            return "playing was stopped";
    }
}

}  // namespace

MpvStreamPlayer::MpvStreamPlayer(platform::EventLoop& loop, std::int64_t window, Events events)
    : loop_(loop), events_(std::move(events)) {
    // libmpv refuses to start under any other numeric locale.
    std::setlocale(LC_NUMERIC, "C");
    mpv_ = mpv_create();
    if (!mpv_) throw std::runtime_error("the media library cannot be started");
    mpv_set_option_string(mpv_, "wid", std::to_string(window).c_str());
    for (const auto& [option, value] : kOptions)
        mpv_set_option_string(mpv_, option, value);
    if (mpv_initialize(mpv_) < 0) {
        mpv_terminate_destroy(mpv_);
        throw std::runtime_error("the media library cannot be set up");
    }
    mpv_observe_property(mpv_, 0, "time-pos", MPV_FORMAT_DOUBLE);
    mpv_set_wakeup_callback(mpv_, &MpvStreamPlayer::wakeUp, this);
}

MpvStreamPlayer::~MpvStreamPlayer() {
    // Waits for a wake-up under way; none comes after.
    mpv_set_wakeup_callback(mpv_, nullptr, nullptr);
    mpv_terminate_destroy(mpv_);
}

void MpvStreamPlayer::wakeUp(void* context) {
    // On one of libmpv's threads: hand the work to the loop, the one call it allows here.
    auto* player = static_cast<MpvStreamPlayer*>(context);
    if (player->drainPosted_.exchange(true)) return;
    player->loop_.post(player->weak_.bind([](MpvStreamPlayer& self) { self.drainEvents(); }));
}

void MpvStreamPlayer::open(const std::string& address, std::int64_t startSeconds) {
    if (startSeconds > 0)
        mpv_set_property_string(mpv_, "start", std::to_string(startSeconds).c_str());
    command({"loadfile", address.c_str()});
}

void MpvStreamPlayer::seekTo(std::int64_t seconds) {
    command({"seek", std::to_string(seconds < 0 ? 0 : seconds).c_str(), "absolute"});
}

void MpvStreamPlayer::seekBy(std::int64_t seconds) {
    command({"seek", std::to_string(seconds).c_str(), "relative"});
}

void MpvStreamPlayer::togglePause() {
    command({"cycle", "pause"});
}

void MpvStreamPlayer::command(std::initializer_list<const char*> words) {
    if (ended_) return;
    std::vector<const char*> argv(words);
    argv.push_back(nullptr);
    mpv_command_async(mpv_, 0, argv.data());
}

void MpvStreamPlayer::drainEvents() {
    drainPosted_ = false;
    while (!ended_) {
        const mpv_event* event = mpv_wait_event(mpv_, 0);
        if (!event || event->event_id == MPV_EVENT_NONE) break;
        handle(*event);
    }
}

void MpvStreamPlayer::handle(const mpv_event& event) {
    switch (event.event_id) {
        case MPV_EVENT_SEEK:
            seeking_ = true;  // the position passes through on its way: told once it lands
            break;
        case MPV_EVENT_PLAYBACK_RESTART: {
            seeking_ = false;
            double position = 0;
            mpv_get_property(mpv_, "time-pos", MPV_FORMAT_DOUBLE, &position);
            if (!started_) {
                started_ = true;
                double length = 0;
                if (mpv_get_property(mpv_, "duration", MPV_FORMAT_DOUBLE, &length) < 0) length = 0;
                if (events_.started) events_.started(std::llround(length));
            }
            reportPosition(position, true);  // the first picture, or the end of a jump
            break;
        }
        case MPV_EVENT_PROPERTY_CHANGE: {
            const auto* change = static_cast<const mpv_event_property*>(event.data);
            if (started_ && !seeking_ && change->format == MPV_FORMAT_DOUBLE)
                reportPosition(*static_cast<const double*>(change->data), false);
            break;
        }
        case MPV_EVENT_END_FILE:
            end(endProblem(*static_cast<const mpv_event_end_file*>(event.data)));
            break;
        case MPV_EVENT_SHUTDOWN:
            end("the media library shut down");
            break;
        default:
            break;
    }
}

void MpvStreamPlayer::reportPosition(double seconds, bool always) {
    const auto whole = static_cast<std::int64_t>(std::floor(seconds < 0 ? 0 : seconds));
    if (!always && whole == lastPosition_) return;
    lastPosition_ = whole;
    if (events_.position) events_.position(whole);
}

void MpvStreamPlayer::end(const std::string& problem) {
    if (ended_) return;
    ended_ = true;
    if (events_.ended) events_.ended(problem);
}

}  // namespace zov::player
