// Where the client's Windows paths land on the host, and the disk under them.
#include "platform/posix_file_system.hpp"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/xattr.h>

#include <csignal>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "platform/drive_map.hpp"
#include "platform/memory_file_system.hpp"
#include "platform/plain_file_name.hpp"
#include "support/temporary_drive.hpp"

using namespace zov::platform;

namespace {

DriveMap mapOf(std::map<std::string, std::string> variables,
               std::vector<std::string> volumes = {}) {
    auto environment = [variables](const std::string& name) -> std::optional<std::string> {
        auto found = variables.find(name);
        return found == variables.end() ? std::nullopt : std::optional(found->second);
    };
    return DriveMap(environment, volumes);
}

// A temporary folder holds drives C: and E:, an F: not created yet, a G: whose folder
// never exists, and the client folder.
struct PosixFileSystemTest : ::testing::Test {
    zov::test::TemporaryDrive drive{"zov-fs"};
    const std::string& root = drive.root();
    std::unique_ptr<PosixFileSystem> fs;

    void SetUp() override {
        for (auto folder : {"/c", "/e", "/client"})
            std::filesystem::create_directory(root + folder);
        fs = std::make_unique<PosixFileSystem>(mapOf({{"ZOV_DRIVE_C", root + "/c"},
                                                      {"ZOV_DRIVE_E", root + "/e/"},
                                                      {"ZOV_DRIVE_F", root + "/f"},
                                                      {"ZOV_DRIVE_G", root + "/never"}}),
                                               root + "/client");
    }

    std::string onDisk(const std::string& relative) const { return root + "/" + relative; }

    static unsigned modeOf(const std::string& host) {
        struct stat status {};
        return ::stat(host.c_str(), &status) == 0 ? (status.st_mode & 07777) : 0xFFFFu;
    }
};

}  // namespace

TEST_F(PosixFileSystemTest, WindowsPathsLandInTheirDrivesFoldersAndNeverClimbAboveThem) {
    EXPECT_EQ(fs->hostPath("c:\\zov\\a.wmv"), onDisk("c/zov/a.wmv"));
    EXPECT_EQ(fs->hostPath("C:\\ZOV\\"), onDisk("c/ZOV/"));
    EXPECT_EQ(fs->hostPath("E:/zov//x"), onDisk("e/zov/x"));
    EXPECT_EQ(fs->hostPath("c:"), onDisk("c"));
    EXPECT_EQ(fs->hostPath("zov.ini"), onDisk("client/zov.ini"));
    EXPECT_EQ(fs->hostPath("Z:\\tmp\\m\\"), "/tmp/m/");
    EXPECT_EQ(fs->hostPath("q:\\zov\\a.wmv"), "");
    EXPECT_EQ(fs->hostPath("\\\\server\\share\\a.wmv"), "");
    EXPECT_EQ(fs->hostPath("\\\\"), "");
    EXPECT_EQ(fs->hostPath(std::string("c:\\a.wmv\0\\..\\..", 15)), "");

    EXPECT_EQ(fs->windowsPath("/tmp/m/"), "Z:\\tmp\\m\\");
    EXPECT_EQ(fs->windowsPath("/"), "Z:\\");
    EXPECT_EQ(fs->windowsPath("relative/x"),
              fs->windowsPath(std::filesystem::current_path().string() + "/relative/x"));
    EXPECT_EQ(fs->hostPath(fs->windowsPath(onDisk("c/x.wmv"))), onDisk("c/x.wmv"));

    // ".." never climbs above the drive.
    EXPECT_EQ(fs->hostPath("c:\\zov\\.\\sub\\..\\a.wmv"), onDisk("c/zov/a.wmv"));
    // A relative path climbs out of the client folder as it would on its own drive.
    EXPECT_EQ(fs->hostPath("..\\c\\zov.ini"), onDisk("c/zov.ini"));

    ASSERT_TRUE(fs->writeFile("c:\\zov\\..\\..\\..\\escape.txt", "x"));
    EXPECT_TRUE(std::filesystem::exists(onDisk("c/escape.txt")));
    EXPECT_FALSE(std::filesystem::exists(onDisk("escape.txt")));
}

TEST_F(PosixFileSystemTest, CreateFolderPathMakesEveryMissingFolder) {
    EXPECT_TRUE(fs->createFolderPath("c:\\zov\\movies\\"));
    EXPECT_TRUE(fs->folderExists("c:\\zov\\movies"));
    EXPECT_TRUE(fs->createFolderPath("c:\\zov\\movies\\"));  // already there is fine

    // The last part of a path without a final "\" is a file name.
    EXPECT_TRUE(fs->createFolderPath("e:\\a\\b\\movie.wmv"));
    EXPECT_TRUE(std::filesystem::is_directory(onDisk("e/a/b")));
    EXPECT_FALSE(std::filesystem::exists(onDisk("e/a/b/movie.wmv")));

    EXPECT_TRUE(fs->createFolderPath("f:\\zov\\"));  // the drive's own folder too
    EXPECT_TRUE(std::filesystem::is_directory(onDisk("f/zov")));

    ASSERT_TRUE(fs->writeFile("c:\\block", "file in the way"));
    EXPECT_FALSE(fs->createFolderPath("c:\\block\\sub\\"));
    EXPECT_FALSE(fs->createFolderPath("q:\\zov\\"));
}

TEST_F(PosixFileSystemTest, WholeRegularFilesAreWrittenReadReplacedAndDeleted) {
    std::string movie(300000, '\0');
    for (std::size_t i = 0; i < movie.size(); ++i)
        movie[i] = static_cast<char>(i * 7);
    ASSERT_TRUE(fs->writeFile("c:\\m.wmv", movie));
    EXPECT_EQ(fs->readFile("c:\\m.wmv"), movie);
    EXPECT_TRUE(fs->fileExists("c:\\m.wmv"));
    EXPECT_FALSE(fs->folderExists("c:\\m.wmv"));

    ASSERT_TRUE(fs->writeFile("c:\\m.wmv", "short"));
    EXPECT_EQ(fs->readFile("c:\\m.wmv"), "short");

    EXPECT_EQ(fs->readFile("c:\\missing.wmv"), std::nullopt);
    EXPECT_EQ(fs->readFile("c:\\"), std::nullopt);
    EXPECT_FALSE(fs->fileExists("c:\\"));
    EXPECT_FALSE(fs->writeFile("c:\\no\\such\\folder.txt", "x"));

    EXPECT_TRUE(fs->deleteFile("c:\\m.wmv"));
    EXPECT_FALSE(fs->fileExists("c:\\m.wmv"));
    EXPECT_FALSE(fs->deleteFile("c:\\m.wmv"));
    EXPECT_FALSE(fs->deleteFile("c:\\"));

    // A FIFO under a movie's name is refused without blocking.
    ASSERT_EQ(::mkfifo(onDisk("c/pipe.wmv").c_str(), 0600), 0);
    EXPECT_FALSE(fs->fileExists("c:\\pipe.wmv"));
    EXPECT_EQ(fs->readFile("c:\\pipe.wmv"), std::nullopt);
    EXPECT_FALSE(fs->writeFile("c:\\pipe.wmv", "x"));
    EXPECT_EQ(fs->openReadWrite("c:\\pipe.wmv"), nullptr);
}

TEST_F(PosixFileSystemTest, OwnerOnlyFilesAreReadableByTheOwnerAlone) {
    ASSERT_TRUE(fs->writeFile("zov.ini", "ZOVLogOn.userPass=secret", Privacy::OwnerOnly));
    EXPECT_EQ(modeOf(onDisk("client/zov.ini")), 0600u);

    ::chmod(onDisk("client/zov.ini").c_str(), 0644);
    ASSERT_TRUE(fs->writeFile("zov.ini", "ZOVLogOn.userPass=other", Privacy::OwnerOnly));
    EXPECT_EQ(modeOf(onDisk("client/zov.ini")), 0600u);
    EXPECT_EQ(fs->readFile("zov.ini"), "ZOVLogOn.userPass=other");

    ::chmod(onDisk("client/zov.ini").c_str(), 0640);
    ASSERT_TRUE(fs->writeFile("zov.ini", "x"));  // an ordinary write leaves the mode alone
    EXPECT_EQ(modeOf(onDisk("client/zov.ini")), 0640u);
}

TEST_F(PosixFileSystemTest, RandomAccessWritesInPlaceWithoutTruncating) {
    ASSERT_TRUE(fs->writeFile("c:\\m.wmv", "HELLO WORLD"));
    auto file = fs->openReadWrite("c:\\m.wmv");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->size(), 11);
    ASSERT_TRUE(file->seek(6));
    ASSERT_TRUE(file->write("ZOV", 3));
    ASSERT_TRUE(file->write("!!", 2));  // carries on where the last write ended
    EXPECT_EQ(fs->readFile("c:\\m.wmv"), "HELLO ZOV!!");

    ASSERT_TRUE(file->seek(20));  // past the end: zeros in between
    ASSERT_TRUE(file->write("E", 1));
    EXPECT_EQ(fs->readFile("c:\\m.wmv"), std::string("HELLO ZOV!!") + std::string(9, '\0') + "E");
    EXPECT_FALSE(file->seek(-1));

    EXPECT_EQ(fs->openReadWrite("e:\\new.wmv")->size(), 0);  // made when missing
    EXPECT_EQ(fs->openReadWrite("c:\\"), nullptr);
}

// A write the disk refuses part way (here the process's file-size limit) is a failure with
// a cause, never a success: the engine would count bytes that are not there.
TEST_F(PosixFileSystemTest, AWriteTheDiskRefusesIsAFailureWithItsCause) {
    auto file = fs->openReadWrite("c:\\m.wmv");
    ASSERT_NE(file, nullptr);
    ::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = 4;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool wrote = file->write("HELLO", 5);
    ::setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_FALSE(wrote);
    EXPECT_NE(file->failure(), zov::platform::DiskFailure::None);
}

TEST_F(PosixFileSystemTest, DiskSpaceIsThatOfTheVolumeHoldingTheDriveAndAttributesAreKept) {
    struct statvfs volume {};
    ASSERT_EQ(::statvfs(onDisk("c").c_str(), &volume), 0);
    const std::uint64_t total = static_cast<std::uint64_t>(volume.f_blocks) * volume.f_frsize;

    auto drive = fs->diskSpace("c:");
    ASSERT_TRUE(drive);
    EXPECT_EQ(drive->totalBytes, total);
    EXPECT_LE(drive->freeBytes, drive->totalBytes);
    auto notYetMade = fs->diskSpace("c:\\not\\yet\\made\\");
    ASSERT_TRUE(notYetMade);
    EXPECT_EQ(notYetMade->totalBytes, total);

    // Hidden and system attributes are kept as file servers keep them.
    ASSERT_TRUE(fs->createFolderPath("c:\\zov\\"));
    const std::string host = onDisk("c/zov");
    const bool supported = ::setxattr(host.c_str(), "user.zov-probe", "1", 1, 0) == 0;

    EXPECT_EQ(fs->setAttributes("c:\\zov\\", kAttributeHidden | kAttributeSystem), supported);
    if (supported) {
        char value[32] = {};
        const ssize_t length = ::getxattr(host.c_str(), "user.DOSATTRIB", value, sizeof value);
        EXPECT_EQ(std::string(value, length > 0 ? static_cast<std::size_t>(length) : 0), "0x6");
    }
    EXPECT_FALSE(fs->setAttributes("c:\\missing\\", 6));

    // No medium: the drive's own folder is missing, or the letter is not mapped.
    EXPECT_EQ(fs->diskSpace("g:\\zov\\"), std::nullopt);
    EXPECT_EQ(fs->diskSpace("q:"), std::nullopt);
}

TEST(PlainFileNameTest, OnlyNamesThatStayInTheirFolderPass) {
    for (std::string name : {"movie1.wmv", "a b.wmv", "..hidden", "\xc3\xa9t\xc3\xa9.wmv"}) {
        EXPECT_TRUE(isPlainFileName(name)) << name;
    }
    using namespace std::string_literals;
    for (std::string name : {""s, "."s, ".."s, "..\\..\\zov.ini"s, "a/b"s, "c:evil"s,
                             "line\r\nbreak"s, "del\x7f"s, "nul\0byte"s}) {
        EXPECT_FALSE(isPlainFileName(name)) << name;
    }
}

// The stand-in disk of the other tests keeps to the same rules where they could tell.
TEST(MemoryFileSystemTest, KeepsFilesAsTheDiskDoes) {
    EXPECT_THROW(MemoryFileSystem("1:\\zov"), std::invalid_argument);
    MemoryFileSystem fs;
    ASSERT_TRUE(fs.writeFile("c:\\m.wmv", ""));
    EXPECT_TRUE(fs.setAttributes("c:\\m.wmv", kAttributeHidden));
    EXPECT_EQ(fs.attributes("c:\\m.wmv"), kAttributeHidden);
    EXPECT_FALSE(fs.openReadWrite("c:\\m.wmv")->seek(-1));
}

TEST(DriveMapTest, DataDriveFollowsTheUsersDataFolderOrIsNotThere) {
    const std::pair<std::map<std::string, std::string>, const char*> cases[] = {
        {{{"HOME", "/home/ann"}}, "/home/ann/.local/share/zov/c"},
        {{{"HOME", "/home/ann"}, {"XDG_DATA_HOME", "/data/ann/"}}, "/data/ann/zov/c"},
        {{{"HOME", "/home/ann"}, {"XDG_DATA_HOME", "data"}}, "/home/ann/.local/share/zov/c"},
        {{{"HOME", "/"}}, "/.local/share/zov/c"},
        {{{"HOME", "/home/ann"}, {"ZOV_DRIVE_C", "/tmp/t/c/"}}, "/tmp/t/c"},
        {{}, ""},  // nowhere to put it: rather no C: than one somewhere unexpected
        {{{"ZOV_DRIVE_C", "relative/c"}}, ""}};
    for (const auto& [variables, folder] : cases)
        EXPECT_EQ(mapOf(variables).folder('c'), folder) << folder;
}

TEST(DriveMapTest, VolumesTakeTheFreeLettersFromDInOrderButNeverZ) {
    auto drives = mapOf({{"HOME", "/home/ann"}, {"ZOV_DRIVE_E", "/media/usb"}},
                        {"/media/cam", "/media/usb", "/mnt/disk", "relative"});
    EXPECT_EQ(drives.folder('D'), "/media/cam");
    EXPECT_EQ(drives.folder('E'), "/media/usb");  // named once, by the environment
    EXPECT_EQ(drives.folder('F'), "/mnt/disk");
    EXPECT_EQ(drives.folder('z'), "/");
    EXPECT_EQ(drives.letters(), (std::vector<char>{'C', 'D', 'E', 'F', 'Z'}));
    EXPECT_EQ(drives.folder('1'), "");

    std::vector<std::string> volumes;
    for (int i = 0; i < 30; ++i)
        volumes.push_back("/mnt/v" + std::to_string(100 + i));
    drives = mapOf({{"HOME", "/h"}, {"ZOV_DRIVE_D", ""}, {"ZOV_DRIVE_Z", ""}}, volumes);
    EXPECT_EQ(drives.folder('D'), "");  // an empty variable keeps a letter free
    EXPECT_EQ(drives.folder('E'), "/mnt/v100");
    EXPECT_EQ(drives.folder('Y'), "/mnt/v120");
    EXPECT_EQ(drives.folder('Z'), "");
    EXPECT_EQ(drives.letters().size(), 22u);  // C, and E to Y
}

TEST(DriveMapTest, MountTableGivesTheRemovableVolumesSortedOnce) {
    const char* table =
        "/dev/vda / ext4 rw 0 0\n"
        "proc /proc proc rw 0 0\n"
        "/dev/sdc1 /run/media/ann/My\\040Stick vfat rw 0 0\n"
        "/dev/sdb1 /media/usb vfat rw 0 0\n"
        "/dev/sdd1 /mnt ext4 rw 0 0\n"
        "/dev/sdb1 /media/usb vfat rw 0 0\n"
        "tmpfs /mediafiles tmpfs rw 0 0\n"
        "/dev/sde1 /srv/mnt ext4 rw 0 0\n"
        "garbage\n"
        "/dev/sdf1 /mnt/back\\134slash ext4 rw 0 0";  // no final newline
    EXPECT_EQ(DriveMap::volumesFromMounts(table),
              (std::vector<std::string>{"/media/usb", "/mnt", "/mnt/back\\slash",
                                        "/run/media/ann/My Stick"}));
}
