// A script drives a whole client through the channel, as the headless front end's remote
// control: every request gets exactly one reply, events tell what a person would see.

#include "remote/remote_channel_fixture.hpp"
#include "runtime/dialogs.hpp"
#include "runtime/popupwindow.hpp"
#include "ui/headless/headless_flash_movie.hpp"
#include "ui/headless/headless_label.hpp"
#include "ui/headless/headless_window.hpp"

namespace zov::test {
namespace {

TEST_F(RemoteChannelTest, EchoesTheRequestIdFunnelsEveryRefusalIntoOneReplyAndTypesTheLogin) {
    auto ok = request(R"({"request_id":"abc","command":"get_state"})");
    EXPECT_EQ(error(ok), "success");
    EXPECT_EQ(ok.find("request_id")->asString(), "abc");
    EXPECT_TRUE(ok.find("data")->find("windows")->find("LoginPage")->find("visible")->asBool());
    // A number comes back digit for digit, however large.
    request(R"({"request_id":-12345678901234567890123456789,"command":"x"})");
    EXPECT_NE(lastReplyLine.find(R"("request_id":-12345678901234567890123456789})"),
              std::string::npos);

    const struct {
        const char* line;
        const char* error;
    } cases[] = {
        {"not json", "invalid json"},
        {"{\"request_id\":1,\"command\":\"caf\xe9\"}", "invalid json"},
        {"[1,2]", "invalid request"},
        {R"({"request_id":[1],"command":"get_state"})", "invalid request"},
        {R"({"request_id":2})", "invalid parameter"},
        {R"({"command":"fly"})", "unknown command"},
        {R"({"request_id":4,"command":"press_button","window":"x"})", "invalid parameter"},
        {R"({"command":"press_button","window":"movieGuide","control":"nothing"})", "not found"},
        {R"({"command":"key","window":"movieGuide","key":1.5})", "invalid parameter"},
        {R"({"command":"key","window":"mainPlayer","key":76})", "not visible"},
        {R"({"command":"answer_question","answer":"yes"})", "not found"},
        {R"({"command":"answer_question","answer":"no"})", "not found"},
        {R"({"command":"answer_question","answer":"maybe"})", "invalid parameter"},
        {R"({"command":"login_command","action":"Go"})", "invalid parameter"},
        // The main window with its skin, and the guide, stay hidden until a login is accepted.
        {R"({"command":"skin_command","name":"idv_central"})", "not visible"},
        {R"({"command":"skin_command","name":"HDEngine"})", "not visible"},
        {R"({"command":"choose_guide_item","values":{}})", "not visible"},
        // A screenshot needs a screen: none headless, and none of a hidden window anywhere.
        {R"({"command":"screenshot","window":"LoginPage","path":"/tmp/zov-never.png"})",
         "not supported"},
        {R"({"command":"screenshot","window":"mainPlayer","path":"/tmp/zov-never.png"})",
         "not visible"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(error(request(c.line)), c.error);
    }
    EXPECT_TRUE(replies.back().find("request_id")->isNull());
    EXPECT_FALSE(shown("movieGuide"));
    EXPECT_FALSE(shown("HDEngine"));

    // "Type" fills the login fields and leaves Connect to the person.
    EXPECT_EQ(errorOf(R"("command":"login_command","action":"Type","user":"bob","password":"pw")"),
              "success");
    EXPECT_EQ(state().find("login")->find("userBox")->asString(), "bob");
    EXPECT_EQ(state().find("login")->find("passBox"), nullptr);  // a password is never echoed
    EXPECT_TRUE(shown("LoginPage"));
    EXPECT_FALSE(sawEvent("window-shown", "window", "frmLogo"));  // nothing was sent

    channel.receiveOverlongLine();
    drain();
    EXPECT_EQ(error(replies.back()), "line too long");
}

// A script reaches only what a person could: controls of a hidden window take nothing.
TEST_F(RemoteChannelTest, LogsInChoosesAGuideItemAndReachesOnlyShownWindows) {
    logIn();
    EXPECT_FALSE(shown("LoginPage"));
    // The banner comes from the movie list and is reloaded every five minutes.
    auto banner = ui.browser("mainPlayer", "commercialViewer");
    ASSERT_TRUE(runUntil([&] { return !banner->busy(); }));
    EXPECT_EQ(banner->LocationURL(), kBannerUrl);
    const int loads = banner->loadCount();
    advance(300'000);
    EXPECT_TRUE(runUntil([&] { return banner->loadCount() > loads; }));

    // A refused choice sets nothing.
    const auto c_uid = [&] {
        return ui.browser("movieGuide", "epgBrowser")->memoryDocument()->all("c_uid")->value();
    };
    EXPECT_EQ(errorOf(R"("command":"choose_guide_item","values":{"c_uid":"big","c_nothing":"x"})"),
              "not found");
    EXPECT_EQ(errorOf(R"("command":"choose_guide_item","index":1,"values":{})"), "not found");
    EXPECT_EQ(c_uid(), "");
    EXPECT_EQ(errorOf(R"("command":"choose_guide_item","values":{"c_uid":"bigmovie",)"
                      R"("c_filename":"bigmovie.wmv","c_mediaTitle":"Big Movie",)"
                      R"("c_fileExtension":"wmv"})"),
              "success");
    EXPECT_TRUE(sawEvent("status-line", "text", "Big Movie"));
    const JsonValue guide = *state().find("guide");
    EXPECT_EQ(guide.find("labels")->find("SelectedNameLabel")->asString(), "Big Movie");
    EXPECT_TRUE(guide.find("buttons")->find("MLdownload")->find("visible")->asBool());
    EXPECT_FALSE(guide.find("buttons")->find("MLplay")->find("visible")->asBool());

    // A second "Connect" on the hidden login page would start a second login.
    EXPECT_EQ(errorOf(R"("command":"login_command","action":"Connect","user":"eve")"),
              "not visible");
    EXPECT_EQ(errorOf(R"("command":"login_command","action":"End")"), "not visible");
    loop.processPending();
    EXPECT_FALSE(shown("frmLogo"));
    EXPECT_EQ(state().find("login")->find("userBox")->asString(), " bob ");  // nothing typed
    EXPECT_EQ(processEnded, 0);

    // The guide's buttons keep their own flags, but once it is closed they are gone from the
    // screen; what does not exist is still told apart from what is hidden.
    const std::string guideButton = R"("command":"press_button","window":"movieGuide","control":)";
    EXPECT_EQ(errorOf(guideButton + R"("close")"), "success");
    ASSERT_FALSE(shown("movieGuide"));
    EXPECT_EQ(errorOf(guideButton + R"("MLFavour")"), "not visible");
    EXPECT_EQ(errorOf(guideButton + R"("nothing")"), "not found");
    EXPECT_EQ(errorOf(R"("command":"choose_guide_item","values":{"c_uid":"bigmovie"})"),
              "not visible");
    EXPECT_EQ(errorOf(R"("command":"key","window":"movieGuide","key":108)"), "not visible");
    EXPECT_FALSE(shown("mediaLibrary"));

    // The skin on the shown main window brings the guide back, and its keys work again: the
    // playlist key opens the media library.
    EXPECT_EQ(errorOf(R"("command":"skin_command","name":"idv_central")"), "success");
    EXPECT_TRUE(shown("movieGuide"));
    EXPECT_EQ(errorOf(R"("command":"key","window":"movieGuide","key":108)"), "success");
    EXPECT_TRUE(sawEvent("window-shown", "window", "mediaLibrary"));
}

TEST_F(RemoteChannelTest, ProgressAndSkinVariablesAreEventsAndABoundedQueueCountsWhatItDrops) {
    logIn();
    ui.label("movieGuide", "currentDLLabel")->setCaption("Big Movie");
    drain();
    events.clear();
    ui.label("movieGuide", "percentLabel")->setCaption("42%");
    ui.label("movieGuide", "percentLabel")->setCaption("");
    ui.flashMovie("mainPlayer", "PlayerSkin")->SetVariable("videoName", "Colour Bars");
    drain();
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].dump(),
              R"({"event":"download-progress","movie":"Big Movie","percent":42})");
    EXPECT_TRUE(events[1].find("percent")->isNull());
    EXPECT_EQ(events[2].dump(),
              R"({"control":"PlayerSkin","event":"skin-variable",)"
              R"("name":"videoName","value":"Colour Bars","window":"mainPlayer"})");
    state();
    EXPECT_NE(lastReplyLine.find(
                  R"("skin_variables":{"mainPlayer/PlayerSkin":{"videoName":"Colour Bars"})"),
              std::string::npos);

    auto window = ui.window("mainPlayer");
    events.clear();
    replies.clear();
    for (std::size_t i = 0; i < RemoteChannel::kMaxQueuedEvents + 25; ++i)
        window->setCaption("step " + std::to_string(i));
    channel.receiveLine(R"({"request_id":1,"command":"get_state"})");  // replies are kept
    drain();
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(events.size(), RemoteChannel::kMaxQueuedEvents + 1);
    EXPECT_EQ(events.back().find("event")->asString(), "queue-overflow");
    EXPECT_EQ(events.back().find("dropped")->asNumber(), 25);
}

// The popup is reported when it is on the screen, not when text is put into it unseen.
TEST_F(RemoteChannelTest, OnlyAShownPopupIsReportedAsAPopup) {
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
    EXPECT_EQ(errorOf(R"("command":"login_command","action":"End")"), "success");
    EXPECT_EQ(processEnded, 1);
    EXPECT_EQ(client->dialogs().popupwindow().Label1().caption(),
              "Terminating Players, Please wait");
    EXPECT_TRUE(popups().empty());
    EXPECT_FALSE(sawEvent("status-line", "text", "Terminating Players, Please wait"));
    EXPECT_EQ(state().find("popup")->asString(), "");
}

}  // namespace
}  // namespace zov::test
