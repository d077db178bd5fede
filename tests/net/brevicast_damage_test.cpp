// The download engine when the disk or the server cannot be trusted: a count past the end,
// a server that sends too much, a disk that fills up. Whatever happens, a movie reported as
// downloaded is the server's, byte for byte. (Every kind of damaged partial movie or side
// file is walked by the end-to-end fetch tests against a real server.)

#include "brevicast_fixture.hpp"
#include "platform/memory_file_system.hpp"

using namespace zov::test;
using zov::platform::DiskFailure;

namespace {

class DamagedDownloadTest : public BrevicastTest {
  protected:
    // One download to its end: every reply read, then the completion check if needed.
    void downloadToTheEnd(ScriptedFtpPeer& p) {
        download();
        ASSERT_TRUE(runUntil([&] { return seen.endings() > 0 || p.finished(); })) << p.mismatch();
        if (seen.endings() == 0) advance(1000);
    }
};

TEST_F(DamagedDownloadTest, ARestartPointTheServerRefusesAsPastTheEndFetchesTheWholeMovie) {
    // The size is unknown, so only the server can tell that the count is past its end;
    // it says so to REST itself, or to the RETR after it.
    expected = movieBytes(10'000);
    for (bool refusedAtRest : {true, false}) {
        SCOPED_TRACE(refusedAtRest ? "554 to REST" : "554 to RETR");
        writeLocal("movie.wmv", std::string(50'000, 'X'));
        writeLocal("movie.wmv.ini", "50000\r\n\r\n");
        ScriptedFtpPeer& p = freshPeer();
        sized(p, "213 unknown").expect("PASV ").passive().expect("REST 48720");
        if (refusedAtRest) {
            p.reply("554 Restart point past the end of the file");
        } else {
            p.reply("350 Restarting").expect("RETR movie.wmv").reply("554 Invalid REST");
        }
        retrieve(p).transfer({expected}).reply("226 Done");
        downloadToTheEnd(p);
        EXPECT_EQ(seen.errors, Codes{});
        EXPECT_EQ(seen.downloaded, 1);
        EXPECT_TRUE(readLocal("movie.wmv") == expected) << "not the server's movie";
    }
}

TEST_F(DamagedDownloadTest, BytesPastTheAnnouncedSizeAreATransferErrorAndNothingIsDone) {
    negotiate(peer, "1000").transfer({movieBytes(11'000)}).reply("226 Done");
    downloadToTheEnd(peer);
    advance(31'000);
    EXPECT_EQ(seen.errors, Codes{2});
    EXPECT_EQ(seen.downloaded, 0);
    EXPECT_EQ(engine->currentState(), 0);
    EXPECT_LE(readLocal("movie.wmv").value_or("").size(), 1000u);
    EXPECT_FALSE(readLocal("movie.wmv.ini"));  // the next try starts clean
}

// Told as it happens, not as a silent server: a disk that fills up in the middle (what
// was counted for a resume is on disk, and right), a movie that cannot be created. The
// next download's ending says nothing of the disk.
TEST_F(DamagedDownloadTest, ADiskThatRefusesTheMovieEndsTheDownloadAtOnceWithError2) {
    zov::platform::MemoryFileSystem disk;
    disk.createFolderPath("C:\\zov\\");
    makeEngine(disk);
    // The first block (at most 1 MiB) is written and counted, the next one fails.
    engine->onDownloading.connect([&](std::int32_t&) { disk.failWrites(DiskFailure::NoSpace); });
    expected = movieBytes(3'000'000);
    negotiate(peer, "3000000").transfer({expected, std::string::npos, DataEnd::Stall});
    download();
    ASSERT_TRUE(runUntil([&] { return seen.endings() > 0; }));
    EXPECT_EQ(seen.errors, Codes{2});
    EXPECT_EQ(engine->diskFailure(), DiskFailure::NoSpace);
    EXPECT_EQ(engine->currentState(), 0);
    const auto data = disk.readFile("C:\\zov\\movie.wmv").value_or("");
    EXPECT_GT(data.size(), 0u);
    EXPECT_LT(data.size(), expected.size());
    EXPECT_EQ(std::atoll(disk.readFile("C:\\zov\\movie.wmv.ini").value_or("-1").c_str()),
              static_cast<long long>(data.size()));
    EXPECT_TRUE(data == expected.substr(0, data.size())) << "not the server's bytes";

    disk.failWrites(DiskFailure::None);
    sized(freshPeer(), "550 No such file");
    download();
    ASSERT_TRUE(runUntil([&] { return seen.endings() > 0; }));
    EXPECT_EQ(engine->diskFailure(), DiskFailure::None);

    // A movie that cannot even be created, also when the tail comes first.
    disk.deleteFile("C:\\zov\\movie.wmv");
    disk.createFolderPath("C:\\zov\\movie.wmv\\");
    for (bool trickle : {true, false}) {
        sized(freshPeer(), "213 2000000").expect("PASV ").passive();
        download(trickle);
        ASSERT_TRUE(runUntil([&] { return seen.endings() > 0; }));
        EXPECT_EQ(seen.errors, Codes{2}) << trickle;
        EXPECT_EQ(engine->diskFailure(), DiskFailure::CannotWrite) << trickle;
    }
}

}  // namespace
