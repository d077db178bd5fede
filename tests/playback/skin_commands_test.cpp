#include "playback/skin_commands.hpp"

#include "playback/bookmarks.hpp"
#include "playback/player_fixture.hpp"

namespace zov::test {
namespace {

using playback::h264Player;

constexpr const char* kBookmark = "c:\\zov\\m1.wmv.pos";

// The skin's commands with both players.
struct SkinCommandsTest : PlayerFixture {
    std::vector<std::string> calls;
    playback::SkinCommands commands{
        mediaPlayer,
        *control,
        streamingPlayer,
        h264Screen,
        files,
        dialogs,
        {skinSetter(), [this] { calls.push_back("guide"); },
         [this] { calls.push_back("HDEngine"); }, [this] { calls.push_back("min"); },
         [this] {
             calls.push_back("exit " + std::to_string(streamingPlayer.PlayerCurrentStatus()));
         }}};

    SkinCommandsTest() {
        addMovie("m1", 5400);
        addMovie("ad", 15);
    }
    void say(const std::string& command, const std::string& args = {}) {
        commands.dispatch(command, args);
    }
    // The movie in the embedded player, as the guide starts it.
    void playEmbedded() {
        mediaPlayer.setCurrentPlayingItem(media("m1"));
        mediaPlayer.loadContent("m1.wmv");
        settle();
    }
    // A running external player that has told its control window and its length.
    void playExternal(std::int32_t length) {
        streamingPlayer.loadContent("xms://127.0.0.1/one");
        streamingPlayer.setController(900);
        streamingPlayer.setDuration(length);
    }
};

TEST_F(SkinCommandsTest, WithNothingInTheEmbeddedPlayerTheExternalPlayerIsSteered) {
    say("UPDATE_TIME");
    EXPECT_EQ(skin, (Variables{{"txtTime", " "}, {"totalTimestring", " "}, {"nowTime", "0"}}));

    playExternal(5400);
    streamingPlayer.setCurrentPosition(125);
    say("UPDATE_TIME");
    EXPECT_EQ(skin["txtTime"], "00:02:05");
    EXPECT_EQ(skin["nowTime"], "125");
    say("UPDATE_POSITION", "130.5");
    say("UPDATE_POSITION", "not a number");
    say("forward");
    say("rewind");
    EXPECT_EQ(sentToPlayer(), (Sent{{h264Player::kSeek, 130, 0},
                                    {h264Player::kFastForward, 0, 0},
                                    {h264Player::kRewind, 0, 0}}));

    say("pause");
    EXPECT_EQ(streamingPlayer.PlayerCurrentStatus(), h264Player::Paused);
    EXPECT_EQ(h264Screen.repaints(), 1);
    processes.failure = Error(53, "File not found", "ProcessLauncher.start");
    say("play");  // cannot start again: still paused, and nothing escapes
    EXPECT_EQ(streamingPlayer.PlayerCurrentStatus(), h264Player::Paused);
    processes.failure.reset();
    say("stop");
    EXPECT_EQ(streamingPlayer.PlayerCurrentStatus(), h264Player::Stopped);
    EXPECT_TRUE(wmp.states().empty());
}

TEST_F(SkinCommandsTest, TheEmbeddedPlayerTakesTheCommandsWhileItHasACurrentItem) {
    playExternal(5400);  // still up behind the embedded player: it must not be touched
    playEmbedded();
    say("forward");
    EXPECT_EQ(wmp.playState(), ui::wmppsScanForward);
    say("play");
    say("UPDATE_POSITION", "30.5");
    say("UPDATE_TIME");
    EXPECT_EQ(skin["txtTime"], "00:30");
    EXPECT_TRUE(messages.posted().empty());

    // Commands match exactly; the window commands reach the main window.
    const auto states = wmp.states().size();
    skin.clear();
    for (const char* command : {"Play", "play ", "PAUSE", "end", "update_time", "bookmark ", "",
                                "help", "preview", "LOAD", "DELETE", "DOWNLOAD"})
        say(command, "10");
    EXPECT_EQ(wmp.states().size(), states);
    EXPECT_TRUE(skin.empty());
    EXPECT_TRUE(messages.posted().empty());
    for (const char* command : {"idv_central", "HDEngine", "min"})
        say(command);
    EXPECT_EQ(calls, (std::vector<std::string>{"guide", "HDEngine", "min"}));

    say("full_screen");  // both players alike
    EXPECT_TRUE(wmp.fullScreen());
    EXPECT_EQ(h264Screen.rect().height, 1000);
    say("full_screen");  // again: the movie leaves full screen and plays on
    EXPECT_FALSE(wmp.fullScreen());
    EXPECT_EQ(wmp.playState(), ui::wmppsPlaying);

    // "stop" empties the embedded player and its current item: the next command goes to
    // the external player, which ends before the program does.
    say("stop");
    EXPECT_EQ(wmp.URL(), "");
    say("forward");
    EXPECT_EQ(sentToPlayer(), (Sent{{h264Player::kFastForward, 0, 0}}));
    say("End");
    EXPECT_EQ(calls.back(), "exit 0");
    EXPECT_TRUE(processes.processes().empty());
}

TEST_F(SkinCommandsTest, BookmarkWritesThePositionOfAMovieOnlyWhileItIsShownWithoutAnAd) {
    playEmbedded();
    advanceTime(loop, clock, 1'234'560);
    say("bookmark");
    EXPECT_EQ(files.readFile(kBookmark), "1234.56\r\n");
    EXPECT_EQ(popup.Label1().caption(), "Current Position is successfully bookmarked.");
    playback::Bookmarks bookmarks(files);
    EXPECT_EQ(bookmarks.readPosition("c:\\zov\\m1.wmv"), "1234.56");

    say("pause");
    say("UPDATE_POSITION", "100");
    say("bookmark");  // paused counts too; the file is written anew
    EXPECT_EQ(files.readFile(kBookmark), "100\r\n");

    // Stopped, during the ad, or a stream: nothing is written.
    ASSERT_TRUE(files.deleteFile(kBookmark));
    mediaPlayer.stopPlaying();
    say("bookmark");
    adsOn();
    mediaPlayer.loadContent("m1.wmv");
    settle();
    say("bookmark");
    mediaPlayer.loadStreamingContent("mms://127.0.0.1/live");
    settle();
    popup.window().hide();
    say("bookmark");
    EXPECT_FALSE(popup.window().visible());
    EXPECT_FALSE(files.fileExists(kBookmark));
    EXPECT_FALSE(files.fileExists("c:\\zov\\ad.wmv.pos"));

    // Only a numeric first line is a position.
    ASSERT_TRUE(files.writeFile(kBookmark, " 12.5 \nnot read"));
    EXPECT_EQ(bookmarks.readPosition("c:\\zov\\m1.wmv"), " 12.5 ");
    ASSERT_TRUE(files.writeFile(kBookmark, "twelve\r\n"));
    EXPECT_EQ(bookmarks.readPosition("c:\\zov\\m1.wmv"), std::nullopt);
}

}  // namespace
}  // namespace zov::test
