#include "headless_command.hpp"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>

#include "platform/cares_resolver.hpp"
#include "platform/clock.hpp"
#include "platform/curl_http_client.hpp"
#include "platform/drive_map.hpp"
#include "platform/error.hpp"
#include "platform/poll_loop.hpp"
#include "platform/posix_file_system.hpp"
#include "platform/proc_process_table.hpp"
#include "platform/spawn_process_launcher.hpp"
#include "platform/unix_window_messages.hpp"
#include "shell/client.hpp"
#include "shell/remote/remote_session.hpp"
#include "ui/headless/headless_ui_factory.hpp"

namespace zov {

int runHeadlessClient(const std::vector<std::string>& args, const std::string& clientDir) {
    std::string remote;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--simulated-player") continue;
        if (args[i] == "--remote" && i + 1 < args.size()) {
            remote = args[++i];
            continue;
        }
        std::cerr << "zov --headless: unknown option '" << args[i] << "'\n";
        return 2;
    }
    platform::MonotonicClock clock;
    platform::PollLoop loop(clock);
    platform::CaresResolver resolver(loop);
    platform::PosixFileSystem fileSystem(platform::DriveMap::fromSystem(), clientDir);
    platform::CurlHttpClient http;
    platform::UnixWindowMessages messages(loop);
    platform::SpawnProcessLauncher launcher(loop);
    platform::ProcProcessTable processes;
    ui::headless::HeadlessUiFactory ui(loop, fileSystem);

    shell::Client client(shell::ClientServices{loop, resolver, fileSystem, http, messages, launcher,
                                               processes, ui, clientDir, [] {
                                                   // The process ends at once: no window closes one
                                                   // by one, nothing is written.
                                                   std::cout.flush();
                                                   std::fflush(nullptr);
                                                   std::_Exit(0);
                                               }});
    // A channel client that goes away shows up as a failed write, not a killed process.
    std::signal(SIGPIPE, SIG_IGN);
    // Made before the client starts, so that its first windows are reported; destroyed
    // before the front end it watches.
    std::unique_ptr<shell::remote::RemoteSession> remoteSession;
    if (!remote.empty()) {
        try {
            remoteSession = std::make_unique<shell::remote::RemoteSession>(loop, ui, remote);
        } catch (const Error& e) {
            std::cerr << "zov --headless: " << e.description() << "\n";
            return 2;
        }
        remoteSession->Ended.connect([] {
            std::cout.flush();
            std::fflush(nullptr);
            std::_Exit(0);
        });
    }
    client.start();
    loop.run();
    return 0;
}

}  // namespace zov
