// The channel on a Unix socket: one client at a time, and the next one may come.

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "platform/error.hpp"
#include "remote/remote_session.hpp"
#include "support/client_fixture.hpp"

namespace zov::test {
namespace {

struct RemoteSessionTest : ClientFixture {
    std::string path = "/tmp/zov-remote-test-" + std::to_string(::getpid()) + ".sock";

    int connectClient() {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, path.data(), path.size());
        EXPECT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        return fd;
    }

    bool replyArrives(int fd, const std::string& request, const std::string& expected) {
        EXPECT_EQ(::send(fd, request.data(), request.size(), 0),
                  static_cast<ssize_t>(request.size()));
        std::string received;
        return runUntil([&] {
            char buffer[65536];
            const ssize_t got = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
            if (got > 0) received.append(buffer, static_cast<std::size_t>(got));
            return received.find(expected) != std::string::npos;
        });
    }
};

TEST_F(RemoteSessionTest, ServesOneClientAfterAnotherOnAUnixSocketAndNoOtherPlace) {
    EXPECT_THROW(remote::RemoteSession(loop, ui.registry(), "tcp:1234"), Error);
    EXPECT_THROW(remote::RemoteSession(loop, ui.registry(), "unix:"), Error);
    startClient({"ZOVAuthServer.URL=127.0.0.1"});
    {
        remote::RemoteSession session(loop, ui.registry(), "unix:" + path);
        for (const char* id : {"1", "2"}) {
            const int fd = connectClient();
            EXPECT_TRUE(
                replyArrives(fd, std::string("{\"request_id\":") + id + ",\"command\":\"x\"}\n",
                             std::string("\"error\":\"unknown command\",\"request_id\":") + id));
            ::close(fd);
        }
    }
    EXPECT_NE(::access(path.c_str(), F_OK), 0);  // the socket file is removed
}

}  // namespace
}  // namespace zov::test
