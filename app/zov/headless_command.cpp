#include "headless_command.hpp"

#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <optional>

#include "net/auth_session.hpp"
#include "platform/cares_resolver.hpp"
#include "platform/clock.hpp"
#include "platform/curl_http_client.hpp"
#include "platform/drive_map.hpp"
#include "platform/error.hpp"
#include "platform/http_worker.hpp"
#include "platform/poll_loop.hpp"
#include "platform/port_number.hpp"
#include "platform/posix_file_system.hpp"
#include "platform/proc_process_table.hpp"
#include "platform/spawn_process_launcher.hpp"
#include "platform/unix_window_messages.hpp"
#include "remote/remote_session.hpp"
#include "shell/client.hpp"
#include "shell/main_player.hpp"
#include "ui/headless/headless_ui_factory.hpp"
#include "ui/mpv/mpv_media_player.hpp"

namespace zov {

int runHeadlessClient(const std::vector<std::string>& args, const std::string& clientDir) {
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
    platform::CaresResolver resolver(loop);
    platform::PosixFileSystem fileSystem(platform::DriveMap::fromSystem(), clientDir);
    platform::CurlHttpClient http;
    platform::UnixWindowMessages messages(loop);
    platform::SpawnProcessLauncher launcher(loop);
    platform::ProcProcessTable processes;
    // Guide and banner pages come from the service's web server, off the loop.
    platform::CurlHttpClient pageHttp;
    platform::HttpWorker pageWorker(loop, pageHttp,
                                    {.connectTimeoutMs = 5000, .totalTimeoutMs = 15000});
    ui::headless::HeadlessUiFactory ui(loop, fileSystem);
    ui.pages().setFetcher(
        [&pageWorker](const std::string& url, ui::headless::PageSources::Done done) {
            pageWorker.get(url, [done = std::move(done)](
                                    std::optional<platform::HttpResponse> answer, std::string) {
                if (answer && answer->status == 200)
                    done(std::move(answer->body));
                else
                    done(std::nullopt);
            });
        });
    if (!simulatedPlayer) {
        ui.setMediaPlayerMaker(
            [&](ui::ControlName name) -> std::shared_ptr<ui::MediaPlayerControl> {
                return ui::mpv::MpvMediaPlayer::create(std::move(name), loop, fileSystem);
            });
    }

    std::unique_ptr<remote::RemoteSession> remoteSession;
    const auto endNow = [&remoteSession] {
        // The process ends at once: no window closes one by one, nothing else is written.
        if (remoteSession) remoteSession->drainOutput();
        std::cout.flush();
        std::fflush(nullptr);
        std::_Exit(0);
    };
    shell::Client client(shell::ClientServices{
        loop, resolver, fileSystem, http, messages, launcher, processes, ui, clientDir,
        // One more turn of the loop first, so that the request that asked for the exit is
        // answered on the channel.
        [&loop, endNow] { loop.post(endNow); }});
    // A channel client that goes away shows up as a failed write, not a killed process.
    std::signal(SIGPIPE, SIG_IGN);
    // Made before the client starts, so that its first windows are reported; destroyed
    // before the front end it watches.
    if (!remote.empty()) {
        try {
            remoteSession = std::make_unique<remote::RemoteSession>(loop, ui.registry(), remote);
        } catch (const Error& e) {
            std::cerr << "zov --headless: " << e.description() << "\n";
            return 2;
        }
        remoteSession->Ended.connect(endNow);
    }
    try {
        client.start();
    } catch (const Error& e) {
        std::cerr << "zov --headless: " << e.description() << "\n";
        return 1;
    }
    // A service on other ports than the standard ones (a test or demo service).
    if (authPort != 0) client.mainPlayer().authSession().setAuthPort(authPort);
    if (!versionServer.empty())
        client.mainPlayer().authSession().setVersionServerURL(versionServer);
    loop.run();
    return 0;
}

}  // namespace zov
