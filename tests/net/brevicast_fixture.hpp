#pragma once
// The download engine against a scripted server on the same loop, on a temporary drive C:
// and the manual clock: the fixture the engine's tests share, with what its owner is told.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "config/media_info.hpp"
#include "net/brevicast.hpp"
#include "platform/clock.hpp"
#include "platform/error.hpp"
#include "platform/file_system.hpp"
#include "platform/poll_loop.hpp"
#include "support/loopback.hpp"
#include "support/manual_time.hpp"
#include "support/no_lookups.hpp"
#include "support/scripted_ftp_peer.hpp"
#include "support/temporary_drive.hpp"

namespace zov::test {

using namespace std::chrono_literals;
using config::MediaInfo;
using net::Brevicast;
using Lines = std::vector<std::string>;
namespace fs = std::filesystem;

// The real loop, with one fault a test can switch on: stopping a timer fails. That is the
// one way a cancel can be left unfinished.
class FaultyLoop final : public zov::platform::EventLoop {
  public:
    explicit FaultyLoop(zov::platform::PollLoop& inner) : inner_(inner) {}
    bool failToStopTimers = false;

    void setTimer(zov::platform::TimerKey key, std::int64_t ms, Callback cb) override {
        inner_.setTimer(key, ms, std::move(cb));
    }
    void killTimer(zov::platform::TimerKey key) override {
        if (failToStopTimers) throw zov::Error(17003, "Cannot stop the timer", "test");
        inner_.killTimer(key);
    }
    bool hasTimer(zov::platform::TimerKey key) const override { return inner_.hasTimer(key); }
    void watch(int fd, zov::platform::Interest interest, FdCallback cb) override {
        inner_.watch(fd, interest, std::move(cb));
    }
    void unwatch(int fd) override { inner_.unwatch(fd); }
    void post(Callback cb) override { inner_.post(std::move(cb)); }
    void processPending() override { inner_.processPending(); }
    void run() override { inner_.run(); }
    void quit() override { inner_.quit(); }
    bool runUntil(const std::function<bool()>& p, std::chrono::milliseconds w) override {
        return inner_.runUntil(p, w);
    }
    const zov::platform::Clock& clock() const override { return inner_.clock(); }
    zov::platform::TimerKey newTimerKey() override { return inner_.newTimerKey(); }

  private:
    zov::platform::PollLoop& inner_;
};

// Everything the engine's owner is told.
struct Seen {
    Lines sent;                    // onDataSend
    std::vector<int> repliesSeen;  // onServerReply count when each onDataSend came
    Lines preparation;             // onDownloadPreparation
    std::vector<std::int32_t> progress, sizes, errors, statusAtError;
    int replies = 0, timeOuts = 0, downloaded = 0;
    std::string transcript;  // the last onServerReply, unless it was huge
    std::size_t longestTranscript = 0;
    int endings() const { return static_cast<int>(errors.size()) + timeOuts + downloaded; }
};

class BrevicastTest : public ::testing::Test {
  protected:
    BrevicastTest() {
        fs::create_directories(folder());
        makeEngine(drive_.files());
        movie.setRemoteFileName("movie");
        movie.setFileExtension(".wmv");
    }
    ~BrevicastTest() override { engine.reset(); }

    // A fresh engine on this file system, pointed at the fixture's peer.
    void makeEngine(zov::platform::FileSystem& files) {
        engine = Brevicast::create(faulty, resolver, files);
        engine->setServerURL("127.0.0.1");
        engine->setPort(peer.port());
        engine->setAccount("bob");
        engine->setPass("secret");
        observe();
    }
    // A peer of its own for one case of a table, the engine pointed at it, nothing seen yet.
    ScriptedFtpPeer& freshPeer() {
        seen = {};
        engine->setPort(peers_.emplace_back(std::make_unique<ScriptedFtpPeer>(loop))->port());
        return *peers_.back();
    }
    void removeLocal() {
        fs::remove(folder() + "movie.wmv");
        fs::remove(folder() + "movie.wmv.ini");
    }

    void observe() {
        engine->onDataSend.connect([this](std::string& text) {
            seen.sent.push_back(text);
            seen.repliesSeen.push_back(seen.replies);
        });
        engine->onServerReply.connect([this](std::string& transcript) {
            ++seen.replies;
            if (transcript.size() < 65536) seen.transcript = transcript;  // a flood is not kept
            seen.longestTranscript = std::max(seen.longestTranscript, transcript.size());
        });
        engine->onDownloadPreparation.connect(
            [this](std::string& text) { seen.preparation.push_back(text); });
        engine->onDownloading.connect([this](std::int32_t& bytes) {
            seen.progress.push_back(bytes);
            checkSideFileIsBehindTheData();
        });
        engine->onFileSize.connect([this](std::int32_t& size) { seen.sizes.push_back(size); });
        engine->onError.connect([this](std::int32_t& code) {
            seen.errors.push_back(code);
            seen.statusAtError.push_back(engine->currentState());
        });
        engine->onTimeOut.connect([this] { ++seen.timeOuts; });
        engine->onDownloaded.connect([this] { ++seen.downloaded; });
    }

    // Whatever the side file claims must already be on disk, correct.
    void checkSideFileIsBehindTheData() {
        if (expected.empty()) return;
        const std::string name = movie.remoteFileName() + movie.fileExtension();
        auto side = readLocal(name + ".ini");
        if (!side) return;
        long long claimed = std::atoll(side->c_str());
        auto data = readLocal(name).value_or("");
        ASSERT_GE(claimed, 0);
        ASSERT_LE(static_cast<std::size_t>(claimed), data.size());
        ASSERT_LE(static_cast<std::size_t>(claimed), expected.size());
        ASSERT_EQ(data.compare(0, claimed, expected, 0, claimed), 0)
            << "the side file claims " << claimed << " bytes that are not on disk";
    }

    std::string folder() const { return drive_.root() + "/zov/"; }
    std::optional<std::string> readLocal(const std::string& name) const {
        std::ifstream in(folder() + name, std::ios::binary);
        if (!in) return std::nullopt;
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    void writeLocal(const std::string& name, const std::string& bytes) const {
        std::ofstream(folder() + name, std::ios::binary | std::ios::trunc) << bytes;
    }
    // Every file under drive C:, relative names.
    Lines filesOnDrive() const {
        Lines names;
        for (const auto& entry : fs::recursive_directory_iterator(drive_.root())) {
            if (entry.is_regular_file())
                names.push_back(entry.path().lexically_relative(drive_.root()));
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    void download() { engine->downloadNoTrickle(movie, mediaPath); }
    void downloadWithTrickle() { engine->downloadAndAllowTrickleDownload(movie, mediaPath); }
    bool runUntil(const std::function<bool()>& done) { return loop.runUntil(done, 10s); }
    void advance(std::int64_t ms) { zov::test::advanceTime(loop, clock, ms); }
    // An idle engine has closed its control connection; a busy one is not waited for.
    bool closedTheConnection(ScriptedFtpPeer& p) {
        return engine->currentState() == 0 && runUntil([&] { return p.controlClosedByClient(); });
    }
    bool closedTheConnection() { return closedTheConnection(peer); }
    // The script has run and the client has read every reply.
    bool scriptDone(ScriptedFtpPeer& p) {
        return runUntil([&] { return p.finished(); });
    }

    static ScriptedFtpPeer& loggedIn(ScriptedFtpPeer& p) {
        return p.greet("220 Delivery server ready")
            .expect("USER bob")
            .reply("331 Password required")
            .expect("PASS secret")
            .reply("230 Logged in");
    }
    static ScriptedFtpPeer& login(ScriptedFtpPeer& p) {
        return loggedIn(p).expect("TYPE I").reply("200 Binary");
    }
    // PASV, the REST line when there is an offset, RETR accepted.
    static ScriptedFtpPeer& retrieve(ScriptedFtpPeer& p, const std::string& rest = {}) {
        p.expect("PASV ").passive();
        if (!rest.empty()) p.expect("REST " + rest).reply("350 Restarting");
        return p.expect("RETR movie.wmv").reply("150 Opening");
    }
    // Logged in, the size told, the movie asked for.
    static ScriptedFtpPeer& negotiate(ScriptedFtpPeer& p, const std::string& size,
                                      const std::string& rest = {}) {
        return retrieve(login(p).expect("SIZE movie.wmv").reply("213 " + size), rest);
    }

    zov::platform::ManualClock clock;
    zov::platform::PollLoop loop{clock};
    FaultyLoop faulty{loop};
    NoLookups resolver;
    zov::test::TemporaryDrive drive_{"zov-engine"};
    ScriptedFtpPeer peer{loop};
    std::vector<std::unique_ptr<ScriptedFtpPeer>> peers_;
    std::shared_ptr<Brevicast> engine;
    MediaInfo movie;
    const std::string mediaPath = "C:\\zov\\";
    std::string expected;  // the movie being downloaded, for the side-file check
    Seen seen;
};

}  // namespace zov::test
