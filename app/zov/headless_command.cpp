#include "headless_command.hpp"

#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "platform/cares_resolver.hpp"
#include "platform/clock.hpp"
#include "platform/curl_http_client.hpp"
#include "platform/drive_map.hpp"
#include "platform/poll_loop.hpp"
#include "platform/posix_file_system.hpp"
#include "platform/proc_process_table.hpp"
#include "platform/spawn_process_launcher.hpp"
#include "platform/unix_window_messages.hpp"
#include "shell/client.hpp"
#include "ui/headless/headless_ui_factory.hpp"

namespace zov {

int runHeadlessClient(const std::vector<std::string>& args, const std::string& clientDir) {
    for (const auto& arg : args) {
        if (arg != "--simulated-player") {
            std::cerr << "zov --headless: unknown option '" << arg << "'\n";
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
    ui::headless::HeadlessUiFactory ui(loop, fileSystem);

    shell::Client client(shell::ClientServices{loop, resolver, fileSystem, http, messages, launcher,
                                               processes, ui, clientDir, [] {
                                                   // The process ends at once: no window closes one
                                                   // by one, nothing is written.
                                                   std::cout.flush();
                                                   std::fflush(nullptr);
                                                   std::_Exit(0);
                                               }});
    client.start();
    loop.run();
    return 0;
}

}  // namespace zov
