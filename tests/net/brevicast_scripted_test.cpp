// The download engine against a scripted server on the same loop: the exact commands it
// sends, the events its owner sees and the bytes it leaves on disk.

#include "brevicast_fixture.hpp"
#include "platform/error.hpp"

using namespace zov::test;

namespace {

// --- control connection ----------------------------------------------------------------

// Replies split by the network are answered once, after their last line.
TEST_F(BrevicastTest, DownloadsAMovieWithTheWholeConversationReported) {
    expected = movieBytes(200'000);
    peer.send("220-Welcome to the delivery server\r\n").send("22").send("0 Ready\r\n");
    peer.expect("USER bob").reply("331 Password required");
    peer.expect("PASS secret").reply("230 Logged in").expect("TYPE I").reply("200 Binary");
    peer.expect("SIZE movie.wmv").reply("213 200000").expect("PASV ");
    peer.passive("127,0,0,2");  // some other host: the data still comes from the server
    peer.expect("RETR movie.wmv").send("150-Opening BINARY connection\r\n");
    peer.send("150 Here it comes\r\n").transfer({expected});
    peer.send("22").send("6 Transfer complete\r\n");
    Lines steps;
    engine->setStateTrace([&](zov::net::CommandState from, zov::net::CommandState to) {
        steps.push_back(std::string(commandStateName(from)) + ">" +
                        std::string(commandStateName(to)));
    });
    download();
    EXPECT_EQ(engine->currentState(), 1);
    ASSERT_TRUE(scriptDone(peer)) << peer.mismatch();
    EXPECT_EQ(steps, (Lines{">CONNECTING", "CONNECTING>USER", "USER>PASS", "PASS>TYPE", "TYPE>SIZE",
                            "SIZE>PASV", "PASV>RETR"}));
    advance(1000);  // the completion check, at the latest

    EXPECT_EQ(seen.downloaded, 1);
    EXPECT_EQ(seen.endings(), 1);
    EXPECT_EQ(peer.transcript(), (Lines{"USER bob", "PASS secret", "TYPE I", "SIZE movie.wmv",
                                        "PASV ", "RETR movie.wmv"}));
    // The owner sees the password: what to show is its choice.
    EXPECT_EQ(seen.sent, (Lines{"Connecting to 127.0.0.1", "USER bob", "PASS secret", "TYPE I",
                                "SIZE movie.wmv", "PASV ", "RETR movie.wmv"}));
    EXPECT_EQ(seen.repliesSeen[1], 3);  // USER went after the greeting's third piece
    EXPECT_TRUE(seen.transcript.starts_with(
        "220-Welcome to the delivery server\r\n220 Ready\r\n331 Password required\r\n"));
    EXPECT_TRUE(seen.transcript.ends_with("150 Here it comes\r\n226 Transfer complete\r\n"));
    EXPECT_EQ(seen.sizes, Codes{200'000});
    ASSERT_FALSE(seen.progress.empty());
    EXPECT_TRUE(std::is_sorted(seen.progress.begin(), seen.progress.end()));
    EXPECT_EQ(seen.progress.back(), 200'000);
    EXPECT_TRUE(seen.preparation.empty());  // nothing was resumed
    EXPECT_EQ(readLocal("movie.wmv"), expected);
    EXPECT_FALSE(readLocal("movie.wmv.ini"));  // complete: no resume counter left
    EXPECT_TRUE(closedTheConnection(peer));
}

// Every refusal and failure, with the code the owner is told. The connection is closed
// before onError, whatever the step, and nothing more is told later.
TEST_F(BrevicastTest, EachFailingStepEndsTheDownloadWithItsErrorCode) {
    // The conversation up to the transfer; a case answers one command its own way ("" is a
    // reset connection) and the server says nothing after it.
    const std::vector<std::pair<std::string, std::string>> steps = {
        {"", "220 Ready"},
        {"USER bob", "331 Password required"},
        {"PASS secret", "230 OK"},
        {"TYPE I", "200 Binary"},
        {"SIZE movie.wmv", "213 5000"},
        {"PASV ", "227"},
        {"REST 1720", "350 Restarting"},
        {"RETR movie.wmv", "150 Opening"}};
    struct Case {
        const char* what;
        std::string command, answer;
        std::int32_t code;
        bool resume = false, trickle = false;
    };
    const std::vector<Case> cases = {
        {"greeting refused", "", "421 Too many users", 0},
        {"USER refused", "USER bob", "530 Not allowed", 0},
        {"PASS refused", "PASS secret", "530 Login incorrect", 0},
        {"connection reset while logging in", "USER bob", "", 0},
        {"TYPE refused", "TYPE I", "504 No", 3},
        {"SIZE refused", "SIZE movie.wmv", "550 No such file", 1},
        {"SIZE refused in a trickle download", "SIZE movie.wmv", "550 No", 1, false, true},
        {"SIZE beyond 32 bits, that would wrap to 1,000", "SIZE movie.wmv", "213 4294968296", 1},
        {"PASV refused", "PASV ", "425 No data connection", 0},
        {"REST refused", "REST 1720", "502 No restart", 3, true},
        {"RETR refused", "RETR movie.wmv", "550 Denied", 2},
        {"connection reset during the transfer", "transfer", "", 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        removeLocal();
        if (c.resume) {
            writeLocal("movie.wmv", movieBytes(3000));
            writeLocal("movie.wmv.ini", "3000\r\n\r\n");
        }
        ScriptedFtpPeer& p = freshPeer();
        for (const auto& [command, answer] : steps) {
            if (command == "REST 1720" && !c.resume) continue;
            if (!command.empty()) p.expect(command);
            if (command == c.command) {
                c.answer.empty() ? p.resetControl() : p.reply(c.answer);
                break;
            }
            answer == "227" ? p.passive() : p.reply(answer);
        }
        if (c.command == "transfer")
            p.transfer({movieBytes(5000), 2000, DataEnd::Stall}).resetControl();
        download(c.trickle);
        ASSERT_TRUE(runUntil([&] { return seen.endings() > 0; })) << p.mismatch();
        EXPECT_EQ(seen.errors, Codes{c.code});
        EXPECT_EQ(seen.statusAtError, Codes{0});
        EXPECT_TRUE(scriptDone(p)) << p.mismatch();
        EXPECT_TRUE(c.answer.empty() || closedTheConnection(p));  // a reset leaves none
        EXPECT_EQ(engine->currentState(), 0);
        advance(60'000);
        EXPECT_EQ(seen.endings(), 1);
    }
    // A USER that needs no password goes on to TYPE.
    ScriptedFtpPeer& p = freshPeer();
    p.greet("220 Ready").expect("USER bob").reply("230 No password needed");
    p.expect("TYPE I").reply("200 Binary").expect("SIZE movie.wmv").reply("550 No");
    download();
    ASSERT_TRUE(scriptDone(p)) << p.mismatch();
    EXPECT_TRUE(runUntil([&] { return seen.errors == Codes{1}; }));
}

TEST_F(BrevicastTest, AnUnreachableServerIsError0AndADownloadStartedFromItsHandlerGoesOn) {
    // The queue starts the next movie from its error handler; the failed connection's
    // clean-up must not end that new download.
    const ClosedLoopbackPort closed;
    engine->setPort(closed.port());
    engine->onError.connect([this](std::int32_t& code) {  // in place of the fixture's
        seen.errors.push_back(code);
        engine->setPort(peer.port());
        download();
    });
    download();
    ASSERT_TRUE(runUntil([&] { return peer.controlConnections() == 1; }));
    EXPECT_EQ(engine->currentState(), 1);
    EXPECT_EQ(seen.errors, Codes{0});
}

TEST_F(BrevicastTest, SilenceEndsTheDownloadAfterThirtySecondsWithATimeOut) {
    // A server that never greets: counted from the connect attempt.
    download();
    ASSERT_TRUE(runUntil([&] { return peer.controlConnections() == 1; }));
    advance(29'999);
    EXPECT_EQ(seen.timeOuts, 0);
    advance(1);
    EXPECT_EQ(seen.timeOuts, 1);
    EXPECT_TRUE(seen.errors.empty());
    EXPECT_TRUE(peer.transcript().empty());
    EXPECT_TRUE(closedTheConnection(peer));

    // A data connection that stalls: counted from the last block, which came 20 s after
    // the server's last reply, with a 226 that is not believed before the last byte.
    seen = {};
    expected = movieBytes(5000);
    negotiate(peer.nextConnection(), "5000").pause().transfer({expected, 3000, DataEnd::Stall});
    peer.reply("226 Transfer complete");
    download();
    ASSERT_TRUE(runUntil([&] { return engine->currentState() == 2; }));
    advance(20'000);
    peer.resume();
    ASSERT_TRUE(scriptDone(peer)) << peer.mismatch();
    advance(20'000);
    EXPECT_EQ(seen.timeOuts, 0);
    advance(10'000);
    EXPECT_EQ(seen.timeOuts, 1);
    EXPECT_EQ(seen.downloaded, 0);
    EXPECT_EQ(sideCount(), 3000);  // resumable
    advance(60'000);
    EXPECT_EQ(seen.endings(), 1);  // the completion check died with the download

    // The same 226 arriving only after the time-out crosses the engine's close: ignored.
    seen = {};
    negotiate(peer.nextConnection(), "5000", "1720")
        .transfer({expected, 4000, DataEnd::Stall})
        .pause()
        .reply("226 Transfer complete");
    download();
    ASSERT_TRUE(runUntil([&] { return seen.progressReached(4000); })) << peer.mismatch();
    advance(30'000);
    ASSERT_EQ(seen.timeOuts, 1);
    peer.resume();
    ASSERT_TRUE(scriptDone(peer)) << peer.mismatch();
    advance(60'000);
    EXPECT_EQ(seen.endings(), 1);
    EXPECT_EQ(sideCount(), 4000);

    // The tail of a trickle download that stalls.
    seen = {};
    removeLocal();
    negotiate(peer.nextConnection(), "600000", "100000")
        .transfer({movieBytes(600'000), 300'000, DataEnd::Stall});
    download(true);
    ASSERT_TRUE(scriptDone(peer)) << peer.mismatch();
    advance(30'000);
    EXPECT_EQ(seen.timeOuts, 1);
    EXPECT_TRUE(closedTheConnection(peer));  // idle: the queue may start the next movie
    advance(60'000);
    EXPECT_EQ(seen.endings(), 1);
}

// The fixture's loop, whose timers can be made to refuse to stop.
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

TEST_F(BrevicastTest, ACancelThatCouldNotFinishIsReportedAsError4AndTheNextDownloadGoesOn) {
    FaultyLoop faulty(loop);
    makeEngine(drive_.files(), &faulty);
    // The engine goes before the loop it was made on.
    const std::shared_ptr<void> goesFirst(nullptr, [&](void*) { engine.reset(); });
    expected = movieBytes(5000);
    negotiate(peer, "5000").transfer({expected, 3000, DataEnd::Stall}).nextConnection();
    negotiate(peer, "5000", "1720").transfer({expected}).reply("226 Done");
    download();
    ASSERT_TRUE(runUntil([&] { return seen.progressReached(3000); }));
    faulty.failToStopTimers = true;
    EXPECT_THROW(engine->cancelCurrentDownload(), zov::Error);
    faulty.failToStopTimers = false;
    EXPECT_EQ(engine->currentState(), 3);

    download();
    EXPECT_EQ(seen.errors, Codes{4});
    EXPECT_EQ(engine->currentState(), 1);  // it starts anyway
    ASSERT_TRUE(scriptDone(peer)) << peer.mismatch();
    advance(1000);
    EXPECT_EQ(seen.downloaded, 1);
    EXPECT_EQ(readLocal("movie.wmv"), expected);
}

TEST_F(BrevicastTest, CancelTellsNothingAndTheSameMovieResumesLater) {
    expected = movieBytes(50'000);
    negotiate(peer, "50000").transfer({expected, 20'000, DataEnd::Stall}).nextConnection();
    negotiate(peer, "50000", "18720").transfer({expected}).reply("226 Done");
    download();
    ASSERT_TRUE(runUntil([&] { return seen.progressReached(20'000); }));
    engine->cancelCurrentDownload();
    EXPECT_EQ(engine->currentState(), 0);
    advance(60'000);
    EXPECT_EQ(seen.endings(), 0);
    EXPECT_EQ(sideCount(), 20'000);

    download();
    ASSERT_TRUE(scriptDone(peer)) << peer.mismatch();
    advance(1000);
    EXPECT_EQ(seen.downloaded, 1);
    EXPECT_EQ(seen.preparation, (Lines{"Preparing Download"}));
    EXPECT_EQ(readLocal("movie.wmv"), expected);
}

// --- completion -----------------------------------------------------------------------

// Without a size (none given, or 0) the end of the movie is the data connection's close:
// the download completes at the first check after it, and never while it is open.
TEST_F(BrevicastTest, AnUnknownSizeCompletesAtTheFirstCheckAfterTheDataConnectionCloses) {
    expected = movieBytes(4000);
    for (const char* size : {"unknown", "0"}) {
        for (DataEnd end : {DataEnd::Close, DataEnd::Stall}) {
            SCOPED_TRACE(std::string(size) + (end == DataEnd::Close ? ", closed" : ", open"));
            removeLocal();
            ScriptedFtpPeer& p = freshPeer();
            negotiate(p, size).transfer({expected, std::string::npos, end}).reply("226 Done");
            download();
            ASSERT_TRUE(scriptDone(p)) << p.mismatch();
            EXPECT_EQ(seen.sizes, Codes{0});
            advance(999);
            EXPECT_EQ(seen.downloaded, 0);
            advance(1);
            EXPECT_EQ(seen.downloaded, end == DataEnd::Close ? 1 : 0);
            EXPECT_EQ(readLocal("movie.wmv"), expected);
            engine->cancelCurrentDownload();
        }
    }
}

// The tail is asked for as .wmv, whatever the movie's extension, then the whole movie. A
// movie shorter than the tail comes whole at once.
TEST_F(BrevicastTest, ATrickleDownloadFetchesTheTailFirstThenTheWholeMovie) {
    expected = movieBytes(2'000'000);
    movie.setFileExtension(".asf");
    negotiate(peer, "2000000", "1500000").transfer({expected}).reply("226 Tail done");
    download(true);
    ASSERT_TRUE(scriptDone(peer)) << peer.mismatch();
    EXPECT_EQ(seen.preparation,
              (Lines{"Prepare file for trickle download (bytes remaining): 1000000",
                     "Prepare file for trickle download (bytes remaining): 0"}));
    EXPECT_TRUE(seen.progress.empty());  // the tail is not progress
    const auto local = readLocal("movie.asf").value_or("");
    ASSERT_EQ(local.size(), 2'000'000u);
    EXPECT_EQ(local.substr(0, 1'500'000), std::string(1'500'000, '\0'));
    EXPECT_EQ(local.substr(1'500'000), expected.substr(1'500'000));

    retrieve(peer).transfer({expected}).reply("226 Done");
    advance(1000);  // the tail's completion check starts the whole file
    ASSERT_TRUE(scriptDone(peer)) << peer.mismatch();
    advance(1000);
    EXPECT_EQ(seen.downloaded, 1);
    EXPECT_EQ(peer.transcript(),
              (Lines{"USER bob", "PASS secret", "TYPE I", "SIZE movie.wmv", "PASV ", "REST 1500000",
                     "RETR movie.wmv", "PASV ", "RETR movie.wmv"}));
    EXPECT_EQ(seen.progress.back(), 2'000'000);
    EXPECT_EQ(readLocal("movie.asf"), expected);
    EXPECT_FALSE(readLocal("movie.asf.ini"));

    expected = movieBytes(10'000);
    ScriptedFtpPeer& p = freshPeer();
    negotiate(p, "10000").transfer({expected}).reply("226 Done");
    download(true);
    ASSERT_TRUE(scriptDone(p)) << p.mismatch();
    advance(1000);
    EXPECT_EQ(seen.downloaded, 1);
    EXPECT_EQ(readLocal("movie.asf"), expected);
}

// --- hostile or broken servers and names ------------------------------------------------

// Line breaks and NULs never reach a command line, and a name never leaves the download
// folder; nothing is written.
TEST_F(BrevicastTest, ValuesThatWouldBreakACommandOrLeaveTheFolderAreNeverUsed) {
    struct Case {
        const char* what;
        std::string account, pass, name, extension = ".wmv";
    };
    const std::vector<Case> cases = {
        {"account with CR LF", "bob\r\nDELE x", "secret", "movie"},
        {"password with LF", "bob", "secret\nDELE x", "movie"},
        {"name with CR LF", "bob", "secret", "movie\r\nDELE x"},
        {"name with NUL", "bob", "secret", std::string("mo\0vie", 6)},
        {"parent folder", "bob", "secret", "..\\escaped"},
        {"dot dot", "bob", "secret", "..", ""},
        {"extension leaving", "bob", "secret", "movie", ".wmv\\..\\..\\escaped"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedFtpPeer& p = freshPeer();
        // The server goes along as far as the client does.
        loggedIn(p).expect("TYPE I").reply("200 Binary");
        p.expect("SIZE " + c.name + c.extension).reply("213 5").expect("PASV ").passive();
        engine->setAccount(c.account);
        engine->setPass(c.pass);
        movie.setRemoteFileName(c.name);
        movie.setFileExtension(c.extension);
        download();
        ASSERT_TRUE(runUntil([&] { return seen.endings() > 0; })) << p.mismatch();
        EXPECT_EQ(seen.errors, Codes{c.account == "bob" && c.pass == "secret" ? 1 : 0});
        for (const auto& line : p.transcript()) {
            EXPECT_EQ(line.find("DELE"), std::string::npos) << line;
            EXPECT_EQ(line.find('\0'), std::string::npos) << line;
        }
        EXPECT_EQ(p.dataConnections(), 0);
        EXPECT_EQ(std::distance(fs::recursive_directory_iterator(drive_.root()), {}), 1);
        EXPECT_EQ(engine->currentState(), 0);
    }
}

// The transcript the owner is shown stays bounded and starts at a line.
TEST_F(BrevicastTest, AServerThatNeverStopsTalkingCannotExhaustMemory) {
    const std::string line = "220-and more of the same greeting\r\n";
    std::string flood;
    while (flood.size() < (4u << 20))
        flood += line;
    peer.greet("220-Welcome").send(flood);
    download();
    ASSERT_TRUE(runUntil([&] { return peer.finished() || peer.controlClosedByClient(); }));
    EXPECT_LT(seen.longestTranscript, flood.size() / 16);
    EXPECT_TRUE(seen.transcript.starts_with(line));
    EXPECT_EQ(seen.endings(), 0);
}

// A size that would wrap to 1,000 in 32 bits ends the download instead.
TEST_F(BrevicastTest, ASizeBeyond32BitsEndsTheDownloadInsteadOfWrapping) {
    sized(peer, "213 4294968296");
    download();
    ASSERT_TRUE(runUntil([&] { return seen.endings() > 0; })) << peer.mismatch();
    EXPECT_EQ(seen.errors.size(), 1u);
    EXPECT_EQ(std::count(seen.sizes.begin(), seen.sizes.end(), 1000), 0);
    EXPECT_EQ(engine->currentState(), 0);
}

}  // namespace
