#include "client_run.hpp"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <optional>

#include "net/auth_session.hpp"
#include "platform/cares_resolver.hpp"
#include "platform/curl_http_client.hpp"
#include "platform/error.hpp"
#include "platform/event_loop.hpp"
#include "platform/http_worker.hpp"
#include "platform/proc_process_table.hpp"
#include "platform/spawn_process_launcher.hpp"
#include "platform/unix_window_messages.hpp"
#include "remote/remote_session.hpp"
#include "shell/client.hpp"
#include "shell/main_player.hpp"
#include "ui/headless/page_sources.hpp"
#include "ui/ui_factory.hpp"

namespace zov {

int runClient(platform::EventLoop& loop, platform::FileSystem& files, ui::UiFactory& ui,
              const ClientRunOptions& options) {
    platform::CaresResolver resolver(loop);
    platform::CurlHttpClient http;
    platform::UnixWindowMessages messages(loop);
    platform::SpawnProcessLauncher launcher(loop);
    platform::ProcProcessTable processes;

    std::unique_ptr<remote::RemoteSession> remoteSession;
    const auto endNow = [&remoteSession] {
        // The process ends at once: no window closes one by one, nothing else is written.
        if (remoteSession) remoteSession->drainOutput();
        std::cout.flush();
        std::fflush(nullptr);
        std::_Exit(0);
    };
    shell::Client client(
        shell::ClientServices{loop, resolver, files, http, messages, launcher, processes, ui,
                              options.clientDir, options.programFiles,
                              // One more turn of the loop first, so that the request that asked for
                              // the exit is answered on the channel.
                              [&loop, endNow] { loop.post(endNow); }});
    // A channel client that goes away shows up as a failed write, not a killed process.
    std::signal(SIGPIPE, SIG_IGN);
    // Made before the client starts, so that its first windows are reported; destroyed
    // before the front end it watches.
    if (!options.remote.empty()) {
        try {
            remoteSession = std::make_unique<remote::RemoteSession>(
                loop, ui.registry(), options.remote, options.frontEnd);
        } catch (const Error& e) {
            std::cerr << options.program << ": " << e.description() << "\n";
            return 2;
        }
        remoteSession->Ended.connect(endNow);
    }
    try {
        client.start();
    } catch (const Error& e) {
        std::cerr << options.program << ": " << e.description() << "\n";
        return 1;
    }
    // A service on other ports than the standard ones (a test or demo service).
    if (options.authPort != 0) client.mainPlayer().authSession().setAuthPort(options.authPort);
    if (!options.versionServer.empty())
        client.mainPlayer().authSession().setVersionServerURL(options.versionServer);
    loop.run();
    return 0;
}

WebPageFetcher::WebPageFetcher(platform::EventLoop& loop, ui::headless::PageSources& pages)
    : http_(std::make_unique<platform::CurlHttpClient>()),
      worker_(std::make_unique<platform::HttpWorker>(
          loop, *http_, platform::HttpLimits{.connectTimeoutMs = 5000, .totalTimeoutMs = 15000})) {
    pages.setFetcher(
        [worker = worker_.get()](const std::string& url, ui::headless::PageSources::Done done) {
            worker->get(url, [done = std::move(done)](std::optional<platform::HttpResponse> answer,
                                                      std::string) {
                if (answer && answer->status == 200)
                    done(std::move(answer->body));
                else
                    done(std::nullopt);
            });
        });
}

WebPageFetcher::~WebPageFetcher() = default;

}  // namespace zov
