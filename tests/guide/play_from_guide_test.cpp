// Playing from the guide: movies on disk with or without their bookmark, streams to the
// embedded or the external player, and preview of the movie being downloaded.

#include "guide_fixture.hpp"

namespace zov::test {
namespace {

using PlayFromGuideTest = LoadedGuideFixture;

TEST_F(PlayFromGuideTest, PreviewNeedsFivePercentAndThenWatchesTheDownloadAhead) {
    scriptDownload("m1.wmv", 200'000, 12'000);
    clickItem("m1", "First");
    click("MLdownload");
    ASSERT_TRUE(downloadedBytesReach(12'000));
    ui.media().setDuration("C:\\zov\\m1.wmv", 100);

    guide->setProgressBarValue(4);
    ASSERT_TRUE(click("previewbt"));
    EXPECT_EQ(popups.back(),
              "Please wait for the download to be at 5% or greater to use this function");
    EXPECT_EQ(control->URL(), "");
    EXPECT_TRUE(guide->window().visible());
    EXPECT_FALSE(guide->playingWhileDownloading());

    guide->setProgressBarValue(5);
    ASSERT_TRUE(click("previewbt"));
    EXPECT_EQ(control->URL(), "C:\\zov\\m1.wmv");
    EXPECT_TRUE(guide->playingWhileDownloading());
    EXPECT_FALSE(guide->window().visible());
    EXPECT_TRUE(mainPlayer->visible());
    EXPECT_FALSE(guide->previewTimeout());  // no length yet: nothing to say
    ASSERT_TRUE(playing());

    // 50 of the 100 seconds are in: less than 30 ahead of 21 s, exactly 30 ahead of 20 s.
    guide->setProgressBarValue(50);
    control->setCurrentPosition(21);
    EXPECT_TRUE(guide->previewTimeout());
    control->setCurrentPosition(20);
    EXPECT_FALSE(guide->previewTimeout());

    // A stream chosen meanwhile ends the preview.
    guide->window().show();
    clickItem("XMSlive", "Channel two", ".streaming");
    EXPECT_FALSE(guide->playingWhileDownloading());
}

TEST_F(PlayFromGuideTest, AStreamingItemPlaysAtOnceOnlyLowerCaseXmsInTheExternalPlayer) {
    clickItem("xmslive", "Channel one", ".streaming");
    ASSERT_EQ(processes.starts.size(), 1u);
    EXPECT_EQ(control->URL(), "");
    EXPECT_EQ(skin["videoName"], "Channel one");
    EXPECT_EQ(guide->temp_selectnamelabel(), "Channel one");
    EXPECT_FALSE(guide->window().visible());

    guide->window().show();
    clickItem("XMSlive", "Channel two", ".streaming");
    EXPECT_EQ(processes.starts.size(), 1u);
    EXPECT_EQ(control->URL(), "XMSlive");
    EXPECT_EQ(skin["videoName"], "Channel two");
    EXPECT_EQ(shownButtons(), (Lines{"MLFavour", "refreshBt", "close"}));
    EXPECT_EQ(caption("SelectedNameLabel"), "");
    EXPECT_FALSE(guide->window().visible());
    EXPECT_EQ(peer.controlConnections(), 0);
}

TEST_F(PlayFromGuideTest, TheBookmarkQuestionResumesOnYesAndPlaysFromTheStartOnNo) {
    putMovie("m1");
    files.writeFile("C:\\zov\\m1.wmv.pos", "42.5\r\n");
    clickItem("m1", "First");
    answerNextQuestion(false);
    ASSERT_TRUE(click("MLplay"));
    EXPECT_EQ(control->URL(), "C:\\zov\\m1.wmv");
    ASSERT_TRUE(playing());
    EXPECT_LT(control->currentPosition(), 1.0);
    EXPECT_EQ(caption("second_line_status"), "Now Playing");
    EXPECT_EQ(guide->temp_selectnamelabel(), "First");
    EXPECT_FALSE(guide->window().visible());

    guide->window().show();
    putMovie("m2");
    files.writeFile("C:\\zov\\m2.wmv.pos", "42.5\r\n");
    clickItem("m2", "Second");
    answerNextQuestion(true);
    ASSERT_TRUE(click("MLplay"));
    EXPECT_EQ(control->URL(), "C:\\zov\\m2.wmv");
    ASSERT_TRUE(playing());
    EXPECT_NEAR(control->currentPosition(), 42.5, 0.01);
    EXPECT_FALSE(guide->window().visible());
    EXPECT_TRUE(mainPlayer->visible());
    // The texts stay as the selection left them.
    EXPECT_EQ(caption("second_line_status"), "Video On Demand");
    EXPECT_EQ(guide->temp_selectnamelabel(), "First");
}

}  // namespace
}  // namespace zov::test
