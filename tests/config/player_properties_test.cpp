#include "config/player_properties.hpp"

#include <gtest/gtest.h>

#include <string>

#include "platform/error.hpp"
#include "platform/memory_file_system.hpp"

namespace zov::test {
namespace {

using config::DeliveryServerInfo;
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

// Every setting read and its defaults: config_command_test.cpp lists them all.

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

TEST_F(PlayerPropertiesTest, SaveOfTwentyReadEntriesWritesFiveLinesReadableOnlyByTheOwner) {
    std::string twenty;
    for (int i = 0; i < 15; ++i)
        twenty += "extra" + std::to_string(i) + "=x\r\n";
    ASSERT_TRUE(fs.writeFile("zov.ini", twenty + "ZOVAuthServer.URL=10.0.0.1\r\n"
                                                 "ZOVPlayer.website=site\r\n"
                                                 "ZOVDemo.adsEnable=true\r\n"
                                                 "ZOVPlayer.stopMappedKey=81\r\n"
                                                 "ZOVPlayer.path=c:\\zov\r\n"
                                                 "ZOVPlayer.rewindMappedKey=1\r\n"
                                                 "ZOVLogOn.userID=twenty-second\r\n"));
    props.load("zov.ini");
    EXPECT_EQ(props.rewindKey(), 82);  // entries after the 20th are not read
    EXPECT_EQ(props.userID(), "");
    EXPECT_EQ(props.mediaPath(), "c:\\zov\\");
    props.setUserID("bob");
    props.setUserPass("pa ss");
    props.setContentDistributor("acme");
    props.setMediaPath("E:\\zov\\");

    ASSERT_TRUE(props.save("C:\\zov-client\\zov.ini"));
    EXPECT_FALSE(props.save("c:\\no such folder\\zov.ini"));

    EXPECT_EQ(fs.readFile("zov.ini"),
              "ZOVAuthServer.URL=10.0.0.1\r\n"
              "ZOVLogOn.userID=bob\r\n"
              "ZOVLogOn.userPass=pa ss\r\n"
              "ZOVAuthServer.contentDistributor=acme\r\n"
              "ZOVPlayer.path=E:\\zov\\\r\n");
    EXPECT_EQ(fs.privacy("zov.ini"), platform::Privacy::OwnerOnly);

    PlayerProperties reread(fs);
    reread.load("zov.ini");
    EXPECT_EQ(reread.userPass(), "pa ss");
    EXPECT_EQ(reread.website(), "vod.zov.example");
    EXPECT_EQ(reread.stopKey(), 83);
}

TEST_F(PlayerPropertiesTest, TheFirstDeliveryServerIsTheOneUsed) {
    EXPECT_THROW(props.getDeliveryServer(), Error);  // none yet
    DeliveryServerInfo first;
    first.setServerURL("127.0.0.1");
    first.setPort(60999);
    props.addDeliveryServer(first);
    props.addDeliveryServer(DeliveryServerInfo());
    EXPECT_EQ(props.getDeliveryServer().serverURL(), "127.0.0.1");
    EXPECT_EQ(props.getDeliveryServer().port(), 60999);
}

}  // namespace
}  // namespace zov::test
