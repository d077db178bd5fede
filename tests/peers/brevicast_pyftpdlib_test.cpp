// The download engine against a real FTP server nobody here wrote (pyftpdlib): whole
// movies arrive byte for byte, a server that dies in the middle is survived and the next
// download resumes where the side file says.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "config/media_info.hpp"
#include "net/brevicast.hpp"
#include "platform/clock.hpp"
#include "platform/poll_loop.hpp"
#include "support/loopback.hpp"
#include "support/manual_time.hpp"
#include "support/no_lookups.hpp"
#include "support/pyftpdlib_server.hpp"
#include "support/temporary_drive.hpp"

using namespace std::chrono_literals;
using zov::net::Brevicast;

using zov::test::NoLookups;

namespace {

namespace fs = std::filesystem;

class BrevicastAgainstPyftpdlib : public ::testing::Test {
  protected:
    BrevicastAgainstPyftpdlib() {
        fs::create_directories(drive_.root() + "/zov");
        engine = Brevicast::create(loop, resolver, drive_.files());
        engine->setServerURL("127.0.0.1");
        engine->setAccount("bob");
        engine->setPass("secret");
        movie.setRemoteFileName("feature");
        movie.setFileExtension(".wmv");

        engine->onDataSend.connect([this](std::string& text) { sent.push_back(text); });
        engine->onServerReply.connect([this](std::string& text) { transcript = text; });
        engine->onDownloading.connect([this](std::int32_t& bytes) { progress = bytes; });
        engine->onError.connect([this](std::int32_t& code) { errors.push_back(code); });
        engine->onTimeOut.connect([this] { ++timeOuts; });
        engine->onDownloaded.connect([this] { ++downloaded; });
    }
    ~BrevicastAgainstPyftpdlib() override { engine.reset(); }

    void startServer() {
        server.start();
        engine->setPort(server.port());
    }
    void download() {
        sent.clear();
        progress = 0;
        engine->downloadNoTrickle(movie, "C:\\zov\\");
    }
    int endings() const { return static_cast<int>(errors.size()) + timeOuts + downloaded; }
    bool runUntil(const std::function<bool()>& done, std::chrono::seconds watchdog = 20s) {
        return loop.runUntil(done, watchdog);
    }
    // Every byte is in and the server said so; the completion check then needs a second.
    bool completes(std::int32_t size) {
        bool transferred = runUntil(
            [&] {
                return endings() > 0 ||
                       (progress == size && transcript.find("226 ") != std::string::npos);
            },
            120s);
        if (!transferred || endings() > 0) return false;
        zov::test::advanceTime(loop, clock, 1000);
        return downloaded == 1;
    }
    std::string local() const {
        std::ifstream in(drive_.root() + "/zov/feature.wmv", std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    bool localExists(const std::string& name) const {
        return fs::exists(drive_.root() + "/zov/" + name);
    }

    zov::platform::ManualClock clock;
    zov::platform::PollLoop loop{clock};
    NoLookups resolver;
    zov::test::TemporaryDrive drive_{"zov-peer"};
    zov::test::PyftpdlibServer server{"bob", "secret"};
    std::shared_ptr<Brevicast> engine;
    zov::config::MediaInfo movie;

    std::vector<std::string> sent;
    std::string transcript;
    std::int32_t progress = 0;
    std::vector<std::int32_t> errors;
    int timeOuts = 0, downloaded = 0;
};

}  // namespace

TEST_F(BrevicastAgainstPyftpdlib, A50MebibyteMovieArrivesByteForByte) {
    const std::string movie50 = zov::test::movieBytes(50u << 20, 1);
    server.putFile("feature.wmv", movie50);
    startServer();
    download();
    ASSERT_TRUE(completes(50 << 20)) << "errors " << errors.size() << ", time-outs " << timeOuts;
    EXPECT_TRUE(local() == movie50) << "the movie on disk differs from the server's";
    EXPECT_FALSE(localExists("feature.wmv.ini"));
    EXPECT_EQ(engine->currentState(), 0);
}

TEST_F(BrevicastAgainstPyftpdlib, AServerThatDiesMidwayIsSurvivedAndTheNextDownloadResumes) {
    const std::size_t size = 8u << 20;
    const std::string bytes = zov::test::movieBytes(size, 2);
    server.putFile("feature.wmv", bytes);
    server.setThrottle(2 << 20);  // slow enough to be caught in the middle
    startServer();
    download();
    ASSERT_TRUE(runUntil([&] { return progress >= (1 << 20) || endings() > 0; }));
    server.stop();  // as in a crash: every connection drops at once

    // What was under way still drains from the sockets, then nothing comes any more: at
    // the latest the inactivity time-out reports it.
    for (int second = 0; second < 600 && endings() == 0; ++second) {
        zov::test::advanceTime(loop, clock, 1000);
    }
    EXPECT_EQ(endings(), 1);
    EXPECT_EQ(downloaded, 0);
    EXPECT_EQ(engine->currentState(), 0);
    const std::int32_t interrupted = progress;
    ASSERT_GT(interrupted, 0);
    ASSERT_LT(static_cast<std::size_t>(interrupted), size);
    ASSERT_TRUE(localExists("feature.wmv.ini"));

    server.setThrottle(0);
    server.start();  // same port, same folder
    ASSERT_EQ(server.port(), static_cast<std::uint16_t>(engine->port()));
    errors.clear();
    timeOuts = 0;
    download();
    ASSERT_TRUE(completes(static_cast<std::int32_t>(size)));
    EXPECT_NE(std::find(sent.begin(), sent.end(), "REST " + std::to_string(interrupted - 1280)),
              sent.end());
    EXPECT_TRUE(local() == bytes) << "the resumed movie differs from the server's";
    EXPECT_FALSE(localExists("feature.wmv.ini"));
}

TEST_F(BrevicastAgainstPyftpdlib, AMissingMovieAndAWrongPasswordAreReportedWithTheirCodes) {
    startServer();
    download();  // nothing was put on the server
    ASSERT_TRUE(runUntil([&] { return endings() > 0; }));
    EXPECT_EQ(errors, (std::vector<std::int32_t>{1}));

    errors.clear();
    server.putFile("feature.wmv", "data");
    engine->setPass("wrong");
    download();
    ASSERT_TRUE(runUntil([&] { return endings() > 0; }));
    EXPECT_EQ(errors, (std::vector<std::int32_t>{0}));
    EXPECT_EQ(downloaded, 0);
}
