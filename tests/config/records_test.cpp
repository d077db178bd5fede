#include <gtest/gtest.h>

#include "config/media_info.hpp"
#include "platform/memory_file_system.hpp"

namespace zov::test {
namespace {

using config::MediaInfo;

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
