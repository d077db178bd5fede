// The real service program: what its command line says, and, under a small limit of open
// files, far more idle connections thrown at its delivery server than it has descriptors:
// the crowd is held to its share, and an honest client is still served.

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "net/auth_reply.hpp"
#include "service/service_fixture.hpp"
#include "support/child_process.hpp"

namespace zov::test {
namespace {

using namespace std::chrono_literals;

// `size` connections from 127.0.0.2 to `port` that never say a word; returns how many the
// server greeted (its first words did not start with 4), once it has answered each of them
// or the watchdog has passed.
int greetedAmongIdle(std::int32_t port, int size) {
    sockaddr_in from{}, to{};
    from.sin_family = to.sin_family = AF_INET;
    ::inet_pton(AF_INET, "127.0.0.2", &from.sin_addr);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    to.sin_port = htons(static_cast<std::uint16_t>(port));
    std::vector<pollfd> waiting;
    for (int i = 0; i < size; ++i) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        EXPECT_GE(fd, 0);
        EXPECT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&from), sizeof from), 0);
        EXPECT_TRUE(::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0 ||
                    errno == EINPROGRESS);
        waiting.push_back(pollfd{fd, POLLIN, 0});
    }
    int greeted = 0;
    const auto deadline = std::chrono::steady_clock::now() + 20s;  // a hang guard
    int left = size;
    while (left > 0 && std::chrono::steady_clock::now() < deadline) {
        if (::poll(waiting.data(), waiting.size(), 100) <= 0) continue;
        for (pollfd& p : waiting) {
            char first = 0;
            if (p.fd < 0 || p.revents == 0) continue;
            const ssize_t got = ::recv(p.fd, &first, 1, MSG_PEEK);
            if (got < 0 && errno == EAGAIN) continue;
            greeted += got == 1 && first != '4';  // not a 4xx reply, a reset or a close
            p.fd = ~p.fd;  // answered: poll skips it from now on, and it stays open
            --left;
        }
    }
    EXPECT_EQ(left, 0) << "connections the server never answered";
    for (const pollfd& p : waiting)
        ::close(p.fd < 0 ? ~p.fd : p.fd);
    return greeted;
}

struct ServiceProgramTest : ServiceTest {
    ServiceProgramTest() { writeFile(root_ / "subscribers", "acme bob s3cret\n"); }
    std::vector<std::string> program(std::vector<std::string> more) {
        std::vector<std::string> words{ZOV_TEST_BIN_DIR "/zov-service", "--movies",
                                       (root_ / "movies").string(), "--subscribers",
                                       (root_ / "subscribers").string()};
        words.insert(words.end(), more.begin(), more.end());
        return words;
    }
    // Its ports, as it names them on its output ("auth=...").
    static std::map<std::string, std::int32_t> portsOf(ChildProcess& service) {
        std::map<std::string, std::int32_t> ports;
        service.readLines([&](const std::string& line) {
            const std::size_t equals = line.find('=');
            if (equals != std::string::npos)
                ports[line.substr(0, equals)] = std::atoi(line.c_str() + equals + 1);
            return ports.size() == 3;
        });
        return ports;
    }
    std::string logInTo(std::int32_t port, const std::string& line) {
        auto client = connect(port);
        client->socket->SendData(line + "\r\n");
        EXPECT_TRUE(until([&] { return !client->received.empty() || client->closed; })) << line;
        return client->received;
    }
};

TEST_F(ServiceProgramTest, IdleConnectionsBeyondTheDescriptorLimitLeaveAnHonestClientServed) {
    constexpr int kCrowd = 600, kDefaultPerAddress = 32;
    ChildProcess process(program({}), 256);
    const auto service = portsOf(process);
    // A download client that was already there before the crowd came.
    auto early = ftpLogIn(service.at("ftp"));

    EXPECT_EQ(greetedAmongIdle(service.at("ftp"), kCrowd), kDefaultPerAddress);
    EXPECT_EQ(ask(*early, "NOOP"), "200 OK.\r\n");
    EXPECT_EQ(ask(*connect(service.at("ftp")), ""), kGreeting);
    EXPECT_EQ(logInTo(service.at("auth"), "USER acme bob s3cret"), "RPL_ACCEPTED");
    const std::string page = fetch(service.at("http"), "GET /guide.html HTTP/1.0\r\n\r\n");
    EXPECT_EQ(page.rfind("HTTP/1.1 200 OK\r\n", 0), 0u) << page.substr(0, 80);
}

// An outside delivery server reaches the movie list, and waits for wrong passwords can be
// turned off; a command line the program cannot use ends it before it names a port.
TEST_F(ServiceProgramTest, TheCommandLineNamesAnOutsideDeliveryServerAndTheLoginWaits) {
    ChildProcess outside(program({"--delivery", "127.0.0.9:40021", "--delivery-user", "movies",
                                  "--delivery-password", "reader", "--max-login-delay", "0"}));
    const std::int32_t auth = portsOf(outside).at("auth");
    // Well past the wrong passwords judged at once: without waits each is answered at once.
    for (int i = 0; i < 10; ++i)
        ASSERT_EQ(logInTo(auth, "USER acme bob wrong"), "ERR_INVALID_PASS") << i;
    auto client = connect(auth);
    client->socket->SendData(std::string("USER acme bob s3cret\r\n"));
    ASSERT_TRUE(until([&] { return !client->received.empty() || client->closed; }));
    const std::string list = movieList(*client);
    EXPECT_EQ(net::readReplyValue(list, "location"), "127.0.0.9");
    EXPECT_EQ(net::cdnPort(net::readReplyValue(list, "cdnport")), 40021);
    EXPECT_EQ(net::readReplyValue(list, "username"), "movies");
    EXPECT_EQ(net::readReplyValue(list, "password"), "reader");

    const std::vector<std::vector<std::string>> refused = {
        {"--delivery", "127.0.0.9"},
        {"--delivery", "127.0.0.9:0"},
        {"--delivery", "127.0.0.9:21", "--delivery-user", "movies"},     // half an account
        {"--delivery-user", "movies", "--delivery-password", "reader"},  // for no server
        {"--delivery", "127.0.0.9:21", "--delivery-user", "a b", "--delivery-password", "c"},
        {"--host"},  // a value missing at the end
    };
    for (const auto& words : refused) {
        SCOPED_TRACE(words.back());
        ChildProcess wrong(program(words));
        EXPECT_THROW(portsOf(wrong), std::runtime_error);
    }
}

}  // namespace
}  // namespace zov::test
