// The download engine when the disk or the server cannot be trusted: a damaged partial
// movie or side file, a count past the end, a server that sends too much, a disk that is
// full or refuses the movie, and replies split by the network during a transfer. Whatever
// happens, a movie reported as downloaded is the server's, byte for byte.

#include "brevicast_fixture.hpp"
#include "platform/file_system.hpp"

using namespace zov::test;
using zov::platform::DiskFailure;

namespace {

// The real disk under the engine, watched: what happens to the movie file (writes, syncs)
// and to its side file, in order, and a movie file that runs out of space after a number
// of bytes or fails like a broken disk.
class WatchedDisk final : public zov::platform::FileSystem {
  public:
    explicit WatchedDisk(zov::platform::FileSystem& disk) : disk_(disk) {}

    Lines log;                    // "write N", "sync", "count N" in order
    std::int64_t fullAfter = -1;  // movie bytes after which writes fail; -1 never
    DiskFailure failure = DiskFailure::NoSpace;
    bool syncFails = false;  // the movie's data never reaches the disk for good
    std::int64_t written = 0;

    std::string hostPath(std::string_view p) const override { return disk_.hostPath(p); }
    std::string windowsPath(std::string_view h) const override { return disk_.windowsPath(h); }
    bool fileExists(std::string_view p) const override { return disk_.fileExists(p); }
    bool folderExists(std::string_view p) const override { return disk_.folderExists(p); }
    bool createFolderPath(std::string_view p) override { return disk_.createFolderPath(p); }
    std::optional<std::string> readFile(std::string_view p) const override {
        return disk_.readFile(p);
    }
    bool writeFile(std::string_view p, std::string_view bytes,
                   zov::platform::Privacy privacy) override {
        if (p.ends_with(".ini")) log.push_back("count " + std::to_string(std::atoll(bytes.data())));
        return disk_.writeFile(p, bytes, privacy);
    }
    bool deleteFile(std::string_view p) override { return disk_.deleteFile(p); }
    std::unique_ptr<zov::platform::RandomAccessFile> openReadWrite(std::string_view p) override;
    std::optional<zov::platform::DiskSpace> diskSpace(std::string_view p) const override {
        return disk_.diskSpace(p);
    }
    bool setAttributes(std::string_view p, unsigned a) override {
        return disk_.setAttributes(p, a);
    }
    std::vector<char> driveLetters() const override { return disk_.driveLetters(); }

  private:
    class File;
    zov::platform::FileSystem& disk_;
};

class WatchedDisk::File final : public zov::platform::RandomAccessFile {
  public:
    File(WatchedDisk& disk, std::unique_ptr<RandomAccessFile> file, bool isSideFile)
        : disk_(disk), file_(std::move(file)), isSideFile_(isSideFile) {}
    bool seek(std::int64_t position) override { return file_->seek(position); }
    bool write(const void* data, std::size_t size) override {
        if (isSideFile_) {
            disk_.log.push_back("count " +
                                std::to_string(std::atoll(static_cast<const char*>(data))));
            return file_->write(data, size);
        }
        if (disk_.fullAfter >= 0 && disk_.written >= disk_.fullAfter) {
            failure_ = disk_.failure;
            return false;
        }
        disk_.written += static_cast<std::int64_t>(size);
        disk_.log.push_back("write " + std::to_string(size));
        return file_->write(data, size);
    }
    std::optional<std::int64_t> size() const override { return file_->size(); }
    bool truncate(std::int64_t size) override { return file_->truncate(size); }
    bool syncData() override {
        if (!isSideFile_ && disk_.syncFails) {
            failure_ = disk_.failure;
            return false;
        }
        if (!isSideFile_) disk_.log.push_back("sync");
        return file_->syncData();
    }
    DiskFailure failure() const override { return failure_; }

  private:
    WatchedDisk& disk_;
    std::unique_ptr<RandomAccessFile> file_;
    bool isSideFile_;
    DiskFailure failure_ = DiskFailure::None;
};

std::unique_ptr<zov::platform::RandomAccessFile> WatchedDisk::openReadWrite(std::string_view p) {
    auto file = disk_.openReadWrite(p);
    if (!file) return file;
    return std::make_unique<File>(*this, std::move(file), p.ends_with(".ini"));
}

class DamagedDownloadTest : public BrevicastTest {
  protected:
    // One download to its end: every reply read, then the completion check if needed.
    void downloadToTheEnd(ScriptedFtpPeer& p) {
        download();
        ASSERT_TRUE(runUntil([&] { return seen.endings() > 0 || p.finished(); })) << p.mismatch();
        if (seen.endings() == 0) advance(1000);
    }

    WatchedDisk disk{drive_.files()};
};

// --- resuming from what is really on disk ------------------------------------------------

// Just before the count when the partial movie holds it; from byte zero when it does not,
// whatever the damage. Whatever happens, the movie reported as downloaded is the server's.
TEST_F(DamagedDownloadTest, WhatIsOnDiskDecidesWhereTheDownloadStarts) {
    expected = movieBytes(10'000);
    const std::string junk(70'000, 'X');
    struct Case {
        const char* what;
        std::string onDisk;
        const char* side;  // nullptr: no side file
        const char* rest = "";
        bool trickle = false;
    };
    const std::vector<Case> cases = {
        // The first 1,720 bytes are right; the rest must be written over. No trickle phase.
        {"a count the partial movie holds", expected.substr(0, 1720) + junk.substr(0, 1280),
         "3000\r\n\r\n", "1720", true},
        {"text", expected.substr(0, 5000), "not a number\r\n\r\n", "", true},
        {"a count too small to go back", expected.substr(0, 5000), "1279\r\n\r\n"},
        {"an empty side file", expected.substr(0, 5000), ""},
        {"a count beyond 32 bits", expected.substr(0, 5000), "4294970000\r\n", "", true},
        {"truncated to nothing", "", "6000\r\n\r\n"},
        {"truncated to half", expected.substr(0, 3000), "6000\r\n\r\n"},
        {"2,000 bytes short", expected.substr(0, 4000), "6000\r\n\r\n"},
        {"count ahead of the data", expected.substr(0, 6000), "9000\r\n\r\n"},
        {"count past the end", expected, "60000000\r\n\r\n"},
        {"count at the 32-bit limit", expected, "2147483647\r\n\r\n"},
        {"negative count", expected.substr(0, 6000), "-6000\r\n\r\n"},
        // The server's movie was replaced by a shorter one; the old tail is cut.
        {"count past the end of a shorter movie", junk, "60000\r\n\r\n"},
        {"an old longer movie and no side file", junk, nullptr},
        {"a trickle download shorter than its tail", "", nullptr, "", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        removeLocal();
        if (c.side || !c.onDisk.empty()) writeLocal("movie.wmv", c.onDisk);
        if (c.side) writeLocal("movie.wmv.ini", c.side);
        ScriptedFtpPeer& p = freshPeer();
        negotiate(p, "10000", c.rest).transfer({expected}).reply("226 Done");
        c.trickle ? downloadWithTrickle() : download();
        ASSERT_TRUE(scriptDone(p)) << p.mismatch();
        advance(1000);
        EXPECT_EQ(seen.downloaded, 1);
        EXPECT_EQ(seen.endings(), 1);
        EXPECT_EQ(seen.preparation, c.side ? Lines{"Preparing Download"} : Lines{});
        EXPECT_EQ(p.dataBytesSent(), 10'000u - std::strtoul(c.rest, nullptr, 10));
        EXPECT_TRUE(readLocal("movie.wmv") == expected) << "not the server's movie";
        EXPECT_FALSE(readLocal("movie.wmv.ini"));
    }
}

TEST_F(DamagedDownloadTest, ARestartPointTheServerRefusesAsPastTheEndFetchesTheWholeMovie) {
    // The size is unknown, so only the server can tell that the count is past its end;
    // it says so to REST itself, or to the RETR after it.
    expected = movieBytes(10'000);
    for (bool refusedAtRest : {true, false}) {
        SCOPED_TRACE(refusedAtRest ? "554 to REST" : "554 to RETR");
        writeLocal("movie.wmv", std::string(50'000, 'X'));
        writeLocal("movie.wmv.ini", "50000\r\n\r\n");
        ScriptedFtpPeer& p = freshPeer();
        login(p).expect("SIZE movie.wmv").reply("213 unknown").expect("PASV ").passive();
        p.expect("REST 48720");
        if (refusedAtRest) {
            p.reply("554 Restart point past the end of the file");
        } else {
            p.reply("350 Restarting").expect("RETR movie.wmv").reply("554 Invalid REST");
        }
        retrieve(p).transfer({expected}).reply("226 Done");
        downloadToTheEnd(p);
        EXPECT_EQ(seen.errors, std::vector<std::int32_t>{});
        EXPECT_EQ(seen.downloaded, 1);
        EXPECT_TRUE(readLocal("movie.wmv") == expected) << "not the server's movie";
    }
    // Refused for any other reason, it is still error 3.
    writeLocal("movie.wmv", std::string(5000, 'X'));
    writeLocal("movie.wmv.ini", "5000\r\n\r\n");
    ScriptedFtpPeer& p = freshPeer();
    login(p).expect("SIZE movie.wmv").reply("213 9000").expect("PASV ").passive();
    p.expect("REST 3720").reply("502 REST not implemented");
    downloadToTheEnd(p);
    EXPECT_EQ(seen.errors, std::vector<std::int32_t>{3});
    EXPECT_EQ(p.dataConnections(), 1);
}

// --- a server that sends more than it announced ------------------------------------------

TEST_F(DamagedDownloadTest, BytesPastTheAnnouncedSizeAreATransferErrorAndNothingIsDone) {
    for (std::size_t sent : {11'000u, 20u << 20}) {
        SCOPED_TRACE(sent);
        ScriptedFtpPeer& p = freshPeer();
        negotiate(p, "1000").transfer({movieBytes(sent)}).reply("226 Done");
        downloadToTheEnd(p);
        advance(31'000);
        EXPECT_EQ(seen.errors, std::vector<std::int32_t>{2});
        EXPECT_EQ(seen.downloaded, 0);
        EXPECT_EQ(engine->currentState(), 0);
        EXPECT_LE(readLocal("movie.wmv").value_or("").size(), 1000u);
        EXPECT_FALSE(readLocal("movie.wmv.ini"));  // the next try starts clean
    }
}

// --- the disk --------------------------------------------------------------------------

// Told as it happens, not as a silent server: a disk that fills up or breaks in the
// middle (what was written is counted for a resume, and is right), and a movie that
// cannot even be created.
TEST_F(DamagedDownloadTest, ADiskThatRefusesTheMovieEndsTheDownloadAtOnceWithError2) {
    makeEngine(disk);
    expected = movieBytes(300'000);
    for (DiskFailure failure : {DiskFailure::NoSpace, DiskFailure::CannotWrite}) {
        SCOPED_TRACE(static_cast<int>(failure));
        removeLocal();
        disk.fullAfter = 100'000;
        disk.written = 0;
        disk.failure = failure;
        ScriptedFtpPeer& p = freshPeer();
        negotiate(p, "300000").transfer({expected, std::string::npos, DataEnd::Stall});
        download();
        ASSERT_TRUE(runUntil([&] { return seen.endings() > 0; }));
        EXPECT_EQ(seen.errors, std::vector<std::int32_t>{2});
        EXPECT_EQ(engine->diskFailure(), failure);
        EXPECT_EQ(engine->currentState(), 0);
        const auto data = readLocal("movie.wmv").value_or("");
        const long long count = std::atoll(readLocal("movie.wmv.ini").value_or("-1").c_str());
        EXPECT_GT(count, 0);
        EXPECT_EQ(count, static_cast<long long>(data.size()));
        EXPECT_TRUE(data == expected.substr(0, data.size())) << "not the server's bytes";
    }
    // A disk that cannot make the data last is as bad as a full one: nothing is counted.
    removeLocal();
    disk.fullAfter = -1;
    disk.syncFails = true;
    negotiate(freshPeer(), "300000").transfer({expected, std::string::npos, DataEnd::Stall});
    download();
    ASSERT_TRUE(runUntil([&] { return seen.endings() > 0; }));
    EXPECT_EQ(seen.errors, std::vector<std::int32_t>{2});
    EXPECT_FALSE(readLocal("movie.wmv.ini"));
    disk.syncFails = false;

    // The next download's ending says nothing of the disk.
    login(freshPeer()).expect("SIZE movie.wmv").reply("550 No such file");
    download();
    ASSERT_TRUE(runUntil([&] { return seen.endings() > 0; }));
    EXPECT_EQ(engine->diskFailure(), DiskFailure::None);

    removeLocal();
    std::filesystem::create_directories(folder() + "movie.wmv");
    for (bool trickle : {true, false}) {
        SCOPED_TRACE(trickle ? "cannot be created, trickle" : "cannot be created");
        ScriptedFtpPeer& p = freshPeer();
        login(p).expect("SIZE movie.wmv").reply("213 2000000");
        if (!trickle) p.expect("PASV ").passive();
        trickle ? downloadWithTrickle() : download();
        ASSERT_TRUE(runUntil([&] { return seen.endings() > 0; }));
        EXPECT_EQ(seen.errors, std::vector<std::int32_t>{2});
        EXPECT_EQ(engine->diskFailure(), DiskFailure::CannotWrite);
        EXPECT_EQ(engine->currentState(), 0);
        advance(60'000);
        EXPECT_EQ(seen.endings(), 1);
    }
}

TEST_F(DamagedDownloadTest, TheCountIsWrittenOnlyAfterTheDataReachedTheDiskAndAtMostOnceASecond) {
    makeEngine(disk);
    expected = movieBytes(400'000);
    negotiate(peer, "400000").transfer({expected, 150'000, DataEnd::Stall}).pause();
    download();
    ASSERT_TRUE(
        runUntil([&] { return !seen.progress.empty() && seen.progress.back() == 150'000; }));
    advance(1000);  // a second later, the next block is counted
    peer.resume();
    engine->cancelCurrentDownload();

    std::int64_t written = 0, synced = 0;
    int counts = 0;
    for (const auto& entry : disk.log) {
        if (entry.starts_with("write ")) written += std::atoll(entry.c_str() + 6);
        if (entry == "sync") synced = written;
        if (entry.starts_with("count ")) {
            ++counts;
            EXPECT_LE(std::atoll(entry.c_str() + 6), synced) << "counted before it was synced";
        }
    }
    // The first block, and the last count when the download stopped; not one per block.
    EXPECT_LE(counts, 3);
    EXPECT_EQ(readLocal("movie.wmv.ini").value_or("").substr(0, 6), "150000");
}

// --- replies split by the network during a transfer --------------------------------------

TEST_F(DamagedDownloadTest, AMultiLineReplySplitAcrossReceivesDuringTheTransferIsWaitedFor) {
    expected = movieBytes(200'000);
    login(peer).expect("SIZE movie.wmv").reply("213 200000").expect("PASV ").passive();
    peer.expect("RETR movie.wmv")
        .sendInPieces({"150-Opening BINARY connection\r\n", "150 Here it comes\r\n"})
        .transfer({expected})
        .sendInPieces({"22", "6 Transfer complete\r\n"});
    download();
    ASSERT_TRUE(scriptDone(peer)) << peer.mismatch();
    advance(1000);
    EXPECT_EQ(seen.errors, std::vector<std::int32_t>{});
    EXPECT_EQ(seen.downloaded, 1);
    EXPECT_TRUE(readLocal("movie.wmv") == expected) << "not the server's movie";
}

}  // namespace
