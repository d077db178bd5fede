#include "shell/main_player.hpp"

#include <gtest/gtest.h>

#include "config/player_properties.hpp"
#include "shell/frm_logo.hpp"
#include "support/client_fixture.hpp"
#include "ui/headless/headless_flash_movie.hpp"
#include "ui/headless/headless_label.hpp"
#include "ui/headless/headless_picture_box.hpp"
#include "ui/headless/headless_window.hpp"
#include "ui/headless/memory_browser.hpp"
#include "ui/media_player_control.hpp"

using namespace zov;

using MainPlayerTest = test::ClientFixture;

// The client starts on the login page; the banner sits at the same place of a centred 4:3
// frame whatever the screen's shape.
TEST_F(MainPlayerTest, StartsOnTheLoginPageAndPlacesTheBannerInACentredFourByThreeFrame) {
    const auto shown = [&](const std::string& window) {
        auto w = ui.window(window);
        return w && w->visible();
    };
    ui.headlessScreen().setSize(1600, 1000);
    startClient({"ZOVAuthServer.URL=127.0.0.1", "ZOVPlayer.path=c:\\movies"});
    loop.processPending();  // the blank page arrives on the next turn of the loop
    EXPECT_TRUE(shown("LoginPage"));
    EXPECT_FALSE(shown("mainPlayer"));
    EXPECT_FALSE(shown("frmLogo"));
    EXPECT_FALSE(shown("mediaLibrary"));  // loaded, but not seen
    EXPECT_NE(ui.window("mediaLibrary"), nullptr);
    EXPECT_EQ(ui.window("mainPlayer")->caption(), "ZOV Player");
    EXPECT_EQ(ui.window("LoginPage")->caption(), "_Login");
    EXPECT_EQ(ui.flashMovie("mainPlayer", "PlayerSkin")->movie(), "Z:\\opt\\zov/mainplayer.swf");
    auto& loginMovie = *ui.flashMovie("LoginPage", "loginFlash");
    EXPECT_EQ(loginMovie.movie(), "Z:\\opt\\zov/Main.swf");
    EXPECT_EQ(ui.browser("mainPlayer", "commercialViewer")->LocationURL(), "about:blank");
    EXPECT_EQ(ui.pictureBox("mainPlayer", "h264Screen")->backColour(), (ui::Colour{1, 2, 1}));
    client->frmLogo();  // made on first use
    EXPECT_EQ(ui.label("frmLogo", "lblVersion")->caption(), "Version 5.3.135");
    EXPECT_EQ(client->mainPlayer().playerProp().mediaPath(), "c:\\movies\\");
    loginMovie.FSCommand("connect", "");  // the login movie's commands are exact
    EXPECT_TRUE(shown("LoginPage"));
    EXPECT_FALSE(shown("frmLogo"));

    const struct {
        int width, height;
        double left, top, bannerWidth, bannerHeight;
    } cases[] = {{1600, 1000, 1040, 900, 460, 1000.0 / 9},
                 {1024, 768, 696.32, 691.2, 353.28, 768.0 / 9},
                 {768, 1024, 522.24, 742.4, 264.96, 64}};
    const auto player = ui.mediaPlayer("mainPlayer", "wmpPlayer")->rect();
    EXPECT_DOUBLE_EQ(player.top, 125);
    EXPECT_DOUBLE_EQ(player.height, 650);
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        ui.headlessScreen().setSize(c.width, c.height);
        client->mainPlayer().layoutPlayer();
        const auto banner = ui.browser("mainPlayer", "commercialViewer")->rect();
        EXPECT_NEAR(banner.left, c.left, 1e-9);
        EXPECT_NEAR(banner.top, c.top, 1e-9);
        EXPECT_NEAR(banner.width, c.bannerWidth, 1e-9);
        EXPECT_NEAR(banner.height, c.bannerHeight, 1e-9);
    }
}
