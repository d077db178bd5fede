// A script reaches only what a person could: controls of a hidden window take nothing, and
// the popup is reported when it is on the screen, not when text is put into it unseen.

#include <gtest/gtest.h>

#include <string>

#include "remote/remote_channel_fixture.hpp"
#include "runtime/dialogs.hpp"
#include "ui/headless/headless_window.hpp"

namespace zov::test {
namespace {

using RemoteReachTest = RemoteChannelTest;

TEST_F(RemoteReachTest, AfterLoginTheHiddenLoginPageAndAClosedGuideTakeNothing) {
    logIn();
    // A second "Connect" on the hidden login page would start a second login.
    EXPECT_EQ(error(request(R"({"request_id":2,"command":"login_command","action":"Connect",)"
                            R"("user":"eve","password":"x"})")),
              "not visible");
    loop.processPending();
    EXPECT_FALSE(shown("frmLogo"));
    EXPECT_EQ(state().find("login")->find("userBox")->asString(), " bob ");  // nothing typed
    EXPECT_EQ(error(request(R"({"request_id":3,"command":"login_command","action":"End"})")),
              "not visible");
    EXPECT_EQ(processEnded, 0);

    EXPECT_EQ(error(request(R"({"request_id":4,"command":"press_button","window":"movieGuide",)"
                            R"("control":"close"})")),
              "success");
    ASSERT_FALSE(shown("movieGuide"));
    // Its buttons keep their own flags, but their window is gone from the screen.
    EXPECT_EQ(error(request(R"({"request_id":5,"command":"press_button","window":"movieGuide",)"
                            R"("control":"MLFavour"})")),
              "not visible");
    EXPECT_EQ(error(request(R"({"request_id":6,"command":"choose_guide_item","values":)"
                            R"({"c_uid":"bigmovie"}})")),
              "not visible");
    EXPECT_EQ(ui.browser("movieGuide", "epgBrowser")->memoryDocument()->all("c_uid")->value(), "");
    EXPECT_EQ(error(request(R"({"request_id":7,"command":"key","window":"movieGuide","key":108})")),
              "not visible");
    EXPECT_FALSE(shown("mediaLibrary"));
    // What does not exist is still told apart from what is hidden.
    EXPECT_EQ(error(request(R"({"request_id":8,"command":"press_button","window":"movieGuide",)"
                            R"("control":"nothing"})")),
              "not found");

    // The skin on the shown main window brings the guide back, and its buttons work again.
    EXPECT_EQ(error(request(R"({"request_id":9,"command":"skin_command","name":"idv_central"})")),
              "success");
    EXPECT_TRUE(shown("movieGuide"));
    EXPECT_EQ(error(request(R"({"request_id":10,"command":"press_button","window":"movieGuide",)"
                            R"("control":"close"})")),
              "success");
}

TEST_F(RemoteReachTest, OnlyAShownPopupIsReportedAsAPopup) {
    auto popups = [&] {
        drain();
        std::vector<std::string> texts;
        for (const auto& e : events)
            if (e.find("event")->asString() == "popup") texts.push_back(e.find("text")->asString());
        events.clear();
        return texts;
    };
    popups();
    client->dialogs().showPopup("First");
    client->dialogs().showPopup("Second");  // replaces the text while it shows
    EXPECT_EQ(popups(), (std::vector<std::string>{"First", "Second"}));
    advance(2000);
    EXPECT_FALSE(shown("popupwindow"));
    popups();

    // Ending the client writes a farewell into the popup without showing it.
    EXPECT_EQ(error(request(R"({"request_id":1,"command":"login_command","action":"End"})")),
              "success");
    EXPECT_EQ(processEnded, 1);
    EXPECT_TRUE(popups().empty());
    EXPECT_FALSE(sawEvent("status-line", "text", "Terminating Players, Please wait"));
    EXPECT_EQ(state().find("popup")->asString(), "");
}

}  // namespace
}  // namespace zov::test
