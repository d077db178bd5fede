#include "library/media_library.hpp"

#include <fstream>
#include <iterator>

#include "library/library_fixture.hpp"
#include "ui/headless/memory_browser.hpp"
#include "ui/headless/memory_document.hpp"

using namespace zov;
using library::mediaLibrary;

namespace {

config::MediaInfo movie(const std::string& remote, const std::string& title) {
    config::MediaInfo media;
    media.setRemoteFileName(remote);
    media.setMediaTitle(title);
    return media;
}

constexpr int kUp = mediaLibrary::kKeyUp, kDown = mediaLibrary::kKeyDown,
              kLeft = mediaLibrary::kKeyLeft, kRight = mediaLibrary::kKeyRight,
              kEnter = mediaLibrary::kKeyEnter, kDelete = mediaLibrary::kKeyDelete;

struct PlaylistTest : test::LibraryFixture {
    std::unique_ptr<mediaLibrary> library;

    PlaylistTest() {
        std::ifstream in(ZOV_SOURCE_DIR "/app/zov/playlistSkin.html");
        const std::string page{std::istreambuf_iterator<char>(in), {}};
        EXPECT_FALSE(page.empty());
        files.writeFile(programFolder() + "\\playlistSkin.html", page);
    }
    void load() { library = std::make_unique<mediaLibrary>(ui, files, dialogs, *this); }
    void loadAndWait() {
        load();
        ASSERT_TRUE(runUntil([this] { return browser().loadCount() == 2 && !browser().busy(); }));
    }
    ui::headless::MemoryBrowser& browser() { return *ui.browser("mediaLibrary", "PlayListView"); }
    ui::headless::MemoryDocument& page() { return *browser().memoryDocument(); }
    // Presses the keys in turn; what is highlighted then.
    std::string press(std::initializer_list<int> keys) {
        for (int key : keys)
            ui.window("mediaLibrary")->pressKey(key);
        return highlighted();
    }

    // What the page shows highlighted, as a person sees it.
    std::string highlighted() {
        std::string seen;
        for (const char* id : {"playbutton_over", "repeatbutton_over", "exitbutton_over"})
            if (page().all(id)->mouseIsOver()) seen += std::string(seen.empty() ? "" : " ") + id;
        const auto frames = page().elementsByName("selectionControl");
        for (std::size_t i = 0; i < frames.size(); ++i)
            if (frames[i]->mouseIsOver())
                seen += (seen.empty() ? "entry " : " entry ") + std::to_string(i);
        return seen;
    }
    std::vector<std::string> shownTitles() {
        std::vector<std::string> titles;
        for (auto* frame : page().elementsByName("selectionControl"))
            titles.push_back(frame->innerText());
        EXPECT_EQ(page().getElementById("myPlayList")->rowCount(), static_cast<int>(titles.size()));
        return titles;
    }
    std::vector<std::string> listedTitles() {
        std::vector<std::string> titles;
        for (const auto& entry : library->playlist())
            titles.push_back(entry.mediaTitle());
        return titles;
    }
    void addMovies(std::initializer_list<const char*> names) {
        for (const char* name : names)
            library->addToPlayList(movie(name, name));
    }
    using Titles = std::vector<std::string>;
};

}  // namespace

TEST_F(PlaylistTest, MoviesAddedBeforeThePageArrivesAreShownWhenItLoads) {
    load();
    addMovies({"early one", "early two"});
    ASSERT_TRUE(runUntil([this] { return browser().loadCount() == 2 && !browser().busy(); }));
    EXPECT_EQ(browser().LocationURL(), programFolder() + "/playlistSkin.html");
    EXPECT_EQ(shownTitles(), (Titles{"early one", "early two"}));
    EXPECT_EQ(highlighted(), "playbutton_over");
    EXPECT_EQ(page().getElementById("MLRepeat")->innerText(), "REPEAT");

    // A reload of the page shows the list again rather than an empty page.
    browser().Refresh();
    ASSERT_TRUE(runUntil([this] { return browser().loadCount() == 3; }));
    EXPECT_EQ(shownTitles(), (Titles{"early one", "early two"}));
    EXPECT_EQ(highlighted(), "playbutton_over");
}

TEST_F(PlaylistTest, EachMovieIsListedOnceUnderItsTitleCutTo25Characters) {
    loadAndWait();
    library->addToPlayList(movie("m1", "The Longest Title Ever Written Here"));
    EXPECT_EQ(popupText(), "The Longest Title Ever Written Here is added to the playlist");

    // The same movie under another title is still the same movie.
    library->addToPlayList(movie("m1", "Another Title"));
    EXPECT_EQ(popupText(), "Media is already in the playlist");
    EXPECT_EQ(listedTitles(), Titles{"The Longest Title Ever Written Here"});

    // Titles are text, never markup, and a character is never cut in two.
    std::string accents;
    for (int i = 0; i < 30; ++i)
        accents += "\xC3\xA9";
    library->addToPlayList(movie("m2", "Tom & Jerry <b>bold</b>"));
    library->addToPlayList(movie("m3", accents));
    EXPECT_EQ(shownTitles(), (Titles{"The Longest Title Ever Wr", "Tom & Jerry <b>bold</b>",
                                     accents.substr(0, 50)}));
    EXPECT_TRUE(page().elementsByName("b").empty());
}

TEST_F(PlaylistTest, UpAndDownWrapAroundInBothColumnsAndAnEmptyListKeepsToTheButtons) {
    loadAndWait();
    EXPECT_EQ(press({kUp}), "exitbutton_over");
    EXPECT_EQ(press({kDown, kDown, kRight, kLeft, kDelete}), "repeatbutton_over");

    addMovies({"a", "b", "c"});
    EXPECT_EQ(press({kRight}), "entry 0");
    EXPECT_EQ(press({kUp}), "entry 2");
    EXPECT_EQ(press({kDown, kDown}), "entry 1");

    // Back in the buttons the play button comes first, whatever was chosen there before;
    // back in the entries, the first.
    EXPECT_EQ(press({kLeft}), "playbutton_over");
    EXPECT_EQ(press({kRight}), "entry 0");
}

TEST_F(PlaylistTest, DeleteRemovesTheChosenEntryFromPageAndListAlike) {
    loadAndWait();
    press({kUp});  // exit
    ASSERT_TRUE(files.createFolderPath("c:\\zov\\"));
    ASSERT_TRUE(files.writeFile("c:\\zov\\a.wmv", "movie"));
    addMovies({"a", "b", "c"});
    press({kDelete});  // in the buttons: nothing to delete
    EXPECT_EQ(listedTitles(), (Titles{"a", "b", "c"}));
    library->onControlKeyRight();
    library->onControlKeyDown();
    EXPECT_EQ(press({kDelete}), "entry 1");
    EXPECT_EQ(shownTitles(), (Titles{"a", "c"}));
    EXPECT_EQ(listedTitles(), (Titles{"a", "c"}));

    // The last entry gone, the one above it is chosen; the only one gone, the button left.
    EXPECT_EQ(press({kDelete}), "entry 0");
    EXPECT_EQ(press({kDelete}), "exitbutton_over");
    EXPECT_TRUE(shownTitles().empty());
    EXPECT_TRUE(library->playlist().empty());
    EXPECT_EQ(press({kDown}), "playbutton_over");     // the arrows wrap over three rows again
    EXPECT_TRUE(files.fileExists("c:\\zov\\a.wmv"));  // the movie itself stays
}

TEST_F(PlaylistTest, TheButtonsPlayTheListToggleRepeatAndStepAside) {
    loadAndWait();
    library->showPlayList();
    ASSERT_TRUE(ui.window("mediaLibrary")->visible());

    // Play with nothing listed leaves the player as it was.
    press({kEnter});
    EXPECT_FALSE(mediaPlayer().isOnPlayList());
    EXPECT_TRUE(mainPlayer->visible());
    EXPECT_FALSE(ui.window("mediaLibrary")->visible());

    library->showPlayList();
    addMovies({"first", "second"});
    press({kDown, kEnter});
    EXPECT_EQ(page().getElementById("MLRepeat")->innerText(), "ONCE");
    press({kEnter});
    EXPECT_EQ(page().getElementById("MLRepeat")->innerText(), "REPEAT");

    press({kUp, kEnter});
    EXPECT_TRUE(mediaPlayer().isOnPlayList());
    EXPECT_EQ(control->URL(), "c:\\zov\\first.wmv");
    EXPECT_GT(ui.window("mainPlayer")->focusCount(), 0);
    EXPECT_FALSE(ui.window("mediaLibrary")->visible());

    // A click on the page's exit button steps aside too.
    library->showPlayList();
    mainPlayer->hide();
    page().all("exitbutton_over")->click();
    EXPECT_TRUE(mainPlayer->visible());
    EXPECT_FALSE(ui.window("mediaLibrary")->visible());

    // The file helpers look in the movie folder and create whole paths.
    std::string name = "first.wmv";
    EXPECT_FALSE(library->FileExists(name));
    EXPECT_EQ(name, "c:\\zov\\first.wmv");
    ASSERT_TRUE(files.createFolderPath("c:\\zov\\") && files.writeFile(name, "movie"));
    name = "first.wmv";
    EXPECT_TRUE(library->FileExists(name));
    EXPECT_FALSE(library->CreatePath("e:\\a\\b"));  // drive E is not there
    EXPECT_TRUE(library->CreatePath("c:\\a\\b"));
    EXPECT_TRUE(files.folderExists("c:\\a\\b\\"));
}
