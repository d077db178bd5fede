// zovplayer1.exe: the external H.264 player. The client starts it with
//
//     zovplayer1.exe REGION MAIN_WINDOW NAME [START_SECONDS]
//
// and it plays the "xms" NAME into the native window REGION, telling MAIN_WINDOW by posted
// window messages: 0x464 with its own control window once it listens, 0x52c with the length
// when the picture starts, 0x536 with the position at every whole second and after every
// jump, and 0x4c8 when it has ended by itself (the stream's end, or any failure once the main
// window is known). Its control window obeys 0x404 (go to wParam seconds), 0x405 (10 s on),
// 0x406 (10 s back) and 0x407 (pause or play on). SIGTERM ends it quietly: whoever ends the
// player knows it has ended. Exit status: 0 at the stream's end or on a signal, 1 when the
// stream fails, 2 for a bad command line, 3 for a name it does not play.

#include <signal.h>
#include <sys/prctl.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cstdint>
#include <exception>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "mpv_stream_player.hpp"
#include "platform/clock.hpp"
#include "platform/error.hpp"
#include "platform/poll_loop.hpp"
#include "platform/unix_window_messages.hpp"
#include "player_arguments.hpp"

using namespace zov;

namespace {

constexpr const char* kProgram = "zovplayer1.exe";

// To the main window.
constexpr std::uint32_t kControlWindow = 0x464;
constexpr std::uint32_t kPlaybackStarted = 0x52c;
constexpr std::uint32_t kPosition = 0x536;
constexpr std::uint32_t kPlaybackEnded = 0x4c8;
// To the control window.
constexpr std::uint32_t kSeek = 0x404;
constexpr std::uint32_t kFastForward = 0x405;
constexpr std::uint32_t kRewind = 0x406;
constexpr std::uint32_t kPlayPause = 0x407;

constexpr std::int64_t kJumpSeconds = 10;

// Window handles of the client's front ends (X11 window ids, the headless numbering) all
// lie below 2^32; a control window above it, one per process, meets none of them.
constexpr std::int64_t kControlWindowBase = std::int64_t{1} << 32;

enum ExitStatus { kEnded = 0, kFailed = 1, kBadCommandLine = 2, kRefusedName = 3 };

int complain(const std::string& problem, int status) {
    std::cerr << kProgram << ": " << problem << "\n";
    return status;
}

// The signals that end the player arrive on a descriptor the loop watches; blocked before
// libmpv makes its threads, so that none of them takes one.
int signalDescriptor() {
    sigset_t ending;
    sigemptyset(&ending);
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        sigaddset(&ending, signal);
    pthread_sigmask(SIG_BLOCK, &ending, nullptr);
    return signalfd(-1, &ending, SFD_NONBLOCK | SFD_CLOEXEC);
}

int play(const player::PlayerArguments& arguments, platform::EventLoop& loop,
         platform::WindowMessages& messages) {
    const auto tellMain = [&](std::uint32_t message, std::int64_t wParam) {
        messages.post(arguments.mainWindow, message, wParam, 0);
    };
    const std::optional<std::string> address = player::liveChannelAddress(arguments.name);
    if (!address) {
        tellMain(kPlaybackEnded, 0);
        return complain(
            "\"" + arguments.name + "\" is not a name of the form " + "xms://HOST[:PORT]/PATH",
            kRefusedName);
    }

    int status = kEnded;
    std::optional<player::MpvStreamPlayer> player;
    try {
        player.emplace(loop, arguments.region,
                       player::MpvStreamPlayer::Events{
                           [&](std::int64_t length) { tellMain(kPlaybackStarted, length); },
                           [&](std::int64_t position) { tellMain(kPosition, position); },
                           [&](const std::string& problem) {
                               tellMain(kPlaybackEnded, 0);
                               if (!problem.empty()) status = complain(problem, kFailed);
                               loop.quit();
                           }});
    } catch (const std::exception& e) {
        tellMain(kPlaybackEnded, 0);
        return complain(e.what(), kFailed);
    }

    const std::int64_t controlWindow = kControlWindowBase + ::getpid();
    try {
        messages.listen(controlWindow, [&](const platform::WindowMessage& record) {
            switch (record.message) {
                case kSeek:
                    player->seekTo(record.wParam);
                    break;
                case kFastForward:
                    player->seekBy(kJumpSeconds);
                    break;
                case kRewind:
                    player->seekBy(-kJumpSeconds);
                    break;
                case kPlayPause:
                    player->togglePause();
                    break;
                default:
                    break;
            }
        });
    } catch (const Error& e) {
        tellMain(kPlaybackEnded, 0);
        return complain(e.description(), kFailed);
    }
    tellMain(kControlWindow, controlWindow);
    player->open(*address, arguments.startSeconds);
    loop.run();
    messages.unlisten(controlWindow);
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    // A player whose client has gone has nobody to play for.
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);

    const std::vector<std::string_view> fields(argv + (argc > 0 ? 1 : 0), argv + argc);
    const player::ParsedArguments parsed = player::parsePlayerArguments(fields);

    const int signals = signalDescriptor();
    platform::MonotonicClock clock;
    platform::PollLoop loop(clock);
    std::optional<platform::UnixWindowMessages> messages;
    try {
        messages.emplace(loop);
    } catch (const Error& e) {
        return complain(e.description(), kFailed);
    }
    if (!parsed.arguments) {
        if (parsed.mainWindow) messages->post(*parsed.mainWindow, kPlaybackEnded, 0, 0);
        return complain(parsed.problem +
                            "\nusage: zovplayer1.exe REGION MAIN_WINDOW xms://HOST[:PORT]/PATH "
                            "[START_SECONDS]",
                        kBadCommandLine);
    }
    if (signals < 0) return complain("cannot watch for signals", kFailed);
    loop.watch(signals, platform::Interest::Read, [&](platform::Readiness) {
        signalfd_siginfo info{};
        while (::read(signals, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
        }
        loop.quit();
    });
    const int status = play(*parsed.arguments, loop, *messages);
    loop.unwatch(signals);
    ::close(signals);
    return status;
}
