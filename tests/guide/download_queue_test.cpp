// The download queue against a scripted delivery server: one download at a time, the
// messages the user sees, the progress figures, the completion marker on disk, and the
// status text on the skin.

#include "guide/queue.hpp"
#include "guide_fixture.hpp"
#include "net/brevicast.hpp"
#include "ui/headless/headless_list_box.hpp"

namespace zov::test {
namespace {

struct DownloadQueueTest : LoadedGuideFixture {
    Lines queueLines() {
        Lines lines;
        auto& list = guide->queueWindow().movieNameList();
        for (int i = 0; i < list.listCount(); ++i)
            lines.push_back(list.list(i));
        return lines;
    }
};

TEST_F(DownloadQueueTest, TheFirstDownloadStartsAtOnceAndIsNamedWhenItEnds) {
    scriptDownload("m1.wmv", 120'000);
    clickItem("m1", "First", ".wmv", "first film");
    ASSERT_TRUE(click("MLdownload"));
    EXPECT_EQ(popups,
              Lines{"Start Downloading First\r\nVideo is ready for playing after 5% download"});
    EXPECT_EQ(caption("currentDLLabel"), "First");
    EXPECT_EQ(shownButtons(),
              (Lines{"stopDownload", "previewbt", "MLFavour", "refreshBt", "close"}));

    ASSERT_TRUE(runUntil([&] { return peer.finished(); })) << peer.mismatch();
    advance(1);  // the engine's completion check
    ASSERT_TRUE(runUntil([&] { return !downloadsEnded.empty(); }));
    EXPECT_EQ(popups.back(), "first film Download Completed");
    EXPECT_EQ(skin["videoName"], "First");  // no longer "First-Downloading...0%"
    EXPECT_EQ(shownButtons(), (Lines{"MLplay", "MLDelete", "MLFavour", "refreshBt", "close"}));
    EXPECT_EQ(caption("currentDLLabel"), "");
    EXPECT_EQ(caption("percentLabel"), "");
}

TEST_F(DownloadQueueTest, WaitingMoviesQueueOnceAndTheQueueMovesOnAfterAFailure) {
    scriptDownload("m1.wmv", 50'000, 20'000);
    peer.pause().resetControl().nextConnection();
    scriptDownload("m3.wmv", 30'000, 10'000);
    clickItem("m1", "First");
    click("MLdownload");
    ASSERT_TRUE(downloadedBytesReach(20'000));

    clickItem("m2", "Second", ".wmv", "second film");
    click("MLdownload");
    EXPECT_EQ(popups.back(), "Add Second to the Download Queue.");
    click("MLdownload");
    EXPECT_EQ(popups.back(), "The second film video is already in the download queue.");
    clickItem("m3", "Third");
    click("MLdownload");
    EXPECT_EQ(queueLines(), (Lines{"Second", "Third"}));
    EXPECT_EQ(shownButtons(),
              (Lines{"MLdownload", "view_queue", "MLFavour", "refreshBt", "close"}));
    click("view_queue");
    EXPECT_TRUE(ui.window("queue")->visible());

    // The movie being downloaded: its state and stop button, and download does nothing.
    clickItem("m1", "First");
    EXPECT_EQ(caption("second_line_status"), "Downloading");
    EXPECT_EQ(shownButtons(),
              (Lines{"stopDownload", "previewbt", "view_queue", "MLFavour", "refreshBt", "close"}));
    const auto messages = popups.size();
    guide->downloadSelected();
    EXPECT_EQ(popups.size(), messages);

    // The viewer drops the second movie from the queue window.
    ui.listBox("queue", "movieNameList")->setListIndex(0);
    ASSERT_TRUE(ui.button("queue", "removeQueued")->click());
    EXPECT_EQ(queueLines(), (Lines{"Third"}));
    ASSERT_EQ(guide->mediaQueue().size(), 1u);
    EXPECT_EQ(guide->mediaQueue().front()->remoteFileName(), "m3");

    // The control connection breaks mid-transfer (engine error 2): no message, next movie.
    peer.resume();
    ASSERT_TRUE(runUntil([&] {
        return guide->currentDownload() && guide->currentDownload()->remoteFileName() == "m3";
    }));
    EXPECT_EQ(popups.size(), messages + 1);  // only the start of the next download
    EXPECT_EQ(popups.back(),
              "Start Downloading Third\r\nVideo is ready for playing after 5% download");
    EXPECT_TRUE(queueLines().empty());
    // The selected m1 no longer downloads.
    EXPECT_EQ(shownButtons(), (Lines{"view_queue", "MLFavour", "refreshBt", "close"}));
    ASSERT_TRUE(downloadedBytesReach(10'000));
}

TEST_F(DownloadQueueTest, ProgressIsARoundedPercentageShownOnlyWhileTheGuideIsVisible) {
    scriptDownload("m1.wmv", 1'000'000, 5'000);
    clickItem("m1", "First");
    click("MLdownload");
    ASSERT_TRUE(downloadedBytesReach(5'000));
    EXPECT_EQ(guide->progressBarValue(), 0);  // 0.5 % rounds to 0
    EXPECT_EQ(caption("percentLabel"), "0%");

    // Hidden, only the record follows the bytes.
    guide->window().hide();
    auto& engine = guide->brevicastEngine();
    std::int32_t bytes = 25'000;
    engine.onDownloading(bytes);
    EXPECT_EQ(guide->currentDownload()->downloadedBytes(), 25'000);
    EXPECT_EQ(guide->progressBarValue(), 0);

    // Visible again: 2.5 % rounds to the even 2, 3.5 % to 4.
    guide->window().show();
    engine.onDownloading(bytes);
    EXPECT_EQ(guide->progressBarValue(), 2);
    bytes = 35'000;
    engine.onDownloading(bytes);
    EXPECT_EQ(guide->progressBarValue(), 4);
    EXPECT_EQ(caption("percentLabel"), "4%");
    EXPECT_EQ(skin["_root.progressbar.percentage"], "4");
}

TEST_F(DownloadQueueTest, EngineEventsWithoutAKnownSizeOrACurrentDownloadChangeNothing) {
    peer.greet("220 Ready").pause();
    clickItem("m1", "First");
    click("MLdownload");
    auto& engine = guide->brevicastEngine();
    std::int32_t bytes = 4'000;
    engine.onDownloading(bytes);  // before the size: 0, never a division by zero
    EXPECT_EQ(caption("percentLabel"), "0%");

    click("stopDownload");
    EXPECT_EQ(downloadsEnded, (Lines{"m1"}));
    EXPECT_FALSE(guide->IsDownloadingMedia());
    const auto messages = popups.size();

    // Late events after the stop find no record and change nothing.
    engine.onDownloading(bytes);
    engine.onDownloaded();
    std::int32_t code = 0;
    engine.onError(code);
    engine.onTimeOut();
    EXPECT_EQ(popups.size(), messages);
    EXPECT_EQ(caption("percentLabel"), "");
    EXPECT_FALSE(fileExists("m1.conf"));
    EXPECT_EQ(downloadsEnded.size(), 1u);
}

TEST_F(DownloadQueueTest, ADiskThatStopsADownloadIsNamed) {
    struct Case {
        platform::DiskFailure failure;
        const char* uid;
        const char* message;
    };
    for (const Case& item :
         {Case{platform::DiskFailure::NoSpace, "m1", "Not enough disk space to finish Movie"},
          Case{platform::DiskFailure::CannotWrite, "m2", "The disk refused to store Movie"}}) {
        files.failWrites(item.failure);
        scriptDownload(item.uid + std::string(".wmv"), 50'000);
        clickItem(item.uid, "Movie");
        click("MLdownload");
        ASSERT_TRUE(runUntil([&] { return !guide->IsDownloadingMedia(); }));
        EXPECT_EQ(popups.back(), item.message);
        EXPECT_FALSE(fileExists(item.uid + std::string(".conf")));
        peer.nextConnection();
    }
}

TEST_F(DownloadQueueTest, WhileAMoviePlaysDuringADownloadTheSkinTitleAlternates) {
    putMovie("old");
    ui.media().setDefaultDuration(3600);
    scriptDownload("m1.wmv", 100'000, 40'000);
    clickItem("m1", "New one");
    click("MLdownload");
    ASSERT_TRUE(downloadedBytesReach(40'000));

    clickItem("old", "Old one");
    ASSERT_TRUE(click("MLplay"));
    ASSERT_TRUE(playing());
    videoNames.clear();
    advance(10);
    advance(10);
    EXPECT_EQ(videoNames, (Lines{"New one-Downloading...40%", "Old one-Now Playing"}));
    EXPECT_EQ(caption("SelectedNameLabel"), "Old one");
    EXPECT_EQ(caption("second_line_status"), "Now Playing");

    // The show-download button applies the same rule at once, worded with a space.
    guide->window().show();
    ui.button("movieGuide", "showdownload")->Click();
    EXPECT_EQ(videoNames.back(), "New one Downloading...40%");
    EXPECT_EQ(caption("second_line_status"), "Downloading");
}

}  // namespace
}  // namespace zov::test
