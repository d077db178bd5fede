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
#include "platform/file_system.hpp"
#include "platform/poll_loop.hpp"
#include "support/loopback.hpp"
#include "support/manual_time.hpp"
#include "support/no_lookups.hpp"
#include "support/scripted_ftp_peer.hpp"
#include "support/temporary_drive.hpp"

namespace zov::test {

using namespace std::chrono_literals;
using Lines = std::vector<std::string>;
using Codes = std::vector<std::int32_t>;
namespace fs = std::filesystem;

// Everything the engine's owner is told.
struct Seen {
    Lines sent;                    // onDataSend
    std::vector<int> repliesSeen;  // onServerReply count when each onDataSend came
    Lines preparation;             // onDownloadPreparation
    Codes progress, sizes, errors, statusAtError;
    int replies = 0, timeOuts = 0, downloaded = 0;
    std::string transcript;  // the last onServerReply
    std::size_t longestTranscript = 0;
    int endings() const { return static_cast<int>(errors.size()) + timeOuts + downloaded; }
    bool progressReached(std::int32_t bytes) const {
        return !progress.empty() && progress.back() == bytes;
    }
};

class BrevicastTest : public ::testing::Test {
  protected:
    BrevicastTest() {
        fs::create_directories(folder());
        makeEngine(drive_.files());
        movie.setRemoteFileName("movie");
        movie.setFileExtension(".wmv");
    }

    // A fresh engine on this file system, pointed at the fixture's peer.
    void makeEngine(platform::FileSystem& files, platform::EventLoop* on = nullptr) {
        engine = net::Brevicast::create(on ? *on : loop, resolver, files);
        engine->setServerURL("127.0.0.1");
        engine->setPort(peer.port());
        engine->setAccount("bob");
        engine->setPass("secret");
        engine->onDataSend.connect([this](std::string& text) {
            seen.sent.push_back(text);
            seen.repliesSeen.push_back(seen.replies);
        });
        engine->onServerReply.connect([this](std::string& transcript) {
            ++seen.replies;
            seen.transcript = transcript;
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

    // Whatever the side file claims must already be on disk, correct.
    void checkSideFileIsBehindTheData() {
        if (expected.empty()) return;
        const std::string name = movie.movieFileName();
        auto side = readLocal(name + ".ini");
        if (!side) return;
        const long long claimed = std::atoll(side->c_str());
        const auto data = readLocal(name).value_or("");
        ASSERT_GE(claimed, 0);
        ASSERT_LE(static_cast<std::size_t>(claimed), std::min(data.size(), expected.size()));
        ASSERT_EQ(data.compare(0, claimed, expected, 0, claimed), 0)
            << "the side file claims " << claimed << " bytes that are not on disk";
    }

    std::string folder() const { return drive_.root() + "/zov/"; }
    std::optional<std::string> readLocal(const std::string& name) const {
        std::ifstream in(folder() + name, std::ios::binary);
        if (!in) return std::nullopt;
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    // The count the side file holds; -1 when there is none.
    long long sideCount(const std::string& name = "movie.wmv.ini") const {
        return std::atoll(readLocal(name).value_or("-1").c_str());
    }
    void writeLocal(const std::string& name, const std::string& bytes) const {
        std::ofstream(folder() + name, std::ios::binary | std::ios::trunc) << bytes;
    }

    void download(bool trickle = false) {
        if (trickle) return engine->downloadAndAllowTrickleDownload(movie, "C:\\zov\\");
        engine->downloadNoTrickle(movie, "C:\\zov\\");
    }
    bool runUntil(const std::function<bool()>& done) { return loop.runUntil(done, 10s); }
    void advance(std::int64_t ms) { advanceTime(loop, clock, ms); }
    // An idle engine has closed its control connection; a busy one is not waited for.
    bool closedTheConnection(ScriptedFtpPeer& p) {
        return engine->currentState() == 0 && runUntil([&] { return p.controlClosedByClient(); });
    }
    // The script has run and the client has read every reply.
    bool scriptDone(ScriptedFtpPeer& p) {
        return runUntil([&] { return p.finished(); });
    }

    static ScriptedFtpPeer& loggedIn(ScriptedFtpPeer& p) {
        p.greet("220 Delivery server ready").expect("USER bob").reply("331 Password required");
        return p.expect("PASS secret").reply("230 Logged in");
    }
    // Logged in, the size asked for and answered.
    static ScriptedFtpPeer& sized(ScriptedFtpPeer& p, const std::string& sizeReply) {
        loggedIn(p).expect("TYPE I").reply("200 Binary");
        return p.expect("SIZE movie.wmv").reply(sizeReply);
    }
    // PASV, the REST line when there is an offset, RETR accepted.
    static ScriptedFtpPeer& retrieve(ScriptedFtpPeer& p, const std::string& rest = {}) {
        p.expect("PASV ").passive();
        if (!rest.empty()) p.expect("REST " + rest).reply("350 Restarting");
        return p.expect("RETR movie.wmv").reply("150 Opening");
    }
    static ScriptedFtpPeer& negotiate(ScriptedFtpPeer& p, const std::string& size,
                                      const std::string& rest = {}) {
        return retrieve(sized(p, "213 " + size), rest);
    }

    platform::ManualClock clock;
    platform::PollLoop loop{clock};
    NoLookups resolver;
    TemporaryDrive drive_{"zov-engine"};
    ScriptedFtpPeer peer{loop};
    std::vector<std::unique_ptr<ScriptedFtpPeer>> peers_;
    std::shared_ptr<net::Brevicast> engine;
    config::MediaInfo movie;
    std::string expected;  // the movie being downloaded, for the side-file check
    Seen seen;
};

}  // namespace zov::test
