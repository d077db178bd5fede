// Deleting downloaded movies from the guide: all of a movie's files go after a Yes, a
// loaded movie is unloaded first, and only movies that are fully on disk can be deleted.

#include "guide_fixture.hpp"

namespace zov::test {
namespace {

class DeleteMediaTest : public GuideFixture {
  protected:
    void SetUp() override { loadGuidePage(); }
};

TEST_F(DeleteMediaTest, ALoadedMovieIsUnloadedAndAllItsFilesGoAfterAYes) {
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

TEST_F(DeleteMediaTest, AGuideItemWithoutItsMarkerCannotBeDeleted) {
    putMovie("m1", /*withMarker=*/false);
    clickItem("m1", "First");
    ui.window("movieGuide")->pressKey(guide::movieGuide::kDeleteKey);
    EXPECT_EQ(popups, Lines{"This media content has not been retrieved yet"});

    // Asked directly, the same movie is refused in the other wording.
    guide->deleteFile(*guide->currentSelected());
    EXPECT_EQ(popups.back(), "This media has not been retrieved yet");
    EXPECT_TRUE(fileExists("m1.wmv"));
    EXPECT_EQ(ui.window("yesNoPopup"), nullptr);  // never asked
}

}  // namespace
}  // namespace zov::test
