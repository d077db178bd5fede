// The guide window's pages and the selected item: pages come through the pre-load browser,
// every guide item is wired, a click sets up the buttons that fit the movie, and only a
// movie fully on disk can be deleted (all its files, after a Yes).

#include "guide_fixture.hpp"

namespace zov::test {
namespace {

class GuidePageTest : public GuideFixture {};

TEST_F(GuidePageTest, ABlankPageSaysLoadingAndNothingActsBeforeAGuidePageIsWired) {
    auto epg = ui.browser("movieGuide", "epgBrowser");
    ASSERT_TRUE(runUntil([&] { return epg->loadCount() > 0 && !epg->busy(); }));
    EXPECT_EQ(epg->document()->body()->innerHtml(), " Loading...");
    EXPECT_FALSE(guide->pageReady());
    EXPECT_FALSE(ui.browser("movieGuide", "bufferView")->visible());  // the pre-load browser
    // Until an item is chosen only the buttons that need none are offered.
    EXPECT_EQ(shownButtons(), (Lines{"MLFavour", "refreshBt", "close"}));

    putMovie("m1");
    ui.window("movieGuide")->pressKey(guide::movieGuide::kDeleteKey);
    EXPECT_TRUE(popups.empty());
    EXPECT_TRUE(fileExists("m1.wmv"));
}

TEST_F(GuidePageTest, AMovieCountsAsOnDiskAndCanBeDeletedOnlyWithItsCompletionMarker) {
    loadGuidePage();
    putMovie("m1", /*withMarker=*/false);
    clickItem("m1", "First");
    EXPECT_EQ(shownButtons(), (Lines{"MLdownload", "MLFavour", "refreshBt", "close"}));
    EXPECT_EQ(caption("second_line_status"), "Download");
    EXPECT_EQ(skin["videoName"], "First-Download");
    // Nor can it be deleted: the key and a direct request refuse in their own words.
    ui.window("movieGuide")->pressKey(guide::movieGuide::kDeleteKey);
    EXPECT_EQ(popups, Lines{"This media content has not been retrieved yet"});
    guide->deleteFile(*guide->currentSelected());
    EXPECT_EQ(popups.back(), "This media has not been retrieved yet");
    EXPECT_TRUE(fileExists("m1.wmv"));
    EXPECT_EQ(ui.window("yesNoPopup"), nullptr);  // never asked

    putMovie("m1");
    clickItem("m1", "First");
    EXPECT_EQ(shownButtons(), (Lines{"MLplay", "MLDelete", "MLFavour", "refreshBt", "close"}));
    EXPECT_EQ(caption("second_line_status"), "Video On Demand");
    EXPECT_EQ(skin["videoName"], "First");
}

TEST_F(GuidePageTest, ALoadedMovieIsUnloadedAndAllItsFilesGoAfterAYes) {
    loadGuidePage();
    putMovie("m1");
    files.writeFile("C:\\zov\\m1.wmv.pos", "12\r\n");
    clickItem("m1", "First");
    answerNextQuestion(false);
    click("MLplay");
    ASSERT_EQ(control->URL(), "C:\\zov\\m1.wmv");

    guide->window().show();
    answerNextQuestion(false);
    ASSERT_TRUE(click("MLDelete"));
    EXPECT_TRUE(fileExists("m1.wmv"));
    EXPECT_TRUE(popups.empty());

    answerNextQuestion(true);
    ASSERT_TRUE(click("MLDelete"));
    EXPECT_EQ(control->URL(), "");
    for (const char* name : {"m1.wmv", "m1.conf", "m1.wmv.pos"})
        EXPECT_FALSE(fileExists(name)) << name;
    EXPECT_EQ(popups, Lines{"The movie First has been deleted"});
    EXPECT_EQ(shownButtons(), (Lines{"MLdownload", "MLFavour", "refreshBt", "close"}));
    EXPECT_FALSE(ui.window("yesNoPopup")->visible());
}

TEST_F(GuidePageTest, NamesThatWouldLeaveTheMovieFolderAreRefused) {
    loadGuidePage();
    // What a hostile page would aim at: files beside the movie folder.
    files.writeFile("C:\\secret.wmv", "keep");
    files.writeFile("C:\\secret.conf", "keep");

    struct Case {
        const char* uid;
        const char* extension;
    };
    for (const Case& item : {Case{"..\\secret", ".wmv"}, Case{"m1", ".wmv\\..\\..\\secret"},
                             Case{"", ".wmv"}, Case{"a:b", ".wmv"}, Case{"m\x01", ".wmv"}}) {
        SCOPED_TRACE(item.uid);
        popups.clear();
        clickItem(item.uid, "Hostile", item.extension);
        EXPECT_EQ(guide->currentSelected(), nullptr);
        const std::string refusal =
            "The guide gave this movie a file name that cannot be used: \"" +
            std::string(item.uid) + item.extension + "\"";
        EXPECT_EQ(popups, Lines{refusal});
        EXPECT_EQ(shownButtons(), (Lines{"MLFavour", "refreshBt", "close"}));

        // Deleting what the page describes refuses too.
        ui.window("movieGuide")->pressKey(guide::movieGuide::kDeleteKey);
        EXPECT_EQ(popups, (Lines{refusal, refusal}));
    }
    EXPECT_EQ(files.readFile("C:\\secret.wmv"), "keep");
    EXPECT_EQ(files.readFile("C:\\secret.conf"), "keep");
    EXPECT_EQ(peer.controlConnections(), 0);
    EXPECT_EQ(control->URL(), "");
}

}  // namespace
}  // namespace zov::test
