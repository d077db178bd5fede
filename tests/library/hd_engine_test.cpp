#include "library/hd_engine.hpp"

#include "library/change_data_path.hpp"
#include "library/library_fixture.hpp"
#include "ui/headless/headless_button.hpp"
#include "ui/headless/headless_drive_list.hpp"

using namespace zov;
using library::HDEngine;

namespace {

constexpr const char* kLowSpaceWarning =
    "You have less than 1GB left in your harddrive for storing video cache. You might have "
    "problems viewing videos.  Please free up more space on the current harddrive or use the "
    "movie cache manager to select another harddrive with more than 1GB of harddrive space.";

struct CacheManagerTest : test::LibraryFixture {
    std::unique_ptr<HDEngine> manager;

    void load(platform::FileSystem& disk) {
        manager = std::make_unique<HDEngine>(ui, disk, dialogs, *this);
    }
    void load() { load(files); }
    std::string label(const char* name) { return ui.label("HDEngine", name)->caption(); }
    void choose(const char* drive) { ui.driveList("HDEngine", "HD")->choose(drive); }
    // The sizes shown for a drive of that many bytes, total and free alike.
    std::string shownFor(std::uint64_t bytes) {
        files.setDiskSpace('D', {bytes, bytes});
        choose("d:");
        EXPECT_EQ(label("totalSizeLabel"), label("freeSpaceLabel"));
        return label("totalSizeLabel");
    }
    void clearPopup() { ui.label("popupwindow", "Label1")->setCaption(""); }
};

}  // namespace

TEST_F(CacheManagerTest, LoadingNamesTheMovieFoldersDriveAndItsButtonsActOnTheMainWindow) {
    files.setDiskSpace('C', {1610612736, 3ull << 30});
    load();
    EXPECT_EQ(label("currentHDLabel"), "c:");
    EXPECT_EQ(label("Label1") + label("HDlabel") + label("Label2"),
              "Currently using cdrive for movie cache");
    EXPECT_EQ(ui.driveList("HDEngine", "HD")->drive().substr(0, 2), "c:");
    EXPECT_EQ(label("totalSizeLabel"), "3.GB");
    EXPECT_EQ(label("freeSpaceLabel"), "1.5GB");
    EXPECT_FALSE(ui.button("HDEngine", "HDPlay")->visible());
    EXPECT_NE(popupText(), kLowSpaceWarning);

    ui.window("HDEngine")->show();
    ui.button("HDEngine", "changeHDButton")->click();
    EXPECT_EQ(changeDataPathCalls, 1);
    ui.button("HDEngine", "HDClose")->click();
    EXPECT_FALSE(ui.window("HDEngine")->visible());

    // A movie folder on a drive the list does not offer still loads the window.
    playerProp().setMediaPath("q:\\movies\\");
    load();
    EXPECT_EQ(label("currentHDLabel"), "q:");
    EXPECT_EQ(label("HDlabel"), "q");
}

TEST_F(CacheManagerTest, SizesShowInGigabytesFromOneGigabyteAndInMegabytesBelow) {
    files.mapDrive('D');
    load();
    EXPECT_EQ(shownFor(1073741824), "1.GB");
    EXPECT_EQ(shownFor(1073741823), "1024.MB");
    EXPECT_EQ(shownFor(0), "0.MB");
    EXPECT_EQ(shownFor(1572864), "1.5MB");
    EXPECT_EQ(shownFor(1234567890123ull), "1149.781GB");
}

TEST_F(CacheManagerTest, ADriveWithLittleSpaceOrThatCannotBeMeasuredWarns) {
    files.mapDrive('D');
    files.mapDrive('E');
    platform::MemoryFileSystem measured;  // drive D without E: E cannot be measured
    load(measured);
    clearPopup();
    measured.setDiskSpace('D', {512010000, 8ull << 30});
    choose("d:");
    EXPECT_EQ(popupText(), "");
    measured.setDiskSpace('D', {512009999, 8ull << 30});
    choose("d:");
    EXPECT_EQ(popupText(), kLowSpaceWarning);
    EXPECT_EQ(label("freeSpaceLabel"), "488.291MB");

    clearPopup();
    choose("e:");
    EXPECT_EQ(label("totalSizeLabel"), "0.MB");
    EXPECT_EQ(label("freeSpaceLabel"), "0.MB");
    EXPECT_EQ(popupText(), kLowSpaceWarning);
}

// ---- moving the movie folder ----------------------------------------------------------------

struct ChangeDataPathTest : CacheManagerTest {
    ChangeDataPathTest() {
        files.mapDrive('E');
        files.writeFile(programFolder() + "\\zov.ini",
                        "ZOVAuthServer.URL=auth.example\r\nZOVPlayer.website=site\r\n"
                        "ZOVLogOn.userID=joe\r\nZOVLogOn.userPass=secret\r\n"
                        "ZOVAuthServer.contentDistributor=dist\r\nZOVPlayer.stopMappedKey=90\r\n");
        playerProp().load(programFolder() + "\\zov.ini");
        load();
    }
    void change() { library::changeDataPath(*this, files, dialogs, *manager); }
    std::string ini() { return files.readFile(programFolder() + "\\zov.ini").value_or(""); }
};

TEST_F(ChangeDataPathTest,
       MovingToAnotherDriveKeepsTheFoldersWhereverTheyWereAndRewritesTheSettings) {
    ASSERT_EQ(playerProp().mediaPath(), "c:\\zov\\");
    choose("e:");
    change();
    EXPECT_EQ(playerProp().mediaPath(), "E:\\zov\\");
    EXPECT_TRUE(files.folderExists("E:\\zov\\"));
    EXPECT_EQ(files.attributes("E:\\zov\\"),
              platform::kAttributeHidden | platform::kAttributeSystem);
    EXPECT_EQ(popupText(), "The Movies will now be stored in E:");
    EXPECT_EQ(label("currentHDLabel"), "E:");
    EXPECT_EQ(label("HDlabel"), "E");
    EXPECT_EQ(ini(),
              "ZOVAuthServer.URL=auth.example\r\nZOVLogOn.userID=joe\r\n"
              "ZOVLogOn.userPass=secret\r\nZOVAuthServer.contentDistributor=dist\r\n"
              "ZOVPlayer.path=E:\\zov\\\r\n");

    // The folders move to the chosen drive whatever drive they were on.
    const std::pair<const char*, const char*> cases[] = {{"q:\\movies\\", "E:\\movies\\"},
                                                         {"\\movies\\", "E:\\movies\\"},
                                                         {"movies\\", "E:\\movies\\"},
                                                         {"c:", "E:\\"}};
    for (const auto& [before, after] : cases) {
        playerProp().setMediaPath(before);
        change();
        EXPECT_EQ(playerProp().mediaPath(), after) << before;
        EXPECT_TRUE(files.folderExists(after)) << before;
    }
}

TEST_F(ChangeDataPathTest, NothingMovesWhileADownloadRunsOrWhenTheFolderCannotBeMade) {
    const std::string before = ini();
    ASSERT_TRUE(files.writeFile("E:\\zov", "a file in the way"));
    choose("e:");
    for (bool busy : {true, false}) {
        downloading = busy;
        change();
        EXPECT_EQ(popupText(), busy ? "Can't perform this function, please wait for the "
                                      "current download to complete."
                                    : "Can not create path");
        EXPECT_EQ(playerProp().mediaPath(), "c:\\zov\\");
        EXPECT_EQ(label("currentHDLabel"), "c:");
        EXPECT_EQ(ini(), before);
    }
}
