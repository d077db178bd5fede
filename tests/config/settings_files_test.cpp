// The client's settings files: how lines are read, what odd values mean, and the small file
// beside each movie.
#include <gtest/gtest.h>

#include <string>

#include "config/media_info.hpp"
#include "config/property_loader.hpp"
#include "platform/memory_file_system.hpp"

namespace zov::test {
namespace {

using config::MediaInfo;
using config::PropertyLoader;

// A file that cannot be read leaves every default: config_command_test.cpp shows it.
TEST(PropertyLoaderTest, KeepsTheFirstTwentyEntriesOfStrippedLinesSplitAtTheFirstEqualsSign) {
    platform::MemoryFileSystem fs;
    PropertyLoader loader{fs};
    std::string text =
        "\xEF\xBB\xBF"
        "dup=first\r\n' a comment\r\n\r\nno equals sign here\r\n"
        "   'ZOVLogOn.userID=commented out\r\nZOVLogOn.userID =spaced key\n"
        "  ZOVAuthServer.URL=  host.example  \rurl=http://a.example/?x=1&y=2\r\n"
        "dup=second\r\nCase=upper\r\nempty=\r\nhalf=82.5\r\nbig=70000\r\nwords=eighty\r\n";
    for (int i = 11; i <= 25; ++i)
        text += "key" + std::to_string(i) + "=value" + std::to_string(i) + "\r\n   ' note\r\n";
    ASSERT_TRUE(fs.writeFile("settings.ini", text));
    ASSERT_TRUE(loader.loadFile("settings.ini"));

    EXPECT_EQ(loader.getString("ZOVLogOn.userID", "none"), "none");
    EXPECT_EQ(loader.getString("ZOVLogOn.userID ", "none"), "spaced key");
    EXPECT_EQ(loader.getString("ZOVAuthServer.URL", ""), "  host.example");
    EXPECT_EQ(loader.getString("url", ""), "http://a.example/?x=1&y=2");
    EXPECT_EQ(loader.getString("dup", ""), "first");
    EXPECT_EQ(loader.getString("case", "none"), "none");
    EXPECT_EQ(loader.getString("empty", "none"), "");
    EXPECT_EQ(loader.getString("key20", "-"), "value20");  // the twentieth entry
    EXPECT_EQ(loader.getString("key21", "-"), "-");
    EXPECT_EQ(loader.getInteger("half", 0), 82);  // half to even
    EXPECT_EQ(loader.getInteger("big", 1), 1);
    EXPECT_EQ(loader.getInteger("words", 2), 2);
}

TEST(MediaInfo, KeepsTheDownloadedCountInASmallFileAndReadsAnUnusableOneAsZero) {
    platform::MemoryFileSystem fs;
    ASSERT_TRUE(fs.createFolderPath("c:\\zov\\"));
    MediaInfo media;
    media.setDownloadedBytes(2147483647);
    ASSERT_TRUE(media.save(fs, "c:\\zov\\m1.wmv.ini"));
    EXPECT_EQ(fs.readFile("C:\\zov\\m1.wmv.ini"), "Media.downloadedBytes=2147483647\r\n");

    const auto loadFrom = [&](const char* text) {
        media.setDownloadedBytes(5);
        if (text && *text) {
            EXPECT_TRUE(fs.writeFile("c:\\zov\\m1.wmv.ini", text));
        }
        media.load(fs, text ? "c:\\zov\\m1.wmv.ini" : "missing.ini");
        return media.downloadedBytes();
    };
    EXPECT_EQ(loadFrom(""), 2147483647);  // as saved
    EXPECT_EQ(loadFrom("Media.downloadedBytes= 1500 \r\n"), 1500);
    EXPECT_EQ(loadFrom("Other.key=12\r\n"), 0);
    EXPECT_EQ(loadFrom("Media.downloadedBytes=4294967396\r\n"), 0);  // must not wrap to 100
    EXPECT_EQ(loadFrom("Media.downloadedBytes=lots\r\n"), 0);
    EXPECT_EQ(loadFrom(nullptr), 0);
}

}  // namespace
}  // namespace zov::test
