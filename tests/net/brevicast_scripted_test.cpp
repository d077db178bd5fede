// The download engine against a scripted server on the same loop: the exact commands it
// sends, the events its owner sees and the bytes it leaves on disk.

#include "brevicast_fixture.hpp"

using namespace zov::test;

namespace {

// --- control connection ----------------------------------------------------------------

TEST_F(BrevicastTest, DownloadsAMovieWithTheWholeConversationReported) {
    expected = movieBytes(200'000);
    login(peer)
        .expect("SIZE movie.wmv")
        .reply("213 200000")
        .expect("PASV ")
        .passive()
        .expect("RETR movie.wmv")
        .reply("150 Opening BINARY connection")
        .transfer({expected})
        .reply("226 Transfer complete");
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
    EXPECT_EQ(engine->currentState(), 0);
    EXPECT_EQ(peer.transcript(), (Lines{"USER bob", "PASS secret", "TYPE I", "SIZE movie.wmv",
                                        "PASV ", "RETR movie.wmv"}));
    // The owner sees the password: what to show is its choice.
    EXPECT_EQ(seen.sent, (Lines{"Connecting to 127.0.0.1", "USER bob", "PASS secret", "TYPE I",
                                "SIZE movie.wmv", "PASV ", "RETR movie.wmv"}));
    EXPECT_EQ(seen.sizes, (std::vector<std::int32_t>{200'000}));
    ASSERT_FALSE(seen.progress.empty());
    EXPECT_TRUE(std::is_sorted(seen.progress.begin(), seen.progress.end()));
    EXPECT_EQ(seen.progress.back(), 200'000);
    EXPECT_EQ(readLocal("movie.wmv"), expected);
    EXPECT_FALSE(readLocal("movie.wmv.ini"));  // complete: no resume counter left
    EXPECT_TRUE(closedTheConnection());
}

TEST_F(BrevicastTest, AGreetingSplitAcrossReceivesIsAnsweredOnceAfterItsLastLine) {
    peer.sendInPieces({"220-Welcome to the delivery server\r\n", "220 Ready\r\n"})
        .expect("USER bob");
    download();
    ASSERT_TRUE(scriptDone(peer));
    EXPECT_EQ(peer.transcript(), (Lines{"USER bob"}));
    ASSERT_EQ(seen.sent.size(), 2u);
    EXPECT_EQ(seen.repliesSeen[1], 2);  // USER went out only after the second receive
}

TEST_F(BrevicastTest, AReplyWhoseCodeIsSplitIsAnsweredOnceItsLineIsComplete) {
    peer.sendInPieces({"22", "0 Ready", "\r\n"}).expect("USER bob");
    download();
    ASSERT_TRUE(scriptDone(peer));
    EXPECT_EQ(seen.repliesSeen.back(), 3);  // nothing was answered before the line end
    EXPECT_EQ(seen.transcript, "220 Ready\r\n");
    EXPECT_EQ(peer.transcript(), (Lines{"USER bob"}));
}

TEST_F(BrevicastTest, AUserAcceptedWithoutPasswordGoesOnToTypeAndAMissingMovieIsError1) {
    peer.greet("220 Ready")
        .expect("USER bob")
        .reply("230 No password needed")
        .expect("TYPE I")
        .reply("200 Binary")
        .expect("SIZE movie.wmv")
        .reply("550 No such file");
    download();
    ASSERT_TRUE(runUntil([&] { return seen.endings() > 0; }));
    EXPECT_EQ(seen.errors, (std::vector<std::int32_t>{1}));
    EXPECT_EQ(seen.statusAtError, (std::vector<std::int32_t>{0}));  // closed before telling
    EXPECT_EQ(peer.transcript(), (Lines{"USER bob", "TYPE I", "SIZE movie.wmv"}));
    EXPECT_TRUE(closedTheConnection());
    advance(60'000);
    EXPECT_EQ(seen.endings(), 1);  // and nothing more later
}

// Every refusal and failure, with the code the owner is told. The connection is closed
// before onError, whatever the step.
TEST_F(BrevicastTest, EachFailingStepEndsTheDownloadWithItsErrorCode) {
    struct Case {
        const char* what;
        std::function<void(ScriptedFtpPeer&)> script;
        std::int32_t code;
        bool resume = false;
    };
    auto upToSize = [](ScriptedFtpPeer& p) -> ScriptedFtpPeer& {
        return login(p).expect("SIZE movie.wmv").reply("213 5000");
    };
    const std::vector<Case> cases = {
        {"greeting refused", [](auto& p) { p.greet("421 Too many users"); }, 0},
        {"USER refused",
         [](auto& p) { p.greet("220 Ready").expect("USER bob").reply("530 Not allowed"); }, 0},
        {"PASS refused",
         [](auto& p) {
             p.greet("220 Ready")
                 .expect("USER bob")
                 .reply("331 Password")
                 .expect("PASS secret")
                 .reply("530 Login incorrect");
         },
         0},
        {"TYPE refused", [](auto& p) { loggedIn(p).expect("TYPE I").reply("504 No"); }, 3},
        {"PASV refused",
         [&](auto& p) { upToSize(p).expect("PASV ").reply("425 No data connection"); }, 0},
        {"REST refused",
         [&](auto& p) {
             upToSize(p).expect("PASV ").passive().expect("REST 1720").reply("502 No restart");
         },
         3, true},
        {"RETR refused",
         [&](auto& p) {
             upToSize(p).expect("PASV ").passive().expect("RETR movie.wmv").reply("550 Denied");
         },
         2},
        {"connection reset while logging in",
         [](auto& p) { p.greet("220 Ready").expect("USER bob").resetControl(); }, 0},
        {"connection reset during the transfer",
         [](auto& p) {
             negotiate(p, "5000").transfer({movieBytes(5000), 2000, DataEnd::Stall}).resetControl();
         },
         2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        seen = {};
        std::error_code ignored;
        fs::remove(folder() + "movie.wmv", ignored);
        fs::remove(folder() + "movie.wmv.ini", ignored);
        if (c.resume) {
            writeLocal("movie.wmv", movieBytes(3000));
            writeLocal("movie.wmv.ini", "3000\r\n\r\n");
        }
        ScriptedFtpPeer p(loop);
        c.script(p);
        engine->setPort(p.port());
        download();
        ASSERT_TRUE(runUntil([&] { return seen.endings() > 0; })) << p.mismatch();
        EXPECT_EQ(seen.errors, (std::vector<std::int32_t>{c.code}));
        EXPECT_EQ(seen.statusAtError, (std::vector<std::int32_t>{0}));
        EXPECT_EQ(engine->currentState(), 0);
        EXPECT_TRUE(runUntil([&] { return p.finished(); })) << p.mismatch();
        advance(60'000);
        EXPECT_EQ(seen.endings(), 1);
    }
}

TEST_F(BrevicastTest, AServerThatCannotBeReachedIsError0) {
    engine->setPort(closedLoopbackPort());
    download();
    ASSERT_TRUE(runUntil([&] { return seen.endings() > 0; }));
    EXPECT_EQ(seen.errors, (std::vector<std::int32_t>{0}));
    EXPECT_EQ(engine->currentState(), 0);
}

TEST_F(BrevicastTest, ADownloadStartedFromTheErrorHandlerIsNotClosedBehindIt) {
    // The queue starts the next movie from its error handler; the failed connection's
    // clean-up must not end that new download.
    engine->setPort(closedLoopbackPort());
    engine->onError.connect([this](std::int32_t& code) {
        seen.errors.push_back(code);
        engine->setPort(peer.port());
        download();
    });
    download();
    ASSERT_TRUE(runUntil([&] { return !seen.errors.empty(); }));
    ASSERT_TRUE(runUntil([&] { return peer.controlConnections() == 1; }));
    EXPECT_EQ(engine->currentState(), 1);
    EXPECT_EQ(seen.errors, (std::vector<std::int32_t>{0}));
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
    EXPECT_EQ(engine->currentState(), 0);
    EXPECT_TRUE(peer.transcript().empty());
    EXPECT_TRUE(closedTheConnection());

    // A data connection that stalls: counted from the last block, which came 20 s after
    // the server's last reply.
    seen = {};
    peer.nextConnection();
    negotiate(peer, "5000").pause().transfer({movieBytes(5000), 3000, DataEnd::Stall});
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
    EXPECT_EQ(readLocal("movie.wmv.ini").value_or("").substr(0, 4), "3000");  // resumable

    // A 227 without a readable address.
    seen = {};
    peer.nextConnection();
    login(peer).expect("SIZE movie.wmv").reply("213 5000").expect("PASV ").reply("227 Later");
    download();
    ASSERT_TRUE(scriptDone(peer)) << peer.mismatch();
    advance(30'000);
    EXPECT_EQ(seen.timeOuts, 1);
    EXPECT_EQ(seen.endings(), 1);
}

TEST_F(BrevicastTest, ACancelThatCouldNotFinishIsReportedAsError4AndTheNextDownloadGoesOn) {
    expected = movieBytes(5000);
    negotiate(peer, "5000").transfer({expected, 3000, DataEnd::Stall}).nextConnection();
    negotiate(peer, "5000", "1720").transfer({expected}).reply("226 Done");
    download();
    ASSERT_TRUE(runUntil([&] { return !seen.progress.empty() && seen.progress.back() == 3000; }));
    faulty.failToStopTimers = true;
    EXPECT_THROW(engine->cancelCurrentDownload(), zov::Error);
    faulty.failToStopTimers = false;
    EXPECT_EQ(engine->currentState(), 3);

    download();
    EXPECT_EQ(seen.errors, (std::vector<std::int32_t>{4}));
    EXPECT_EQ(engine->currentState(), 1);  // it starts anyway
    ASSERT_TRUE(scriptDone(peer)) << peer.mismatch();
    advance(1000);
    EXPECT_EQ(seen.downloaded, 1);
    EXPECT_EQ(readLocal("movie.wmv"), expected);
}

// --- data transfer and resume ---------------------------------------------------------

TEST_F(BrevicastTest, ASideFileResumesJustBeforeItsCountEvenWhenTrickleIsAllowed) {
    expected = movieBytes(10'000);
    // The first 1,720 bytes are right; the rest of the old data must be written over.
    writeLocal("movie.wmv", expected.substr(0, 1720) + std::string(1280, 'X'));
    writeLocal("movie.wmv.ini", "3000\r\n\r\n");
    negotiate(peer, "10000", "1720").transfer({expected}).reply("226 Done");
    downloadWithTrickle();
    ASSERT_TRUE(scriptDone(peer)) << peer.mismatch();
    advance(1000);

    EXPECT_EQ(seen.downloaded, 1);
    EXPECT_EQ(seen.preparation, (Lines{"Preparing Download"}));  // no zero-filled file
    EXPECT_EQ(peer.dataBytesSent(), 10'000u - 1720u);
    EXPECT_EQ(seen.progress.back(), 10'000);
    EXPECT_EQ(readLocal("movie.wmv"), expected);
    EXPECT_FALSE(readLocal("movie.wmv.ini"));
}

TEST_F(BrevicastTest, AnUnusableSideFileStartsFromTheBeginningWithoutTrickle) {
    expected = movieBytes(3000);
    bool first = true;
    // Text, a count too small to go back 1,280 bytes, nothing, a count beyond 32 bits.
    for (const char* side : {"not a number\r\n\r\n", "1279\r\n\r\n", "", "4294970000\r\n"}) {
        SCOPED_TRACE(side);
        seen = {};
        writeLocal("movie.wmv", std::string(100, 'X'));
        writeLocal("movie.wmv.ini", side);
        if (!first) peer.nextConnection();
        first = false;
        negotiate(peer, "3000").transfer({expected}).reply("226 Done");  // no REST: never negative
        downloadWithTrickle();
        ASSERT_TRUE(scriptDone(peer)) << peer.mismatch();
        advance(1000);
        EXPECT_EQ(seen.preparation, (Lines{"Preparing Download"}));
        EXPECT_EQ(seen.downloaded, 1);
        EXPECT_EQ(readLocal("movie.wmv"), expected);
    }
}

TEST_F(BrevicastTest, CancelLeavesTheFilesAndTheSameMovieResumesLater) {
    expected = movieBytes(50'000);
    negotiate(peer, "50000").transfer({expected, 20'000, DataEnd::Stall}).nextConnection();
    download();
    ASSERT_TRUE(runUntil([&] { return !seen.progress.empty() && seen.progress.back() == 20'000; }));
    engine->cancelCurrentDownload();
    EXPECT_EQ(engine->currentState(), 0);
    advance(60'000);
    EXPECT_EQ(seen.endings(), 0);  // a cancel tells nothing
    EXPECT_EQ(readLocal("movie.wmv.ini").value_or("").substr(0, 5), "20000");

    negotiate(peer, "50000", "18720").transfer({expected}).reply("226 Done");
    download();
    ASSERT_TRUE(scriptDone(peer)) << peer.mismatch();
    advance(1000);
    EXPECT_EQ(seen.downloaded, 1);
    EXPECT_EQ(readLocal("movie.wmv"), expected);
}

TEST_F(BrevicastTest, AFreshDownloadWritesOverAnOldLongerFileAndCutsItsTail) {
    expected = movieBytes(5000);
    writeLocal("movie.wmv", std::string(8000, 'X'));  // no side file: not a resume
    negotiate(peer, "5000").transfer({expected}).reply("226 Done");
    download();
    ASSERT_TRUE(scriptDone(peer)) << peer.mismatch();
    advance(1000);
    EXPECT_EQ(seen.downloaded, 1);
    EXPECT_TRUE(seen.preparation.empty());  // nothing was resumed
    EXPECT_EQ(readLocal("movie.wmv"), expected);
}

TEST_F(BrevicastTest, ASizeThatIsNotANumberCompletesAtTheFirstCheckAfterTheTransfer) {
    expected = movieBytes(4000);
    negotiate(peer, "unknown").transfer({expected}).reply("226 Done");
    download();
    ASSERT_TRUE(scriptDone(peer)) << peer.mismatch();
    EXPECT_EQ(seen.sizes, (std::vector<std::int32_t>{0}));
    advance(999);
    EXPECT_EQ(seen.downloaded, 0);
    advance(1);
    EXPECT_EQ(seen.downloaded, 1);
    EXPECT_EQ(readLocal("movie.wmv"), expected);
}

TEST_F(BrevicastTest, ATrickleDownloadFetchesTheTailFirstThenTheWholeMovie) {
    expected = movieBytes(2'000'000);
    negotiate(peer, "2000000", "1500000").transfer({expected}).reply("226 Tail done");
    movie.setFileExtension(".asf");  // the tail is always asked for as .wmv
    downloadWithTrickle();
    ASSERT_TRUE(scriptDone(peer)) << peer.mismatch();
    EXPECT_EQ(seen.preparation,
              (Lines{"Prepare file for trickle download (bytes remaining): 1000000",
                     "Prepare file for trickle download (bytes remaining): 0"}));
    EXPECT_TRUE(seen.progress.empty());  // the tail is not progress
    auto local = readLocal("movie.asf").value_or("");
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
}

TEST_F(BrevicastTest, TheWholeFileOfATrickleDownloadIsNotDoneBeforeItsLastByte) {
    expected = movieBytes(600'000);
    negotiate(peer, "600000", "100000").transfer({expected}).reply("226 Tail done");
    downloadWithTrickle();
    ASSERT_TRUE(scriptDone(peer)) << peer.mismatch();
    retrieve(peer)
        .transfer({expected, 400'000, DataEnd::Stall})
        .reply("226 Done");  // too early: a third of the movie is missing
    advance(1000);
    ASSERT_TRUE(scriptDone(peer)) << peer.mismatch();
    advance(5000);
    EXPECT_EQ(seen.downloaded, 0);
    advance(30'000);
    EXPECT_EQ(seen.downloaded, 0);
    EXPECT_EQ(seen.timeOuts, 1);  // the inactivity time-out ends it instead
    EXPECT_EQ(readLocal("movie.wmv.ini").value_or("").substr(0, 6), "400000");
}

TEST_F(BrevicastTest, ATransferReportedCompleteTooEarlyEndsInATimeOutNotADownload) {
    expected = movieBytes(5000);
    negotiate(peer, "5000")
        .transfer({expected, 3000, DataEnd::Stall})
        .reply("226 Transfer complete");
    download();
    ASSERT_TRUE(scriptDone(peer)) << peer.mismatch();
    advance(29'000);
    EXPECT_EQ(seen.endings(), 0);  // still waiting for the rest
    advance(60'000);
    EXPECT_EQ(seen.timeOuts, 1);
    EXPECT_EQ(seen.downloaded, 0);  // the completion check died with the download
    EXPECT_EQ(readLocal("movie.wmv.ini").value_or("").substr(0, 4), "3000");
}

TEST_F(BrevicastTest, ATrickleDownloadOfAMovieSmallerThanItsTailSkipsTheTail) {
    expected = movieBytes(100'000);
    negotiate(peer, "100000").transfer({expected}).reply("226 Done");
    downloadWithTrickle();
    ASSERT_TRUE(scriptDone(peer)) << peer.mismatch();
    advance(1000);
    EXPECT_EQ(seen.downloaded, 1);
    EXPECT_EQ(seen.endings(), 1);
    EXPECT_EQ(readLocal("movie.wmv"), expected);
}

TEST_F(BrevicastTest, AFailureDuringATrickleDownloadEndsItAndClosesTheConnection) {
    login(peer).expect("SIZE movie.wmv").reply("550 No such file");
    downloadWithTrickle();
    ASSERT_TRUE(runUntil([&] { return seen.endings() > 0; }));
    EXPECT_EQ(seen.errors, (std::vector<std::int32_t>{1}));
    EXPECT_EQ(seen.statusAtError, (std::vector<std::int32_t>{0}));
    EXPECT_TRUE(closedTheConnection());

    // A tail that stalls.
    seen = {};
    peer.nextConnection();
    negotiate(peer, "600000", "100000").transfer({movieBytes(600'000), 300'000, DataEnd::Stall});
    downloadWithTrickle();
    ASSERT_TRUE(scriptDone(peer)) << peer.mismatch();
    advance(30'000);
    EXPECT_EQ(seen.timeOuts, 1);
    EXPECT_EQ(engine->currentState(), 0);  // the queue may start the next movie
    EXPECT_TRUE(closedTheConnection());
    advance(60'000);
    EXPECT_EQ(seen.endings(), 1);
}

TEST_F(BrevicastTest, AReplyThatArrivesAfterTheEngineGaveUpChangesNothing) {
    expected = movieBytes(5000);
    negotiate(peer, "5000")
        .transfer({expected, 3000, DataEnd::Stall})
        .pause()
        .reply("226 Transfer complete");  // crosses the engine's close
    download();
    ASSERT_TRUE(runUntil([&] { return !seen.progress.empty() && seen.progress.back() == 3000; }));
    advance(30'000);
    ASSERT_EQ(seen.timeOuts, 1);
    peer.resume();
    ASSERT_TRUE(scriptDone(peer));
    advance(5000);
    EXPECT_EQ(seen.downloaded, 0);
    EXPECT_EQ(seen.endings(), 1);
    EXPECT_EQ(readLocal("movie.wmv.ini").value_or("").substr(0, 4), "3000");  // still resumable
}

// --- hostile or broken servers and names ------------------------------------------------

TEST_F(BrevicastTest, TheDataConnectionGoesToTheServerAndOnlyChecksTheAddressInThe227) {
    expected = movieBytes(5000);
    login(peer)
        .expect("SIZE movie.wmv")
        .reply("213 5000")
        .expect("PASV ")
        .passive({.host = "127,0,0,2"})  // some other host: not where the data comes from
        .expect("RETR movie.wmv")
        .reply("150 Opening")
        .transfer({expected})
        .reply("226 Done");
    download();
    ASSERT_TRUE(scriptDone(peer)) << peer.mismatch();
    advance(1000);
    EXPECT_EQ(seen.downloaded, 1);
    EXPECT_EQ(readLocal("movie.wmv"), expected);

    seen = {};
    peer.nextConnection();
    login(peer)
        .expect("SIZE movie.wmv")
        .reply("213 5000")
        .expect("PASV ")
        .passive({.host = "127,0,0,256"});
    download();
    ASSERT_TRUE(scriptDone(peer)) << peer.mismatch();
    advance(30'000);
    EXPECT_EQ(peer.dataConnections(), 1);  // no connection for the second 227
    EXPECT_EQ(seen.timeOuts, 1);
}

TEST_F(BrevicastTest, ValuesThatWouldBreakACommandLineAreNeverSent) {
    struct Case {
        const char* what;
        std::string account, pass, name;
        std::int32_t code;
    };
    const std::vector<Case> cases = {
        {"account with CR LF", "bob\r\nDELE x", "secret", "movie", 0},
        {"account with NUL", std::string("bob\0x", 5), "secret", "movie", 0},
        {"password with LF", "bob", "secret\nDELE x", "movie", 0},
        {"name with CR LF", "bob", "secret", "movie\r\nDELE x", 1},
        {"name with NUL", "bob", "secret", std::string("mo\0vie", 6), 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        seen = {};
        ScriptedFtpPeer p(loop);
        // The server goes along up to the step whose value is bad.
        if (c.account != "bob") {
            p.greet("220 Ready");
        } else if (c.pass != "secret") {
            p.greet("220 Ready").expect("USER bob").reply("331 Password required");
        } else {
            login(p);
        }
        engine->setPort(p.port());
        engine->setAccount(c.account);
        engine->setPass(c.pass);
        movie.setRemoteFileName(c.name);
        download();
        ASSERT_TRUE(runUntil([&] { return seen.endings() > 0; })) << p.mismatch();
        EXPECT_EQ(seen.errors, (std::vector<std::int32_t>{c.code}));
        for (const auto& line : p.transcript()) {
            EXPECT_EQ(line.find("DELE"), std::string::npos) << line;
            EXPECT_EQ(line.find('\0'), std::string::npos) << line;
        }
        EXPECT_EQ(filesOnDrive(), Lines{});
        EXPECT_EQ(engine->currentState(), 0);
    }
}

TEST_F(BrevicastTest, ANameThatWouldLeaveTheDownloadFolderIsRefused) {
    struct Case {
        std::string name, extension;
    };
    const std::vector<Case> cases = {
        {"..\\escaped", ".wmv"},
        {"sub\\movie", ".wmv"},
        {"sub/movie", ".wmv"},
        {"C:movie", ".wmv"},
        {"..", ""},
        {"mo\x01vie", ".wmv"},
        {"movie", ".wmv\\..\\..\\escaped"},
        {"movie", ".wm\tv"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name + c.extension);
        seen = {};
        ScriptedFtpPeer p(loop);
        login(p).expect("SIZE " + c.name + c.extension).reply("213 5").expect("PASV ").passive();
        engine->setPort(p.port());
        movie.setRemoteFileName(c.name);
        movie.setFileExtension(c.extension);
        download();
        ASSERT_TRUE(runUntil([&] { return seen.endings() > 0; }));
        EXPECT_EQ(seen.errors, (std::vector<std::int32_t>{1}));
        EXPECT_EQ(p.dataConnections(), 0);
        EXPECT_EQ(filesOnDrive(), Lines{});
    }
}

TEST_F(BrevicastTest, AServerThatNeverStopsTalkingCannotExhaustMemory) {
    const std::size_t flood = 32u << 20;
    peer.greet("220-Welcome").flood("220-and more of the same greeting\r\n", flood);
    download();
    ASSERT_TRUE(runUntil([&] { return peer.finished() || peer.controlClosedByClient(); }));
    EXPECT_LT(seen.longestTranscript, flood / 4);
    EXPECT_EQ(seen.downloaded, 0);
}

TEST_F(BrevicastTest, NumbersBeyond32BitsEndTheDownloadInsteadOfWrapping) {
    // A size that would wrap to 1,000.
    login(peer).expect("SIZE movie.wmv").reply("213 4294968296");
    download();
    ASSERT_TRUE(runUntil([&] { return seen.endings() > 0; }));
    EXPECT_EQ(seen.errors.size(), 1u);
    for (auto size : seen.sizes)
        EXPECT_NE(size, 1000);
    EXPECT_EQ(engine->currentState(), 0);

    // A byte count that would pass 2,147,483,647: a resume near the limit of a movie of
    // unknown size, where the server plays only the real tail and the local file is sparse.
    seen = {};
    writeLocal("movie.wmv", "x");
    fs::resize_file(folder() + "movie.wmv", 2147483000);
    writeLocal("movie.wmv.ini", "2147483000\r\n\r\n");
    peer.nextConnection();
    negotiate(peer, "unknown", "2147481720")
        .transfer({movieBytes(4000), std::numeric_limits<std::size_t>::max(), DataEnd::Close,
                   2147481720});
    download();
    ASSERT_TRUE(runUntil([&] { return seen.endings() > 0 || peer.finished(); }));
    advance(31'000);
    EXPECT_EQ(seen.downloaded, 0);
    EXPECT_EQ(seen.errors.size(), 1u);
    for (auto bytes : seen.progress)
        EXPECT_GT(bytes, 0);
    const long long side = std::atoll(readLocal("movie.wmv.ini").value_or("0").c_str());
    EXPECT_GE(side, 0);
    EXPECT_LE(side, 2'147'483'647LL);
}

}  // namespace
