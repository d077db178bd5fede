// The real service program: what its command line says of an outside delivery server, and,
// under a small limit of open files, far more idle connections thrown at its delivery
// server than it has descriptors: the crowd is held to its share, and an honest client
// still logs in, reads the guide and downloads.

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

#include "config/media_info.hpp"
#include "net/auth_reply.hpp"
#include "service/service_fixture.hpp"
#include "support/child_process.hpp"

namespace zov::test {
namespace {

using namespace std::chrono_literals;

// `size` connections from `source` (a loopback address) to `port`, started without waiting,
// that never say a word.
class IdleCrowd {
  public:
    struct Answers {
        int greeted = 0;     // the server's first words arrived and did not start with 4xx
        int turnedAway = 0;  // a 4xx reply or a closed connection
    };

    IdleCrowd(const std::string& source, std::int32_t port, int size) {
        sockaddr_in from{}, to{};
        from.sin_family = to.sin_family = AF_INET;
        ::inet_pton(AF_INET, source.c_str(), &from.sin_addr);
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        to.sin_port = htons(static_cast<std::uint16_t>(port));
        for (int i = 0; i < size; ++i) {
            const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
            if (fd < 0) throw std::runtime_error("IdleCrowd: out of descriptors");
            fds_.push_back(fd);
            if (::bind(fd, reinterpret_cast<sockaddr*>(&from), sizeof from) != 0 ||
                (::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0 &&
                 errno != EINPROGRESS)) {
                throw std::runtime_error("IdleCrowd: cannot connect from " + source);
            }
        }
    }
    ~IdleCrowd() {
        for (int fd : fds_)
            ::close(fd);
    }
    // What the server has said to each member, once it has said something to all of them
    // or `watchdog` of real time has passed.
    Answers awaitAnswers(std::chrono::milliseconds watchdog) {
        Answers answers;
        std::vector<pollfd> waiting;
        for (int fd : fds_)
            waiting.push_back(pollfd{fd, POLLIN, 0});
        const auto deadline = std::chrono::steady_clock::now() + watchdog;
        std::size_t left = waiting.size();
        while (left > 0) {
            const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (ms.count() <= 0) break;
            if (::poll(waiting.data(), waiting.size(), static_cast<int>(ms.count())) <= 0) continue;
            for (pollfd& p : waiting) {
                if (p.fd < 0 || p.revents == 0) continue;
                char first = 0;
                const ssize_t got = ::recv(p.fd, &first, 1, MSG_PEEK);
                if (got < 0 && errno == EAGAIN) continue;
                ++(got == 1 && first != '4' ? answers.greeted : answers.turnedAway);
                p.fd = -1;  // answered; poll skips it from now on
                --left;
            }
        }
        return answers;
    }

  private:
    std::vector<int> fds_;
};

// The real program with its ports, as it names them on its output ("auth=...").
std::map<std::string, std::int32_t> portsOf(ChildProcess& service) {
    std::map<std::string, std::int32_t> ports;
    service.readLines([&](const std::string& line) {
        const std::size_t equals = line.find('=');
        if (equals != std::string::npos)
            ports[line.substr(0, equals)] = std::atoi(line.c_str() + equals + 1);
        return ports.size() == 3;
    });
    return ports;
}

constexpr unsigned kOpenFiles = 256;
constexpr int kCrowd = 600;
constexpr int kDefaultPerAddress = 32;

TEST_F(ServiceTest, IdleConnectionsBeyondTheDescriptorLimitLeaveAnHonestClientServed) {
    const std::string bytes = movieBytes(300'000);
    writeFile(root_ / "movies" / "movie.wmv", bytes);
    writeFile(root_ / "subscribers", "acme bob s3cret\n");
    ChildProcess process({ZOV_TEST_BIN_DIR "/zov-service", "--movies", (root_ / "movies").string(),
                          "--subscribers", (root_ / "subscribers").string()},
                         kOpenFiles);
    const auto service = portsOf(process);

    // A download client that was already there before the crowd came.
    auto early = connect(service.at("ftp"));
    ask(*early, "");
    ask(*early, "USER bob");
    ASSERT_EQ(ask(*early, "PASS s3cret"), "230 Logged in.\r\n");

    IdleCrowd crowd("127.0.0.2", service.at("ftp"), kCrowd);
    const IdleCrowd::Answers answers = crowd.awaitAnswers(20s);
    EXPECT_EQ(answers.greeted, kDefaultPerAddress);
    EXPECT_EQ(answers.turnedAway, kCrowd - kDefaultPerAddress);

    EXPECT_EQ(ask(*early, "NOOP"), "200 OK.\r\n");

    auto client = connect(service.at("auth"));
    client->socket->SendData(std::string("USER acme bob s3cret\r\n"));
    ASSERT_TRUE(until([&] { return !client->received.empty() || client->closed; }));
    ASSERT_EQ(client->received, "RPL_ACCEPTED");
    const std::string list = movieList(*client);
    ASSERT_FALSE(list.empty());
    EXPECT_EQ(net::cdnPort(net::readReplyValue(list, "cdnport")), service.at("ftp"));

    const std::string page = fetch(service.at("http"), "GET /guide.html HTTP/1.0\r\n\r\n");
    EXPECT_EQ(page.rfind("HTTP/1.1 200 OK\r\n", 0), 0u) << page.substr(0, 80);

    config::MediaInfo movie;
    movie.setRemoteFileName("movie");
    movie.setFileExtension(".wmv");
    auto download = engine(service.at("ftp"));
    download->downloadNoTrickle(movie, "C:\\zov\\");
    finishDownload();
    ASSERT_EQ(downloaded, 1);
    EXPECT_TRUE(errors.empty());
    EXPECT_TRUE(readFile(root_ / "zov" / "movie.wmv") == bytes);
}

// An outside delivery server reaches the movie list; a command line the program cannot use
// ends it before it names a port.
TEST_F(ServiceTest, TheProgramTakesAnOutsideDeliveryServerFromItsCommandLine) {
    writeFile(root_ / "subscribers", "acme bob s3cret\n");
    const auto program = [&](std::vector<std::string> more) {
        std::vector<std::string> words{ZOV_TEST_BIN_DIR "/zov-service", "--movies",
                                       (root_ / "movies").string(), "--subscribers",
                                       (root_ / "subscribers").string()};
        words.insert(words.end(), more.begin(), more.end());
        return words;
    };
    ChildProcess outside(program({"--delivery", "127.0.0.9:40021", "--delivery-user", "movies",
                                  "--delivery-password", "reader"}));
    auto client = connect(portsOf(outside).at("auth"));
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
    };
    for (const auto& words : refused) {
        SCOPED_TRACE(words[1]);
        ChildProcess wrong(program(words));
        EXPECT_THROW(portsOf(wrong), std::runtime_error);
    }
}

}  // namespace
}  // namespace zov::test
