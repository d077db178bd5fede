// A subscriber's whole path through the client, in one process: log in to a scripted
// authentication server, see the guide, download a movie from a real FTP server (pyftpdlib),
// play it, delete it.

#include <gtest/gtest.h>

#include "config/player_properties.hpp"
#include "guide/movie_guide.hpp"
#include "net/auth_session.hpp"
#include "runtime/dialogs.hpp"
#include "runtime/yes_no_popup.hpp"
#include "shell/main_player.hpp"
#include "support/client_fixture.hpp"
#include "support/pyftpdlib_server.hpp"
#include "support/scripted_auth_server.hpp"
#include "ui/browser.hpp"
#include "ui/headless/headless_button.hpp"
#include "ui/headless/headless_flash_movie.hpp"
#include "ui/headless/headless_label.hpp"
#include "ui/headless/headless_window.hpp"
#include "ui/headless/memory_browser.hpp"
#include "ui/media_player_control.hpp"

using namespace zov;

namespace {

struct WholeClientTest : test::ClientFixture {
    test::ScriptedAuthServer auth{loop};
    test::PyftpdlibServer ftp{"cdnuser", "cdnpass"};
    std::string movie = std::string(300'000, 'm') + "end";

    void SetUp() override {
        ftp.putFile("bigmovie.wmv", movie);
        ftp.start();
        serveTestGuide();
        startClient({"ZOVAuthServer.URL=127.0.0.1", "ZOVAuthServer.contentDistributor=demo"});
        client->mainPlayer().authSession().setAuthPort(auth.port());
    }

    bool shown(const std::string& window) {
        auto w = ui.window(window);
        return w && w->visible();
    }
    bool buttonShown(const std::string& name) { return ui.button("movieGuide", name)->visible(); }
    void press(const std::string& name) { ui.button("movieGuide", name)->click(); }

    void logIn() {
        const std::string list =
            "<movieList location=\"127.0.0.1\" username=\"cdnuser\" password=\"cdnpass\" "
            "cdnport=\"" +
            std::to_string(ftp.port()) + "\" epgGuide=\"" + kGuideUrl + "\" AdsUrl=\"" +
            std::string(kBannerUrl) + "\"></movieList>";
        auth.expect("USER demo bob secret").send("RPL_ACCEPTED").expect("MOVIELIST").send(list);
        auto& movie = *ui.flashMovie("LoginPage", "loginFlash");
        movie.SetVariable("userBox", " bob ");
        movie.SetVariable("passBox", "secret");
        movie.FSCommand("Connect", "");
        ASSERT_TRUE(runUntil([&] { return shown("mainPlayer") && shown("movieGuide"); }))
            << auth.mismatch();
        ASSERT_TRUE(runUntil([&] {
            auto epg = ui.browser("movieGuide", "epgBrowser");
            return epg->LocationURL() == kGuideUrl && !epg->busy();
        }));
    }

    void chooseTheMovie() {
        auto* page = client->movieGuide().epgBrowser().document();
        ASSERT_NE(page, nullptr);
        page->all("c_uid")->setValue("bigmovie");
        page->all("c_filename")->setValue("bigmovie.wmv");
        page->all("c_mediaTitle")->setValue("Big Movie");
        page->all("c_fileExtension")->setValue("wmv");
        page->getElementsByName("clip_control").at(0)->fireEvent(ui::PageEvent::onclick);
    }
};

}  // namespace

TEST_F(WholeClientTest, LogInDownloadPlayAndDeleteAMovie) {
    logIn();
    EXPECT_FALSE(shown("LoginPage"));
    EXPECT_FALSE(shown("frmLogo"));
    EXPECT_EQ(client->mainPlayer().playerProp().stbEpgURL(), kGuideUrl);
    EXPECT_EQ(versionServer.requests.size(), 1u);

    chooseTheMovie();
    EXPECT_EQ(ui.label("movieGuide", "SelectedNameLabel")->caption(), "Big Movie");
    ASSERT_TRUE(buttonShown("MLdownload"));
    EXPECT_FALSE(buttonShown("MLplay"));

    press("MLdownload");
    ASSERT_TRUE(runUntil([&] { return files.fileExists("c:\\zov\\bigmovie.conf"); }));
    EXPECT_EQ(files.readFile("c:\\zov\\bigmovie.wmv"), movie);
    EXPECT_EQ(files.readFile("c:\\zov\\bigmovie.conf"), "done\r\n\r\n");
    EXPECT_FALSE(files.fileExists("c:\\zov\\bigmovie.wmv.ini"));
    ASSERT_TRUE(runUntil([&] { return buttonShown("MLplay") && buttonShown("MLDelete"); }));

    press("MLplay");
    auto player = ui.mediaPlayer("mainPlayer", "wmpPlayer");
    ASSERT_TRUE(runUntil([&] { return player->playState() == ui::wmppsPlaying; }));
    EXPECT_EQ(player->URL(), "c:\\zov\\bigmovie.wmv");
    EXPECT_FALSE(shown("movieGuide"));

    // Back to the guide, delete the movie, answering Yes to the question.
    client->mainPlayer().loadStbEProgramGuide();
    loop.post([&] { ui.label("yesNoPopup", "YesControl")->click(); });
    press("MLDelete");
    EXPECT_TRUE(client->dialogs().yesNoPopup().decision);
    EXPECT_FALSE(files.fileExists("c:\\zov\\bigmovie.wmv"));
    EXPECT_FALSE(files.fileExists("c:\\zov\\bigmovie.conf"));
    EXPECT_TRUE(buttonShown("MLdownload"));
}

TEST_F(WholeClientTest, TheGuideOpensThePlaylistAndTheBannerReloadsEveryFiveMinutes) {
    logIn();
    auto banner = ui.browser("mainPlayer", "commercialViewer");
    ASSERT_TRUE(runUntil([&] { return !banner->busy(); }));
    EXPECT_EQ(banner->LocationURL(), kBannerUrl);
    const int loads = banner->loadCount();
    advance(300'000);
    ASSERT_TRUE(runUntil([&] { return banner->loadCount() > loads; }));

    ui.window("movieGuide")->pressKey('l');
    EXPECT_TRUE(shown("mediaLibrary"));
}
