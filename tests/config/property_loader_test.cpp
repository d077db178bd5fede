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
};

TEST_F(PropertyLoaderTest, KeepsTheFirstTwentyEntriesOfStrippedLinesSplitAtTheFirstEqualsSign) {
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
    EXPECT_EQ(loader.getString("key25", "-"), "-");

    EXPECT_EQ(loader.getInteger("half", 0), 82);  // half to even
    EXPECT_EQ(loader.getInteger("big", 1), 1);
    EXPECT_EQ(loader.getInteger("words", 2), 2);
    EXPECT_EQ(loader.getInteger("empty", 3), 3);
    EXPECT_EQ(loader.getInteger("missing", 4), 4);
}

TEST_F(PropertyLoaderTest, AMissingFileReportsFailureAndLeavesDefaults) {
    EXPECT_FALSE(loader.loadFile("missing.ini"));
    EXPECT_FALSE(loader.loadFile("Q:\\unmapped\\zov.ini"));
    EXPECT_EQ(loader.getString("anything", "fallback"), "fallback");
}

}  // namespace
}  // namespace zov::test
