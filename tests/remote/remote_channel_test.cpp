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

    EXPECT_EQ(error(request("not json")), "invalid json");
    EXPECT_TRUE(replies.back().find("request_id")->isNull());
    EXPECT_EQ(error(request("[1,2]")), "invalid request");
    EXPECT_EQ(error(request(R"({"request_id":[1],"command":"get_state"})")), "invalid request");
    EXPECT_EQ(error(request(R"({"request_id":2})")), "invalid parameter");
    EXPECT_EQ(error(request(R"({"request_id":3,"command":"fly"})")), "unknown command");
    EXPECT_EQ(replies.back().find("request_id")->asNumber(), 3);
    EXPECT_EQ(error(request(R"({"request_id":4,"command":"press_button","window":"x"})")),
              "invalid parameter");
    EXPECT_EQ(error(request(R"({"request_id":5,"command":"press_button","window":"movieGuide",)"
                            R"("control":"nothing"})")),
              "not found");
    EXPECT_EQ(error(request(R"({"request_id":6,"command":"key","window":"movieGuide","key":1.5})")),
              "invalid parameter");
    EXPECT_EQ(error(request(R"({"request_id":7,"command":"key","window":"mainPlayer","key":76})")),
              "not visible");
    EXPECT_EQ(error(request(R"({"request_id":8,"command":"answer_question","answer":"yes"})")),
              "not found");
    EXPECT_EQ(error(request(R"({"request_id":9,"command":"login_command","action":"Go"})")),
              "invalid parameter");
    // A screenshot needs a screen: none headless, and none of a hidden window anywhere.
    EXPECT_EQ(error(request(R"({"request_id":10,"command":"screenshot","window":"LoginPage",)"
                            R"("path":"/tmp/zov-never.png"})")),
              "not supported");
    EXPECT_EQ(error(request(R"({"request_id":11,"command":"screenshot","window":"mainPlayer",)"
                            R"("path":"/tmp/zov-never.png"})")),
              "not visible");
    channel.receiveOverlongLine();
    drain();
    EXPECT_EQ(error(replies.back()), "line too long");
}

TEST_F(RemoteChannelTest, TypingTheLoginLeavesConnectToThePerson) {
    EXPECT_EQ(error(request(R"({"request_id":1,"command":"login_command","action":"Type",)"
                            R"("distributor":"demo","user":"bob","password":"pw"})")),
              "success");
    drain();
    EXPECT_EQ(state().find("login")->find("userBox")->asString(), "bob");
    EXPECT_TRUE(shown("LoginPage"));
    EXPECT_FALSE(sawEvent("window-shown", "window", "frmLogo"));  // nothing was sent
}

TEST_F(RemoteChannelTest, AWrongPasswordShowsTheStatusLineAndTheLoginPageComesBack) {
    auth.expect("USER demo bob wrong").send("ERR_INVALID_PASS");
    EXPECT_EQ(error(request(R"({"request_id":1,"command":"login_command","action":"Connect",)"
                            R"("distributor":"","user":"bob","password":"wrong"})")),
              "success");
    ASSERT_TRUE(runUntil([&] { return sawEvent("status-line", "text", "Invalid Password..."); }))
        << auth.mismatch();
    EXPECT_EQ(state().find("login")->find("status")->asString(), "Invalid Password...");
    EXPECT_EQ(state().find("login")->find("passBox"), nullptr);  // a password is never echoed
    advance(2000);
    drain();
    EXPECT_TRUE(sawEvent("window-shown", "window", "LoginPage"));
    EXPECT_FALSE(shown("frmLogo"));
    EXPECT_FALSE(shown("mainPlayer"));
}

TEST_F(RemoteChannelTest, LogsInAndChoosesAGuideItemByItsHiddenValues) {
    logIn();
    EXPECT_TRUE(shown("mainPlayer"));
    EXPECT_FALSE(shown("LoginPage"));

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

TEST_F(RemoteChannelTest, ABoundedEventQueueSaysHowManyEventsItDropped) {
    auto window = ui.window("mainPlayer");
    ASSERT_NE(window, nullptr);
    events.clear();
    for (std::size_t i = 0; i < RemoteChannel::kMaxQueuedEvents + 25; ++i)
        window->setCaption("step " + std::to_string(i));
    channel.receiveLine(R"({"request_id":1,"command":"get_state"})");  // replies are kept
    drain();
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(events.size(), RemoteChannel::kMaxQueuedEvents + 1);
    EXPECT_EQ(events.back().find("event")->asString(), "queue-overflow");
    EXPECT_EQ(events.back().find("dropped")->asNumber(), 25);
}

TEST_F(RemoteChannelTest, DownloadProgressIsItsOwnEventWithTheMovieTitle) {
    logIn();
    ui.label("movieGuide", "currentDLLabel")->setCaption("Big Movie");
    events.clear();
    ui.label("movieGuide", "percentLabel")->setCaption("42%");
    ui.label("movieGuide", "percentLabel")->setCaption("");
    drain();
    std::vector<JsonValue> progress;
    for (const auto& e : events)
        if (e.find("event")->asString() == "download-progress") progress.push_back(e);
    ASSERT_EQ(progress.size(), 2u);
    EXPECT_EQ(progress[0].dump(),
              R"({"event":"download-progress","movie":"Big Movie","percent":42})");
    EXPECT_TRUE(progress[1].find("percent")->isNull());
}

// The same channel over a real descriptor pair, as standard input and output are.
TEST_F(RemoteChannelTest, CarriesRequestsInPiecesOverADescriptorAndEndsWithTheInput) {
    int fds[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
    bool closed = false;
    {
        remote::RemoteStream stream(loop, channel, fds[0], fds[0]);
        stream.Closed.connect([&] { closed = true; });
        std::string received;
        auto readSome = [&] {
            char buffer[65536];
            const ssize_t got = ::recv(fds[1], buffer, sizeof buffer, MSG_DONTWAIT);
            if (got > 0) received.append(buffer, static_cast<std::size_t>(got));
            return received;
        };
        ASSERT_EQ(::send(fds[1], "{\"request_id\":41,\"comm", 22, 0), 22);
        loop.processPending();
        ASSERT_EQ(::send(fds[1], "and\":\"get_state\"}\nbad\n", 22, 0), 22);
        ASSERT_TRUE(runUntil([&] { return readSome().find("invalid json") != std::string::npos; }));
        EXPECT_NE(received.find("\"request_id\":41"), std::string::npos);
        EXPECT_LT(received.find("\"request_id\":41"), received.find("invalid json"));

        const std::string longLine(remote::LineSplitter::kDefaultMaxLine + 10, 'x');
        std::size_t sent = 0;
        ASSERT_TRUE(runUntil([&] {
            const ssize_t n =
                ::send(fds[1], longLine.data() + sent, longLine.size() - sent, MSG_DONTWAIT);
            if (n > 0) sent += static_cast<std::size_t>(n);
            return sent == longLine.size();
        }));
        ASSERT_EQ(::send(fds[1], "\n", 1, 0), 1);
        ASSERT_TRUE(
            runUntil([&] { return readSome().find("line too long") != std::string::npos; }));

        // Requests sent just before the input ends are still answered before it closes.
        const std::string last =
            "{\"request_id\":51,\"command\":\"get_state\"}\n"
            "{\"request_id\":52,\"command\":\"get_state\"}\n";
        ASSERT_EQ(::send(fds[1], last.data(), last.size(), 0), static_cast<ssize_t>(last.size()));
        ::shutdown(fds[1], SHUT_WR);
        ASSERT_TRUE(runUntil([&] { return closed; }));
        readSome();
        EXPECT_NE(received.find("\"request_id\":52"), std::string::npos);
    }
    ::close(fds[0]);
    ::close(fds[1]);
}

// The answer to a modal question may come in the same read as the request that asks it.
TEST_F(RemoteChannelTest, AnswersAQuestionSentRightBehindTheRequestThatAsksIt) {
    auto window = ui.createWindow("testWindow");
    window->show();
    auto button = ui.createButton(*window, "ask");
    button->setVisible(true);
    button->setEnabled(true);
    button->Click.connect([&] { client->dialogs().yesNoPopup().ask(); });
    int fds[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
    {
        remote::RemoteStream stream(loop, channel, fds[0], fds[0]);
        const std::string lines =
            "{\"request_id\":1,\"command\":\"press_button\",\"window\":\"testWindow\","
            "\"control\":\"ask\"}\n"
            // Behind the question nothing else is reachable, as for a person.
            "{\"request_id\":3,\"command\":\"press_button\",\"window\":\"testWindow\","
            "\"control\":\"ask\"}\n"
            "{\"request_id\":2,\"command\":\"answer_question\",\"answer\":\"yes\"}\n";
        ASSERT_EQ(::send(fds[1], lines.data(), lines.size(), 0),
                  static_cast<ssize_t>(lines.size()));
        std::string received;
        ASSERT_TRUE(runUntil([&] {
            char buffer[65536];
            const ssize_t got = ::recv(fds[1], buffer, sizeof buffer, MSG_DONTWAIT);
            if (got > 0) received.append(buffer, static_cast<std::size_t>(got));
            return received.find("\"request_id\":1") != std::string::npos;
        }));
        EXPECT_LT(received.find("\"request_id\":2"), received.find("\"request_id\":1"));
        EXPECT_NE(received.find(R"("error":"blocked","request_id":3)"), std::string::npos)
            << received;
        EXPECT_TRUE(client->dialogs().yesNoPopup().decision);
    }
    ::close(fds[0]);
    ::close(fds[1]);
}

}  // namespace
}  // namespace zov::test
