#include "playback/player_adaptor.hpp"

#include "playback/player_events.hpp"
#include "playback/player_fixture.hpp"

namespace zov::test {
namespace {

using Playlist = playback::PlayerAdaptor::Playlist;

constexpr const char* kWaitForDownload = "Please wait for the video to be fully downloaded";

// The adaptor as the main window runs it: a simulated player, the popups, and the main
// window's reactions to the player, which sequence ads and playlist entries, tell the skin
// and ask the guide.
struct PlayerAdaptorTest : PlayerFixture {
    bool mainWindowVisible = true;
    bool previewTooClose = false;
    int previewChecks = 0;
    int streamingFullScreens = 0;
    playback::PlayerEvents events{loop,
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
                                   [this] { ++streamingFullScreens; }, skinSetter()}};

    PlayerAdaptorTest() {
        for (auto [name, seconds] :
             {std::pair{"m1", 100.0}, {"m2", 5400.25}, {"ad", 15.0}, {"a", 10.0}, {"b", 20.0}})
            EXPECT_TRUE(files.writeFile(addMovie(name, seconds) + ".pos", "1\r\n"));
        dialogs.setFullScreenQuery([this] { return wmp.fullScreen(); });
    }

    // The player's address once the clock has moved on that many seconds.
    std::string urlAfter(double seconds) {
        advance(seconds);
        return wmp.URL();
    }
    std::string playing() const {
        auto item = mediaPlayer.currentPlayingMedia();
        return item ? item->remoteFileName() : "(none)";
    }
    bool bookmarked(const std::string& name) const {
        return files.fileExists("c:\\zov\\" + name + ".wmv.pos");
    }
};

TEST_F(PlayerAdaptorTest, TheAdPlaysFirstAndTheMovieResumesOneSecondAfterIt) {
    playerProp.setAdsEnabled(true);  // without an ad's address the movie plays at once
    mediaPlayer.loadContentAndResume("m2.wmv", "42.5");
    EXPECT_FALSE(mediaPlayer.isOnPlayingAds());
    EXPECT_EQ(wmp.URL(), "c:\\zov\\m2.wmv");
    playerProp.setAdsURL("c:\\zov\\ad.wmv");
    mediaPlayer.setCurrentPlayingItem(media("m1"));
    mediaPlayer.loadContentAndResume("m1.wmv", "42.5");
    EXPECT_EQ(wmp.URL(), "c:\\zov\\ad.wmv");
    EXPECT_EQ(popup.Label1().caption(), "Loading.  Please Wait....");
    settle();
    EXPECT_EQ(mediaPlayer.currentPosition(), "0");  // the position is not the ad's

    // The ad cannot be skipped forward, but may be scanned back.
    advance(5);
    mediaPlayer.fastforward();
    EXPECT_EQ(wmp.playState(), ui::wmppsPlaying);
    EXPECT_FALSE(wmp.mute());
    mediaPlayer.rewind();
    EXPECT_EQ(wmp.playState(), ui::wmppsScanReverse);
    mediaPlayer.justPlay();

    EXPECT_EQ(urlAfter(10), "");  // the ad's end empties the player; the movie waits a second
    EXPECT_EQ(playing(), "(none)");
    EXPECT_TRUE(popup.window().visible());
    EXPECT_EQ(urlAfter(0.999), "");
    EXPECT_EQ(urlAfter(0.001), "c:\\zov\\m1.wmv");
    settle();
    EXPECT_EQ(mediaPlayer.currentPosition(), "42.5");

    // Another movie chosen while the ad plays replaces the held one and its position; the
    // ad goes on where it is.
    mediaPlayer.loadContentAndResume("m1.wmv", "42.5");
    settle();
    advance(3);
    mediaPlayer.loadContent("m2.wmv");
    EXPECT_EQ(urlAfter(12 + 1), "c:\\zov\\m2.wmv");
    settle();
    EXPECT_EQ(mediaPlayer.currentPosition(), "0");

    // A stream chosen while an ad plays ends the ad: the stream is no ad.
    mediaPlayer.loadContent("m1.wmv");
    settle();
    ASSERT_TRUE(mediaPlayer.isOnPlayingAds());
    mediaPlayer.loadStreamingContent("mms://127.0.0.1/live");
    EXPECT_FALSE(mediaPlayer.isOnPlayingAds());
}

TEST_F(PlayerAdaptorTest, BareNamesComeFromTheMovieFolderAndTheOpenAddressResumesInPlace) {
    mediaPlayer.loadContent("m1.wmv");
    settle();
    advance(30);
    mediaPlayer.justPause();
    const auto states = wmp.states().size();
    mediaPlayer.loadContent("m1.wmv");  // plays on, without opening it again
    EXPECT_EQ(wmp.states().size(), states + 1);
    EXPECT_EQ(wmp.playState(), ui::wmppsPlaying);
    EXPECT_EQ(mediaPlayer.currentPosition(), "30");
    mediaPlayer.loadContent("z:\\tmp\\m1.wmv");
    EXPECT_EQ(wmp.URL(), "z:\\tmp\\m1.wmv");
}

TEST_F(PlayerAdaptorTest, TheLastEntryEndsThePlaylistUnlessItRepeats) {
    mediaPlayer.loadThisPlayList(std::make_shared<Playlist>(Playlist{media("a"), media("b")}));
    EXPECT_EQ(wmp.URL(), "c:\\zov\\a.wmv");
    EXPECT_EQ(playing(), "a");
    settle();
    advance(10);  // a ends; b follows a second later
    EXPECT_EQ(playing(), "b");
    EXPECT_EQ(urlAfter(1), "c:\\zov\\b.wmv");
    settle();
    advance(20 + 5);  // b, the last, ends: back at the first entry, and nothing plays
    EXPECT_EQ(playing(), "a");
    EXPECT_EQ(wmp.URL(), "c:\\zov\\b.wmv");
    EXPECT_EQ(wmp.playState(), ui::wmppsMediaEnded);

    mediaPlayer.setPlayListToRepeat(true);
    mediaPlayer.playPlayListItem(2);
    EXPECT_EQ(urlAfter(20), "c:\\zov\\b.wmv");
    EXPECT_EQ(urlAfter(1), "c:\\zov\\a.wmv");

    EXPECT_THROW(mediaPlayer.playPlayListItem(0), Error);
    EXPECT_EQ(wmp.URL(), "c:\\zov\\a.wmv");
    mediaPlayer.loadThisPlayList(std::make_shared<Playlist>());
    EXPECT_EQ(playing(), "(none)");
    EXPECT_THROW(mediaPlayer.playPlayListItem(1), Error);
}

TEST_F(PlayerAdaptorTest, AStopOrAShortenedListBetweenEntriesStartsNothingMore) {
    auto playlist = std::make_shared<Playlist>(Playlist{media("a"), media("b")});
    mediaPlayer.setPlayListToRepeat(true);
    mediaPlayer.loadThisPlayList(playlist);
    settle();
    advance(10);  // a ends; b is due a second later, but the viewer stops
    mediaPlayer.stopPlaying();
    mediaPlayer.unloadContent();
    EXPECT_EQ(urlAfter(5), "");

    mediaPlayer.loadThisPlayList(playlist);
    settle();
    playlist->clear();  // by the library, while an entry plays
    EXPECT_EQ(playing(), "(none)");
    advance(10 + 5);
    EXPECT_EQ(wmp.playState(), ui::wmppsMediaEnded);
}

TEST_F(PlayerAdaptorTest, ABookmarkGoesOnlyWhenItsMovieEndsOnItsOwnAfterNoAdAndNoPlaylist) {
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
    adsOn();
    mediaPlayer.loadThisPlayList(std::make_shared<Playlist>(Playlist{media("a"), media("m2")}));
    EXPECT_EQ(urlAfter(15 + 1), "c:\\zov\\a.wmv");
    EXPECT_EQ(urlAfter(10 + 1), "c:\\zov\\ad.wmv");  // the next entry, after its ad
    EXPECT_EQ(mediaPlayer.currentPlayingMedia()->remoteFileName(), "m2");
    EXPECT_TRUE(bookmarked("ad"));
    EXPECT_TRUE(bookmarked("a"));
}

TEST_F(PlayerAdaptorTest, PlayingShowsTheLengthAndGoesFullScreenThreeSecondsLaterUnlessHidden) {
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

TEST_F(PlayerAdaptorTest, APlaybackErrorShowsTheDownloadMessageAndPausesFourSecondsLater) {
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

TEST_F(PlayerAdaptorTest, PreviewThatCatchesUpWithTheDownloadPausesButNeverDuringTheAd) {
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

    adsOn();
    mediaPlayer.loadContent("m1.wmv");
    settle();
    advance(10);
    EXPECT_EQ(wmp.playState(), ui::wmppsPlaying);
    EXPECT_EQ(previewChecks, 6);
}

}  // namespace
}  // namespace zov::test
