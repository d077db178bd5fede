// A script drives a whole client through the channel, as the headless front end's remote
// control: every request gets exactly one reply, events tell what a person would see.

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "remote/remote_channel_fixture.hpp"
#include "remote/remote_stream.hpp"
#include "runtime/dialogs.hpp"
#include "runtime/yes_no_popup.hpp"
#include "ui/headless/headless_button.hpp"
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

// The same channel over a real descriptor pair, as standard input and output are.
struct RemoteStreamTest : RemoteChannelTest {
    int fds[2] = {-1, -1};
    std::string received;
    void SetUp() override {
        RemoteChannelTest::SetUp();
        ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
    }
    void TearDown() override {
        ::close(fds[0]);
        ::close(fds[1]);
    }
    void send(const std::string& bytes) {
        ASSERT_EQ(::send(fds[1], bytes.data(), bytes.size(), 0),
                  static_cast<ssize_t>(bytes.size()));
    }
    bool receives(const std::string& text) {
        return runUntil([&] {
            char buffer[65536];
            const ssize_t got = ::recv(fds[1], buffer, sizeof buffer, MSG_DONTWAIT);
            if (got > 0) received.append(buffer, static_cast<std::size_t>(got));
            return received.find(text) != std::string::npos;
        });
    }
};

TEST_F(RemoteStreamTest, CarriesRequestsInPiecesAndEndsWithTheInput) {
    remote::RemoteStream stream(loop, channel, fds[0], fds[0]);
    bool closed = false;
    stream.Closed.connect([&] { closed = true; });
    send("{\"request_id\":41,\"comm");
    loop.processPending();
    send("and\":\"get_state\"}\nbad\n");
    ASSERT_TRUE(receives("invalid json"));
    EXPECT_LT(received.find("\"request_id\":41"), received.find("invalid json"));

    const std::string longLine(remote::LineSplitter::kDefaultMaxLine + 10, 'x');
    std::size_t sent = 0;
    ASSERT_TRUE(runUntil([&] {
        const ssize_t n =
            ::send(fds[1], longLine.data() + sent, longLine.size() - sent, MSG_DONTWAIT);
        if (n > 0) sent += static_cast<std::size_t>(n);
        return sent == longLine.size();
    }));
    send("\n");
    ASSERT_TRUE(receives("line too long"));

    // Requests sent just before the input ends are still answered before it closes.
    send(
        "{\"request_id\":51,\"command\":\"get_state\"}\n"
        "{\"request_id\":52,\"command\":\"get_state\"}\n");
    ::shutdown(fds[1], SHUT_WR);
    ASSERT_TRUE(runUntil([&] { return closed; }));
    EXPECT_TRUE(receives("\"request_id\":52"));
}

// The answer to a modal question may come in the same read as the request that asks it.
TEST_F(RemoteStreamTest, AnswersAQuestionSentRightBehindTheRequestThatAsksIt) {
    auto window = ui.createWindow("testWindow");
    window->show();
    auto button = ui.createButton(*window, "ask");
    button->setVisible(true);
    button->setEnabled(true);
    button->Click.connect([&] { client->dialogs().yesNoPopup().ask(); });
    remote::RemoteStream stream(loop, channel, fds[0], fds[0]);
    const std::string press =
        R"({"request_id":ID,"command":"press_button","window":"testWindow","control":"ask"})";
    // Behind the question nothing else is reachable, as for a person.
    send(std::string(press).replace(press.find("ID"), 2, "1") + "\n" +
         std::string(press).replace(press.find("ID"), 2, "3") + "\n" +
         R"({"request_id":2,"command":"answer_question","answer":"yes"})" + "\n");
    ASSERT_TRUE(receives("\"request_id\":1"));
    EXPECT_LT(received.find("\"request_id\":2"), received.find("\"request_id\":1"));
    EXPECT_NE(received.find(R"("error":"blocked","request_id":3)"), std::string::npos) << received;
    EXPECT_TRUE(client->dialogs().yesNoPopup().decision);
}

}  // namespace
}  // namespace zov::test
