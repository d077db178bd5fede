#include "playback/player_adaptor.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>

#include "config/player_properties.hpp"
#include "platform/clock.hpp"
#include "platform/error.hpp"
#include "platform/memory_file_system.hpp"
#include "platform/poll_loop.hpp"
#include "playback/player_events.hpp"
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
using Playlist = PlayerAdaptor::Playlist;

config::MediaInfo media(const std::string& name) {
    config::MediaInfo info;
    info.setRemoteFileName(name);
    info.setFileExtension(".wmv");
    return info;
}

// The adaptor as the main window runs it: a simulated player, the popups, and the main
// window's reactions to the player, which sequence ads and playlist entries.
struct PlayerAdaptorTest : PlayerFixture {
    playback::PlayerEvents events{loop,    *control, mediaPlayer, *fullscreentimer,
                                  dialogs, files,    {}};

    PlayerAdaptorTest() {
        for (auto [name, seconds] :
             {std::pair{"m1", 100}, {"m2", 60}, {"ad", 15}, {"a", 10}, {"b", 20}})
            addMovie(name, seconds);
    }

    void settle() {
        ASSERT_TRUE(loop.runUntil([&] { return wmp.playState() != ui::wmppsTransitioning; }, 10s));
    }
    void advance(double seconds) {
        advanceTime(loop, clock, static_cast<std::int64_t>(seconds * 1000 + 0.5));
    }
    std::string playing() const {
        auto item = mediaPlayer.currentPlayingMedia();
        return item ? item->remoteFileName() : "(none)";
    }
};

TEST_F(PlayerAdaptorTest, AdsWithoutAnAdAddressPlayTheMovieAtOnceFromItsResumePosition) {
    playerProp.setAdsEnabled(true);
    mediaPlayer.loadContentAndResume("m1.wmv", "42.5");
    EXPECT_FALSE(mediaPlayer.isOnPlayingAds());
    EXPECT_EQ(wmp.URL(), "c:\\zov\\m1.wmv");
    settle();
    EXPECT_EQ(mediaPlayer.currentPosition(), "42.5");
}

TEST_F(PlayerAdaptorTest, TheAdPlaysFirstAndTheResumePositionWaitsForTheMovieOneSecondAfterIt) {
    playerProp.setAdsEnabled(true);
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

    advance(10);  // the ad's end empties the player; the movie waits a second
    EXPECT_EQ(wmp.URL(), "");
    EXPECT_EQ(playing(), "(none)");
    EXPECT_TRUE(popup.window().visible());
    advance(0.999);
    EXPECT_EQ(wmp.URL(), "");
    advance(0.001);
    EXPECT_EQ(wmp.URL(), "c:\\zov\\m1.wmv");
    settle();
    EXPECT_EQ(mediaPlayer.currentPosition(), "42.5");

    // Another movie chosen while the ad plays replaces the held one and its position; the
    // ad goes on where it is.
    mediaPlayer.loadContentAndResume("m1.wmv", "42.5");
    settle();
    advance(3);
    mediaPlayer.loadContent("m2.wmv");
    advance(12 + 1);
    EXPECT_EQ(wmp.URL(), "c:\\zov\\m2.wmv");
    settle();
    EXPECT_EQ(mediaPlayer.currentPosition(), "0");
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

    std::string name = "m1.wmv";
    EXPECT_TRUE(mediaPlayer.isCurrentFileLoaded(name));
    EXPECT_EQ(name, "c:\\zov\\m1.wmv");
    std::string elsewhere = "z:\\tmp\\m1.wmv";
    EXPECT_FALSE(mediaPlayer.isCurrentFileLoaded(elsewhere));
    EXPECT_EQ(elsewhere, "z:\\tmp\\m1.wmv");
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
    advance(1);
    EXPECT_EQ(wmp.URL(), "c:\\zov\\b.wmv");
    settle();
    advance(20 + 5);  // b, the last, ends: back at the first entry, and nothing plays
    EXPECT_EQ(playing(), "a");
    EXPECT_EQ(wmp.URL(), "c:\\zov\\b.wmv");
    EXPECT_EQ(wmp.playState(), ui::wmppsMediaEnded);

    mediaPlayer.setPlayListToRepeat(true);
    mediaPlayer.playPlayListItem(2);
    advance(20);
    EXPECT_EQ(wmp.URL(), "c:\\zov\\b.wmv");
    advance(1);
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
    advance(5);
    EXPECT_EQ(wmp.URL(), "");

    mediaPlayer.loadThisPlayList(playlist);
    settle();
    playlist->clear();  // by the library, while an entry plays
    EXPECT_EQ(playing(), "(none)");
    advance(10 + 5);
    EXPECT_EQ(wmp.playState(), ui::wmppsMediaEnded);
}

}  // namespace
}  // namespace zov::test
