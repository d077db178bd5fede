#include "playback/player_events.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <memory>
#include <string>

#include "config/player_properties.hpp"
#include "platform/clock.hpp"
#include "platform/memory_file_system.hpp"
#include "platform/poll_loop.hpp"
#include "playback/player_adaptor.hpp"
#include "playback/player_fixture.hpp"
#include "runtime/c_timeout.hpp"
#include "runtime/dialogs.hpp"
#include "runtime/popupwindow.hpp"
#include "support/manual_time.hpp"
#include "ui/headless/headless_ui_factory.hpp"
#include "ui/headless/simulated_media_player.hpp"

namespace zov::test {
namespace {

using namespace std::chrono_literals;
using playback::PlayerAdaptor;

constexpr const char* kWaitForDownload = "Please wait for the video to be fully downloaded";

// The main window's playback reactions with a simulated player, and what they tell the
// main window and ask of the guide.
struct PlayerEventsTest : PlayerFixture {
    bool mainWindowVisible = true;
    bool previewTooClose = false;
    int previewChecks = 0;
    int streamingFullScreens = 0;
    std::map<std::string, std::string> skin;
    playback::PlayerEvents events{
        loop,
        *control,
        mediaPlayer,
        *fullscreentimer,
        dialogs,
        files,
        {[this] { return mainWindowVisible; },
         [this] {
             ++previewChecks;
             return previewTooClose;
         },
         [this] { ++streamingFullScreens; },
         [this](const std::string& name, const std::string& value) { skin[name] = value; }}};

    PlayerEventsTest() {
        for (auto [name, seconds] :
             {std::pair{"m1", 100.0}, {"m2", 5400.25}, {"ad", 15.0}, {"a", 10.0}})
            EXPECT_TRUE(files.writeFile(addMovie(name, seconds) + ".pos", "1\r\n"));
        dialogs.setFullScreenQuery([this] { return wmp.fullScreen(); });
    }

    void settle() {
        ASSERT_TRUE(loop.runUntil(
            [&] {
                return wmp.playState() != ui::wmppsTransitioning &&
                       wmp.playState() != ui::wmppsBuffering;
            },
            10s));
    }
    void advance(double seconds) {
        advanceTime(loop, clock, static_cast<std::int64_t>(seconds * 1000 + 0.5));
    }
    bool bookmarked(const std::string& name) const {
        return files.fileExists("c:\\zov\\" + name + ".wmv.pos");
    }
};

TEST_F(PlayerEventsTest, ABookmarkGoesOnlyWhenItsMovieEndsOnItsOwnAfterNoAdAndNoPlaylist) {
    mediaPlayer.loadContent("m1.wmv");
    settle();
    advance(50);
    mediaPlayer.stopPlaying();
    EXPECT_TRUE(bookmarked("m1"));
    mediaPlayer.justPlay();
    advance(100);
    EXPECT_FALSE(bookmarked("m1"));

    // A folder that happens to carry a bookmark's name stays.
    ASSERT_TRUE(files.createFolderPath("c:\\zov\\m1.wmv.pos\\"));
    mediaPlayer.loadContent("m1.wmv");
    advance(100);
    EXPECT_EQ(wmp.playState(), ui::wmppsMediaEnded);
    EXPECT_TRUE(files.folderExists("c:\\zov\\m1.wmv.pos"));

    // Neither the ad's end nor an entry's end removes one, nor moves on too early.
    playerProp.setAdsEnabled(true);
    playerProp.setAdsURL("c:\\zov\\ad.wmv");
    config::MediaInfo a, m2;
    a.setRemoteFileName("a");
    m2.setRemoteFileName("m2");
    mediaPlayer.loadThisPlayList(
        std::make_shared<PlayerAdaptor::Playlist>(PlayerAdaptor::Playlist{a, m2}));
    advance(15 + 1);
    EXPECT_EQ(wmp.URL(), "c:\\zov\\a.wmv");
    advance(10 + 1);  // the next entry, after its ad
    EXPECT_EQ(wmp.URL(), "c:\\zov\\ad.wmv");
    EXPECT_EQ(mediaPlayer.currentPlayingMedia()->remoteFileName(), "m2");
    EXPECT_TRUE(bookmarked("ad"));
    EXPECT_TRUE(bookmarked("a"));
}

TEST_F(PlayerEventsTest, PlayingShowsTheLengthAndGoesFullScreenThreeSecondsLaterUnlessHidden) {
    dialogs.showPersistentPopup("Loading.  Please Wait...");
    mediaPlayer.loadContent("m2.wmv");
    settle();
    EXPECT_EQ(skin["totalTime"], "5400.25");
    EXPECT_FALSE(popup.window().visible());
    EXPECT_FALSE(popup.diableKey);
    advance(2.999);
    EXPECT_FALSE(wmp.fullScreen());
    advance(0.001);
    EXPECT_TRUE(wmp.fullScreen());
    advance(10);  // once per start
    EXPECT_EQ(streamingFullScreens, 1);

    // A pause within the three seconds cancels the switch.
    mediaPlayer.loadContent("m1.wmv");
    settle();
    advance(2);
    mediaPlayer.justPause();
    advance(5);
    EXPECT_FALSE(wmp.fullScreen());

    // Asked while paused, the adaptor plays on and leaves the switch to the timer.
    mediaPlayer.fullScreen();
    EXPECT_EQ(wmp.playState(), ui::wmppsPlaying);
    EXPECT_FALSE(wmp.fullScreen());
    mainWindowVisible = false;
    advance(3);
    EXPECT_FALSE(wmp.fullScreen());
    EXPECT_EQ(streamingFullScreens, 1);
}

TEST_F(PlayerEventsTest, APlaybackErrorShowsTheDownloadMessageAndPausesFourSecondsLater) {
    mediaPlayer.loadContent("m1.wmv");
    settle();
    advance(30);
    wmp.failPlayback();
    EXPECT_TRUE(popup.diableKey);
    EXPECT_EQ(popup.Label1().caption(), kWaitForDownload);
    advance(3.999);
    EXPECT_TRUE(popup.window().visible());
    advance(0.001);
    EXPECT_FALSE(popup.window().visible());
    EXPECT_FALSE(popup.diableKey);

    wmp.failPlayback();
    mediaPlayer.justPlay();  // played on at once: paused again when the time is up
    advance(4 + 10);
    EXPECT_EQ(wmp.playState(), ui::wmppsPaused);
    EXPECT_EQ(mediaPlayer.currentPosition(), "34");
}

TEST_F(PlayerEventsTest, PreviewThatCatchesUpWithTheDownloadPausesButNeverDuringTheAd) {
    mainWindowVisible = false;  // full screen would drop the timed message
    mediaPlayer.loadContent("m1.wmv");
    settle();
    advance(5);
    EXPECT_EQ(previewChecks, 5);
    previewTooClose = true;
    advance(1);
    EXPECT_EQ(wmp.playState(), ui::wmppsPaused);
    EXPECT_EQ(popup.Label1().caption(), kWaitForDownload);
    EXPECT_FALSE(popup.diableKey);
    advance(10);
    EXPECT_EQ(previewChecks, 6);  // the pause stopped the checks

    playerProp.setAdsEnabled(true);
    playerProp.setAdsURL("c:\\zov\\ad.wmv");
    mediaPlayer.loadContent("m1.wmv");
    settle();
    advance(10);
    EXPECT_EQ(wmp.playState(), ui::wmppsPlaying);
    EXPECT_EQ(previewChecks, 6);
}

}  // namespace
}  // namespace zov::test
