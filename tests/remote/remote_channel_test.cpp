// A script drives a whole client through the channel, as the headless front end's remote
// control: every request gets exactly one reply, events tell what a person would see.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "remote/remote_channel_fixture.hpp"
#include "ui/headless/headless_flash_movie.hpp"
#include "ui/headless/headless_label.hpp"
#include "ui/headless/headless_window.hpp"

namespace zov::test {
namespace {

TEST_F(RemoteChannelTest, EchoesTheRequestIdAndFunnelsEveryRefusalIntoOneReply) {
    auto ok = request(R"({"request_id":"abc","command":"get_state"})");
    EXPECT_EQ(error(ok), "success");
    EXPECT_EQ(ok.find("request_id")->asString(), "abc");
    EXPECT_TRUE(ok.find("data")->find("windows")->find("LoginPage")->find("visible")->asBool());
    EXPECT_EQ(ok.find("data")->find("front_end")->asString(), "headless");
    // A number comes back digit for digit, however large.
    request(R"({"request_id":-12345678901234567890123456789,"command":"get_state"})");
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
    channel.receiveOverlongLine();
    drain();
    EXPECT_EQ(error(replies.back()), "line too long");
}

TEST_F(RemoteChannelTest, TypingTheLoginLeavesConnectToThePerson) {
    EXPECT_EQ(error(request(R"({"request_id":1,"command":"login_command","action":"Type",)"
                            R"("distributor":"demo","user":"bob","password":"pw"})")),
              "success");
    EXPECT_EQ(state().find("login")->find("userBox")->asString(), "bob");
    EXPECT_EQ(state().find("login")->find("passBox"), nullptr);  // a password is never echoed
    EXPECT_TRUE(shown("LoginPage"));
    EXPECT_FALSE(sawEvent("window-shown", "window", "frmLogo"));  // nothing was sent
}

TEST_F(RemoteChannelTest, LogsInAndChoosesAGuideItemByItsHiddenValues) {
    logIn();
    EXPECT_TRUE(shown("mainPlayer"));
    EXPECT_FALSE(shown("LoginPage"));
    // The banner comes from the movie list and is reloaded every five minutes.
    auto banner = ui.browser("mainPlayer", "commercialViewer");
    ASSERT_TRUE(runUntil([&] { return !banner->busy(); }));
    EXPECT_EQ(banner->LocationURL(), kBannerUrl);
    const int loads = banner->loadCount();
    advance(300'000);
    EXPECT_TRUE(runUntil([&] { return banner->loadCount() > loads; }));

    // A refused choice sets nothing.
    EXPECT_EQ(error(request(R"({"request_id":2,"command":"choose_guide_item",)"
                            R"("values":{"c_uid":"bigmovie","c_nothing":"x"}})")),
              "not found");
    EXPECT_EQ(ui.browser("movieGuide", "epgBrowser")->memoryDocument()->all("c_uid")->value(), "");
    EXPECT_EQ(error(request(R"({"request_id":3,"command":"choose_guide_item","index":1,)"
                            R"("values":{}})")),
              "not found");

    EXPECT_EQ(error(request(R"({"request_id":4,"command":"choose_guide_item","values":)"
                            R"({"c_uid":"bigmovie","c_filename":"bigmovie.wmv",)"
                            R"("c_mediaTitle":"Big Movie","c_fileExtension":"wmv"}})")),
              "success");
    EXPECT_TRUE(sawEvent("status-line", "text", "Big Movie"));
    const JsonValue guide = *state().find("guide");
    EXPECT_EQ(guide.find("labels")->find("SelectedNameLabel")->asString(), "Big Movie");
    EXPECT_TRUE(guide.find("buttons")->find("MLdownload")->find("visible")->asBool());
    EXPECT_FALSE(guide.find("buttons")->find("MLplay")->find("visible")->asBool());

    // The playlist key of the guide opens the media library.
    EXPECT_EQ(error(request(R"({"request_id":5,"command":"key","window":"movieGuide","key":108})")),
              "success");
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
    EXPECT_EQ(state()
                  .find("skin_variables")
                  ->find("mainPlayer/PlayerSkin")
                  ->find("videoName")
                  ->asString(),
              "Colour Bars");

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

}  // namespace
}  // namespace zov::test
