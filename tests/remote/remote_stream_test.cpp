// The channel over real descriptors: a pair, as standard input and output are, and a Unix
// socket that serves one client at a time.

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

#include "platform/error.hpp"
#include "remote/remote_channel_fixture.hpp"
#include "remote/remote_session.hpp"
#include "remote/remote_stream.hpp"
#include "runtime/dialogs.hpp"
#include "runtime/yes_no_popup.hpp"
#include "ui/headless/headless_button.hpp"
#include "ui/headless/headless_window.hpp"

namespace zov::test {
namespace {

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
    void send(const std::string& bytes, int fd = -1) {
        fd = fd < 0 ? fds[1] : fd;
        ASSERT_EQ(::send(fd, bytes.data(), bytes.size(), 0), static_cast<ssize_t>(bytes.size()));
    }
    bool receives(const std::string& text, int fd = -1) {
        fd = fd < 0 ? fds[1] : fd;
        return runUntil([&] {
            char buffer[65536];
            const ssize_t got = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
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

    // Readiness whose bytes another reader of the same input took first ends nothing.
    send("x");
    loop.post([&] {
        char stolen;
        EXPECT_EQ(::recv(fds[0], &stolen, 1, 0), 1);
    });
    loop.processPending();
    EXPECT_FALSE(closed);

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

TEST_F(RemoteStreamTest, ASessionServesOneClientAfterAnotherOnAUnixSocketAndNoOtherPlace) {
    EXPECT_THROW(remote::RemoteSession(loop, ui.registry(), "tcp:1234"), Error);
    EXPECT_THROW(remote::RemoteSession(loop, ui.registry(), "unix:"), Error);
    const std::string path = "/tmp/zov-remote-test-" + std::to_string(::getpid()) + ".sock";
    {
        remote::RemoteSession session(loop, ui.registry(), "unix:" + path);
        for (const char* id : {"1", "2"}) {
            const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            std::memcpy(address.sun_path, path.data(), path.size());
            ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
            send(std::string("{\"request_id\":") + id + ",\"command\":\"x\"}\n", fd);
            EXPECT_TRUE(
                receives(std::string("\"error\":\"unknown command\",\"request_id\":") + id, fd));
            ::close(fd);
        }
    }
    EXPECT_NE(::access(path.c_str(), F_OK), 0);  // the socket file is removed
}

}  // namespace
}  // namespace zov::test
