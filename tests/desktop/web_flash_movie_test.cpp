// The skin and the login movie as our pages in a web view: the mirror of the page's
// variables, writes that reach the page without waiting, commands from the page's buttons,
// and a bridge that the page's own scripts can not see.

#include "ui/desktop/desktop_flash_movie.hpp"

#include <QUrl>
#include <tuple>

#include "desktop/web_page_driver.hpp"

using namespace zov::ui;
using namespace zov::ui::desktop;

namespace {

using Command = std::pair<std::string, std::string>;
using Change = std::tuple<std::string, std::string, std::string, std::string>;

// The client folder with our pages in it, as the build puts them beside the program.
struct WebMovieTest : zov::test::WebTest {
    std::vector<Change> changes;
    std::vector<Command> commands;
    std::shared_ptr<DesktopFlashMovie> movie;

    void SetUp() override {
        const std::filesystem::path pages = std::filesystem::path(ZOV_SOURCE_DIR) / "app/zov/pages";
        for (const auto& entry : std::filesystem::directory_iterator(pages))
            std::filesystem::copy_file(
                entry.path(), std::filesystem::path(drive.root()) / entry.path().filename());
        auto sink = std::make_shared<ChangeSink>(
            [this](const std::string& window, const std::string& control,
                   const std::string& property, const std::string& value) {
                changes.emplace_back(window, control, property, value);
            });
        movie = makeFlashMovie(&window, ControlName{"mainPlayer", "PlayerSkin", sink}, loop,
                               drive.files());
        movie->FSCommand.connect([this](const std::string& command, const std::string& args) {
            if (command != "UPDATE_TIME") commands.emplace_back(command, args);
        });
        movie->setRect({0, 0, 1024, 768});
        window.resize(1024, 768);
        window.show();
    }

    // The program folder in the client's own form, as the windows name their movies.
    std::string programFolder() { return drive.files().windowsPath(drive.root()); }

    bool loadAndWait(const std::string& movieName) {
        movie->LoadMovie(programFolder() + "/" + movieName);
        return waitFor([&] { return movie->pageReady(); });
    }

    QWebEngineView& view() { return *movie->view(); }
    QString pageText(const QString& expression) { return evaluate(view(), expression).toString(); }
};

using SkinPage = WebMovieTest;
using LoginPage = WebMovieTest;

TEST_F(SkinPage, TheSwfIsShownAsOurPageAndAWriteIsReadBackAtOnce) {
    ASSERT_TRUE(loadAndWait("mainplayer.swf"));
    EXPECT_EQ(movie->movie(), programFolder() + "/mainplayer.swf");
    EXPECT_EQ(view().url().toLocalFile().toStdString(), drive.root() + "/mainplayer.html");
    EXPECT_EQ(changes, std::vector<Change>{Change("mainPlayer", "PlayerSkin", "movie",
                                                  programFolder() + "/mainplayer.swf")});
    changes.clear();

    movie->SetVariable("videoName", "Colour Bars");
    EXPECT_EQ(movie->GetVariable("videoName"), "Colour Bars");  // before any turn of the loop
    EXPECT_EQ(changes, std::vector<Change>{Change("mainPlayer", "PlayerSkin", "variable videoName",
                                                  "Colour Bars")});

    ASSERT_TRUE(
        waitForPage(view(), "document.getElementById('title').textContent === 'Colour Bars'"));
    EXPECT_EQ(movie->GetVariable("videoName"), "Colour Bars");
    EXPECT_EQ(movie->GetVariable("never written"), "");
    // The page's own scripts see nothing of the bridge.
    EXPECT_EQ(pageText("[typeof qt, typeof zovBridge, typeof QWebChannel, typeof zov].join()"),
              "undefined,undefined,undefined,undefined");
}

// The page echoes every write; an echo of an older write must never overwrite a newer one,
// neither while the page is still loading nor when writes follow each other closely.
TEST_F(SkinPage, TheMirrorNeverFallsBackToAnOlderValue) {
    movie->LoadMovie(programFolder() + "/mainplayer.swf");
    movie->SetVariable("videoName", "First");
    movie->SetVariable("totalTime", "5400");
    movie->SetVariable("videoName", "Second");
    std::vector<std::string> seen;
    const auto watch = [&] {
        const std::string now = movie->GetVariable("videoName");
        if (seen.empty() || seen.back() != now) seen.push_back(now);
    };
    ASSERT_TRUE(waitFor([&] {
        watch();
        return movie->pageReady();
    }));
    ASSERT_TRUE(waitForPage(view(),
                            "document.getElementById('title').textContent === 'Second' && "
                            "document.getElementById('length').textContent === '01:30:00'"));
    watch();
    EXPECT_EQ(seen, std::vector<std::string>{"Second"});

    for (int i = 1; i <= 40; ++i)
        movie->SetVariable("videoName", "Title " + std::to_string(i));
    ASSERT_TRUE(waitForPage(view(), "document.getElementById('title').textContent === 'Title 40'"));
    ASSERT_TRUE(waitFor([&] {
        watch();
        return true;
    }));
    EXPECT_EQ(seen, (std::vector<std::string>{"Second", "Title 40"}));
}

TEST_F(SkinPage, ButtonsAndTheSeekBarSendTheirCommands) {
    ASSERT_TRUE(loadAndWait("mainplayer.swf"));
    evaluate(view(), "document.querySelector('button[data-command=\"pause\"]').click()");
    ASSERT_TRUE(waitFor([&] { return !commands.empty(); }));
    EXPECT_EQ(commands, std::vector<Command>{Command("pause", "")});

    commands.clear();
    movie->SetVariable("videoName", "Colour Bars");
    movie->SetVariable("totalTime", "120");
    ASSERT_TRUE(waitForPage(view(), "!document.getElementById('seek').disabled"));
    evaluate(view(),
             "const seek = document.getElementById('seek');seek.value = '42.5'; "
             "seek.dispatchEvent(new Event('change'));");
    evaluate(view(), "document.querySelector('button[data-command=\"End\"]').click()");
    ASSERT_TRUE(waitFor([&] { return commands.size() == 2; }));
    EXPECT_EQ(commands, (std::vector<Command>{{"UPDATE_POSITION", "42.5"}, {"End", ""}}));
}

TEST_F(LoginPage, WhatIsTypedIsReadWhenConnectArrives) {
    ASSERT_TRUE(loadAndWait("Main.swf"));
    EXPECT_EQ(pageText("document.activeElement.id"), "distributorBox");

    evaluate(view(),
             "const user = document.getElementById('userBox');user.value = 'alice'; "
             "user.dispatchEvent(new Event('input'));");
    ASSERT_TRUE(waitFor([&] { return movie->GetVariable("userBox") == "alice"; }));

    changes.clear();
    movie->typeVariable("passBox", "secret");
    EXPECT_EQ(movie->GetVariable("passBox"), "secret");
    EXPECT_TRUE(changes.empty());  // a person typed: the client wrote nothing
    ASSERT_TRUE(waitForPage(view(), "document.getElementById('passBox').value === 'secret'"));

    // A field changed without an input event (an autofill) and Connect at once: the
    // handler must read what the person sees.
    std::vector<std::string> read;
    movie->FSCommand.connect([&](const std::string& command, const std::string&) {
        if (command != "Connect") return;
        for (const char* name : {"distributorBox", "userBox", "passBox"})
            read.push_back(movie->GetVariable(name));
    });
    evaluate(view(),
             "document.getElementById('distributorBox').value = "
             "'acme';document.querySelector('button[data-command=\"Connect\"]').click()");
    ASSERT_TRUE(waitFor([&] { return !read.empty(); }));
    EXPECT_EQ(read, (std::vector<std::string>{"acme", "alice", "secret"}));
}

}  // namespace
