#include "config/property_loader.hpp"

#include <gtest/gtest.h>

#include <string>

#include "platform/memory_file_system.hpp"

namespace zov::test {
namespace {

using config::PropertyLoader;

struct PropertyLoaderTest : ::testing::Test {
    platform::MemoryFileSystem fs;
    PropertyLoader loader{fs};

    void loadLines(std::initializer_list<std::string> lines) {
        std::string text;
        for (const auto& line : lines)
            text += line + "\r\n";
        ASSERT_TRUE(fs.writeFile("settings.ini", text));
        ASSERT_TRUE(loader.loadFile("settings.ini"));
    }
};

TEST_F(PropertyLoaderTest, KeepsOnlyTheFirstTwentyEntriesNotCountingOtherLines) {
    std::string text = "' twenty-five entries follow\r\n\r\nno equals sign here\r\n";
    for (int i = 1; i <= 25; ++i) {
        text += "key" + std::to_string(i) + "=value" + std::to_string(i) + "\r\n";
        text += "   ' comment " + std::to_string(i) + "\r\n";
    }
    ASSERT_TRUE(fs.writeFile("settings.ini", text));
    ASSERT_TRUE(loader.loadFile("settings.ini"));

    EXPECT_EQ(loader.capacity(), 20);
    EXPECT_EQ(loader.getString("key1", "-"), "value1");
    EXPECT_EQ(loader.getString("key20", "-"), "value20");
    for (int i = 21; i <= 25; ++i) {
        EXPECT_EQ(loader.getString("key" + std::to_string(i), "-"), "-") << i;
    }
}

TEST_F(PropertyLoaderTest, SplitsStrippedLinesAtTheFirstEqualsSign) {
    loadLines({
        "   'ZOVLogOn.userID=commented out",
        "ZOVLogOn.userID =spaced key",
        "  ZOVAuthServer.URL=  host.example  ",
        "url=http://a.example/?x=1&y=2",
        "dup=first",
        "dup=second",
        "Case=upper",
        "empty=",
    });

    EXPECT_EQ(loader.getString("ZOVLogOn.userID", "none"), "none");
    EXPECT_EQ(loader.getString("ZOVLogOn.userID ", "none"), "spaced key");
    EXPECT_EQ(loader.getString("ZOVAuthServer.URL", ""), "  host.example");
    EXPECT_EQ(loader.getString("url", ""), "http://a.example/?x=1&y=2");
    EXPECT_EQ(loader.getString("dup", ""), "first");
    EXPECT_EQ(loader.getString("case", "none"), "none");
    EXPECT_EQ(loader.getString("empty", "none"), "");
}

TEST_F(PropertyLoaderTest, ReadsFilesWithBareLineFeedsOrAByteOrderMark) {
    ASSERT_TRUE(fs.writeFile("lf.ini",
                             "\xEF\xBB\xBF"
                             "first=1\nsecond=2\rthird=3"));
    ASSERT_TRUE(loader.loadFile("lf.ini"));
    EXPECT_EQ(loader.getString("first", ""), "1");
    EXPECT_EQ(loader.getString("second", ""), "2");
    EXPECT_EQ(loader.getString("third", ""), "3");
}

TEST_F(PropertyLoaderTest, AMissingFileReportsFailureAndLeavesDefaults) {
    EXPECT_FALSE(loader.loadFile("missing.ini"));
    EXPECT_FALSE(loader.loadFile("Q:\\unmapped\\zov.ini"));
    EXPECT_EQ(loader.getString("anything", "fallback"), "fallback");
    EXPECT_EQ(loader.getInteger("anything", 7), 7);
}

TEST_F(PropertyLoaderTest, IntegersRoundHalfToEvenAndFallBackWhenUnusable) {
    loadLines({"half=82.5", "big=70000", "words=eighty", "blank="});

    EXPECT_EQ(loader.getInteger("half", 0), 82);
    EXPECT_EQ(loader.getInteger("big", 1), 1);
    EXPECT_EQ(loader.getInteger("words", 2), 2);
    EXPECT_EQ(loader.getInteger("blank", 3), 3);
    EXPECT_EQ(loader.getInteger("missing", 4), 4);
}

}  // namespace
}  // namespace zov::test
