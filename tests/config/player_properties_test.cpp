#include "config/player_properties.hpp"

#include <gtest/gtest.h>

#include <string>

#include "platform/memory_file_system.hpp"

namespace zov::test {
namespace {

using config::PlayerProperties;

struct PlayerPropertiesTest : ::testing::Test {
    platform::MemoryFileSystem fs;
    PlayerProperties props{fs};

    void loadLines(std::initializer_list<std::string> lines) {
        std::string text;
        for (const auto& line : lines)
            text += line + "\r\n";
        ASSERT_TRUE(fs.writeFile("zov.ini", text));
        props.load("zov.ini");
    }
};

// Every setting read and its defaults: config_command_test.cpp lists them all; what a save
// writes, the install test reads back.

TEST_F(PlayerPropertiesTest, OddValuesReadAsTheClientAlwaysReadThem) {
    loadLines({"ZOVDemo.adsEnable=True", "ZOVPlayer.path=", "ZOVPlayer.playPauseMappedKey=32848",
               "ZOVPlayer.stopMappedKey=S",
               "ZOVPlayer.rewindMappedKey=", "ZOVPlayer.fastForwardMappedKey=70.5"});
    EXPECT_EQ(props.demoAdsEnable(), "False");  // only a lower-case "true" enables the ads
    EXPECT_EQ(props.mediaPath(), "");
    EXPECT_EQ(props.playPauseKey(), 80);  // 80 + 32768: out of range
    EXPECT_EQ(props.stopKey(), 83);
    EXPECT_EQ(props.rewindKey(), 82);
    EXPECT_EQ(props.fastForwardKey(), 70);  // half to even
    loadLines({"ZOVDemo.adsEnable=true   "});
    EXPECT_EQ(props.demoAdsEnable(), "True");

    props.setMediaPath("E:\\zov");  // a folder ends in a backslash, unless there is none
    EXPECT_EQ(props.mediaPath(), "E:\\zov\\");
    props.setMediaPath("");
    EXPECT_EQ(props.mediaPath(), "");
}

}  // namespace
}  // namespace zov::test
