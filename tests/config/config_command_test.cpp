// The command lives in the application, which has no library of its own: compile it here.
#include "config_command.hpp"

#include <gtest/gtest.h>

#include <sstream>

#include "platform/memory_file_system.hpp"

namespace zov::test {
namespace {

TEST(ConfigCommand, ListsTheSettingsOfAFileWithThePasswordMasked) {
    platform::MemoryFileSystem fs;
    ASSERT_TRUE(fs.createFolderPath("Z:\\tmp\\x\\"));
    ASSERT_TRUE(fs.writeFile("Z:\\tmp\\x\\zov.ini",
                             "ZOVAuthServer.URL=127.0.0.1\r\n"
                             "ZOVLogOn.userID=alice\r\n"
                             "ZOVLogOn.userPass=secret\r\n"
                             "ZOVDemo.adsEnable=True\r\n"
                             "ZOVPlayer.path=c:\\movies\r\n"
                             "ZOVPlayer.stopMappedKey=81.5\r\n"));
    std::ostringstream out, err;

    EXPECT_EQ(runConfigCommand({"--file", "/tmp/x/zov.ini"}, fs, out, err), 0);
    EXPECT_EQ(out.str(),
              "ZOVAuthServer.URL=127.0.0.1\n"
              "ZOVPlayer.website=vod.zov.example\n"
              "ZOVAuthServer.contentDistributor=\n"
              "ZOVLogOn.userID=alice\n"
              "ZOVLogOn.userPass=********\n"
              "ZOVDemo.adsUrl=\n"
              "ZOVDemo.stbEpgURL=\n"
              "ZOVDemo.adsEnable=False\n"
              "ZOVPlayer.path=c:\\movies\\\n"
              "ZOVPlayer.playPauseMappedKey=80\n"
              "ZOVPlayer.stopMappedKey=82\n"
              "ZOVPlayer.rewindMappedKey=82\n"
              "ZOVPlayer.fastForwardMappedKey=70\n");
    EXPECT_EQ(err.str(), "");
}

TEST(ConfigCommand, ReadsTheClientFolderByDefaultAndRefusesUnknownArguments) {
    platform::MemoryFileSystem fs;
    ASSERT_TRUE(fs.writeFile("zov.ini", "ZOVLogOn.userID=bob\r\n"));
    std::ostringstream out, err;
    EXPECT_EQ(runConfigCommand({}, fs, out, err), 0);
    EXPECT_NE(out.str().find("\nZOVLogOn.userID=bob\nZOVLogOn.userPass=\n"), std::string::npos);

    std::ostringstream out2, err2;
    EXPECT_EQ(runConfigCommand({"--verbose"}, fs, out2, err2), 2);
    EXPECT_EQ(out2.str(), "");
    EXPECT_NE(err2.str().find("usage"), std::string::npos);
}

}  // namespace
}  // namespace zov::test
