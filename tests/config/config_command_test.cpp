// The command lives in the application, which has no library of its own: compile it here.
#include "config_command.hpp"

#include <gtest/gtest.h>

#include <sstream>

#include "platform/memory_file_system.hpp"

namespace zov::test {
namespace {

const std::string kDefaultsBeforePath =
    "ZOVAuthServer.URL=vod.zov.example\nZOVPlayer.website=vod.zov.example\n"
    "ZOVAuthServer.contentDistributor=\nZOVLogOn.userID=\nZOVLogOn.userPass=\nZOVDemo.adsUrl=\n"
    "ZOVDemo.stbEpgURL=\nZOVDemo.adsEnable=False\n";
const std::string kDefaultKeys =
    "ZOVPlayer.playPauseMappedKey=80\nZOVPlayer.stopMappedKey=83\n"
    "ZOVPlayer.rewindMappedKey=82\nZOVPlayer.fastForwardMappedKey=70\n";

TEST(ConfigCommand, ListsEverySettingAsTheClientReadsItWithThePasswordMasked) {
    struct Case {
        const char* what;
        std::vector<std::string> args;
        int status;
        std::string out;
        std::string err;
    };
    const Case cases[] = {
        {"a file named",
         {"--file", "/tmp/x/zov.ini"},
         0,
         "ZOVAuthServer.URL=127.0.0.1\nZOVPlayer.website=www.zov.example\n"
         "ZOVAuthServer.contentDistributor=acme\nZOVLogOn.userID=alice\n"
         "ZOVLogOn.userPass=********\nZOVDemo.adsUrl=http://ads.example/\n"
         "ZOVDemo.stbEpgURL=http://epg.example/\nZOVDemo.adsEnable=True\n"
         "ZOVPlayer.path=d:\\movies\\\nZOVPlayer.playPauseMappedKey=32\n"
         "ZOVPlayer.stopMappedKey=82\nZOVPlayer.rewindMappedKey=37\n"
         "ZOVPlayer.fastForwardMappedKey=39\n",
         ""},
        {"the client folder's file, missing",
         {},
         0,
         kDefaultsBeforePath + "ZOVPlayer.path=c:\\zov\\\n" + kDefaultKeys,
         "zov config: zov.ini cannot be read; showing the defaults\n"},
        // Only a lower-case "true" enables the ads; a key out of range (80 + 32768), not a
        // number or empty keeps its default.
        {"odd values",
         {"--file", "/tmp/x/odd.ini"},
         0,
         kDefaultsBeforePath + "ZOVPlayer.path=\n" + kDefaultKeys,
         ""},
        {"an unknown argument", {"--verbose"}, 2, "", "usage: zov config [--file PATH]\n"},
    };
    platform::MemoryFileSystem fs;
    ASSERT_TRUE(fs.createFolderPath("Z:\\tmp\\x\\"));
    ASSERT_TRUE(
        fs.writeFile("Z:\\tmp\\x\\zov.ini",
                     "ZOVAuthServer.URL=127.0.0.1\r\nZOVPlayer.website=www.zov.example\r\n"
                     "ZOVAuthServer.contentDistributor=acme\r\nZOVLogOn.userID=alice\r\n"
                     "ZOVLogOn.userPass=s3cret=yes\r\nZOVDemo.adsUrl=http://ads.example/\r\n"
                     "ZOVDemo.stbEpgURL=http://epg.example/\r\nZOVDemo.adsEnable=true\r\n"
                     "ZOVPlayer.path=d:\\movies\r\nZOVPlayer.playPauseMappedKey=32\r\n"
                     "ZOVPlayer.stopMappedKey=81.5\r\nZOVPlayer.rewindMappedKey=37\r\n"
                     "ZOVPlayer.fastForwardMappedKey=39\r\n"));
    ASSERT_TRUE(
        fs.writeFile("Z:\\tmp\\x\\odd.ini",
                     "ZOVDemo.adsEnable=True\r\nZOVPlayer.path=\r\n"
                     "ZOVPlayer.playPauseMappedKey=32848\r\nZOVPlayer.stopMappedKey=S\r\n"
                     "ZOVPlayer.rewindMappedKey=\r\nZOVPlayer.fastForwardMappedKey=70.5\r\n"));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::ostringstream out, err;
        EXPECT_EQ(runConfigCommand(c.args, fs, out, err), c.status);
        EXPECT_EQ(out.str(), c.out);
        EXPECT_EQ(err.str(), c.err);
    }
}

}  // namespace
}  // namespace zov::test
