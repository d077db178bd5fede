#include "headless_command.hpp"

#include <cstdint>
#include <iostream>
#include <memory>

#include "client_folders.hpp"
#include "client_run.hpp"
#include "platform/clock.hpp"
#include "platform/drive_map.hpp"
#include "platform/poll_loop.hpp"
#include "platform/port_number.hpp"
#include "platform/posix_file_system.hpp"
#include "ui/headless/headless_ui_factory.hpp"
#include "ui/mpv/mpv_media_player.hpp"

namespace zov {

int runHeadlessClient(const std::vector<std::string>& args, const ClientFolders& folders) {
    std::string remote, versionServer;
    std::int32_t authPort = 0;
    bool simulatedPlayer = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const bool hasValue = i + 1 < args.size();
        if (args[i] == "--simulated-player") {
            simulatedPlayer = true;
        } else if (args[i] == "--remote" && hasValue) {
            remote = args[++i];
        } else if (args[i] == "--version-server" && hasValue) {
            versionServer = args[++i];
        } else if (args[i] == "--auth-port" && hasValue) {
            authPort = platform::portNumber(args[++i]).value_or(0);
            if (authPort == 0) {
                std::cerr << "zov --headless: '--auth-port' takes a port from 1 to 65535\n";
                return 2;
            }
        } else {
            std::cerr << "zov --headless: unknown option '" << args[i] << "'\n";
            return 2;
        }
    }
    platform::MonotonicClock clock;
    platform::PollLoop loop(clock);
    platform::PosixFileSystem fileSystem(platform::DriveMap::fromSystem(), folders.client);
    ui::headless::HeadlessUiFactory ui(loop, fileSystem);
    // Guide and banner pages come from the service's web server, off the loop.
    WebPageFetcher pages(loop, ui.pages());
    if (!simulatedPlayer) {
        ui.setMediaPlayerMaker(
            [&](ui::ControlName name) -> std::shared_ptr<ui::MediaPlayerControl> {
                return ui::mpv::MpvMediaPlayer::create(std::move(name), loop, fileSystem);
            });
    }
    return runClient(loop, fileSystem, ui,
                     {folders.client, folders.programFiles, remote, versionServer, authPort,
                      "headless", "zov --headless"});
}

}  // namespace zov
