#pragma once
// A whole client on the headless front end for tests: the manual clock, real loopback
// sockets, the in-memory file system (the client folder is Z:\opt\zov), in-memory window
// messages, and fakes for the version server, the process launcher and the process list.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/cares_resolver.hpp"
#include "platform/clock.hpp"
#include "platform/http_client.hpp"
#include "platform/memory_file_system.hpp"
#include "platform/memory_window_messages.hpp"
#include "platform/poll_loop.hpp"
#include "platform/process_launcher.hpp"
#include "platform/process_table.hpp"
#include "shell/client.hpp"
#include "ui/headless/headless_ui_factory.hpp"

namespace zov::test {

// Answers every version check with the same document: no newer version.
class FakeVersionServer final : public platform::HttpClient {
  public:
    platform::HttpResponse get(const std::string& url, const platform::HttpLimits&) override;
};

// Starts nothing; the process table is empty and ends nothing.
class FakeLauncher final : public platform::ProcessLauncher {
  public:
    std::int32_t start(const std::string&, const std::vector<std::string>&) override {
        return 4242;
    }
    bool running(std::int32_t) override { return false; }
};

class NoProcesses final : public platform::ProcessTable {
  public:
    std::vector<platform::ProcessInfo> processes() const override { return {}; }
    std::optional<platform::ProcessInfo> process(std::int32_t) const override { return {}; }
    bool terminate(const platform::ProcessInfo&) override { return false; }
    std::int32_t currentProcessId() const override { return 1; }
    std::uint32_t currentUserId() const override { return 1000; }
};

class ClientFixture : public ::testing::Test {
  protected:
    // zov.ini lines (CR LF added) written into the client folder before the client starts.
    void startClient(const std::vector<std::string>& zovIni = {});
    void advance(std::int64_t ms);
    bool runUntil(const std::function<bool()>& predicate);

    static constexpr const char* kClientFolder = "/opt/zov";
    // A guide page with its four hidden fields and one item, and a banner, served to the
    // client's browsers at these addresses by serveTestGuide().
    static constexpr const char* kGuideUrl = "http://guide.test/epg";
    static constexpr const char* kBannerUrl = "http://guide.test/banner";
    void serveTestGuide();

    platform::ManualClock clock;
    platform::PollLoop loop{clock};
    platform::CaresResolver resolver{loop, {.lookups = "f"}};
    platform::MemoryFileSystem files;
    FakeVersionServer versionServer;
    platform::MemoryWindowMessages messages{loop};
    FakeLauncher launcher;
    NoProcesses processes;
    ui::headless::HeadlessUiFactory ui{loop, files};
    int processEnded = 0;
    std::unique_ptr<shell::Client> client;
};

}  // namespace zov::test
