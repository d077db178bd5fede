#pragma once
// What the service's tests share: a loop on the manual clock, a temporary folder with the
// movie folder and the client's folder, two subscribers, the built-in servers, and clients
// that speak to them over loopback.

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "auth_server.hpp"
#include "command_reader.hpp"
#include "config/media_info.hpp"
#include "delivery_server.hpp"
#include "http_server.hpp"
#include "login_throttle.hpp"
#include "net/auth_reply.hpp"
#include "net/brevicast.hpp"
#include "platform/cares_resolver.hpp"
#include "platform/clock.hpp"
#include "platform/poll_loop.hpp"
#include "platform/posix_file_system.hpp"
#include "runtime/c_socket.hpp"
#include "service_pages.hpp"
#include "subscribers.hpp"
#include "support/loopback.hpp"
#include "support/manual_time.hpp"
#include "support/temporary_drive.hpp"

namespace zov::test {

constexpr const char* kGreeting = "220-ZOV delivery server\r\n220 Ready.\r\n";

inline void writeFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string readFile(const std::filesystem::path& path) {
    return (std::ostringstream() << std::ifstream(path, std::ios::binary).rdbuf()).str();
}

// A plain blocking socket that connects and then does only what it is told: it can stay
// silent, never read, never close, or reset the connection.
class RawClient {
  public:
    explicit RawClient(std::int32_t port) : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        // A loopback connect to a listening socket completes at once, before any accept.
        if (::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
            throw std::runtime_error("RawClient: cannot connect");
    }
    ~RawClient() {
        if (fd_ >= 0) ::close(fd_);
    }
    RawClient(const RawClient&) = delete;
    RawClient& operator=(const RawClient&) = delete;

    void send(const std::string& bytes) {
        ASSERT_EQ(::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL),
                  static_cast<ssize_t>(bytes.size()));
    }
    // What has arrived so far, without waiting.
    std::string take() {
        std::string got;
        char buffer[4096];
        for (ssize_t n; (n = ::recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT)) > 0;)
            got.append(buffer, static_cast<std::size_t>(n));
        return got;
    }
    // Whether the server has closed its side (what came before has been taken).
    bool hungUp() {
        char byte;
        const ssize_t n = ::recv(fd_, &byte, 1, MSG_DONTWAIT | MSG_PEEK);
        return n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK);
    }
    // Closes with a reset instead of the orderly goodbye.
    void reset() {
        linger abortive{1, 0};
        ::setsockopt(fd_, SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
        ::close(fd_);
        fd_ = -1;
    }

  private:
    int fd_ = -1;
};

class ServiceTest : public ::testing::Test {
  protected:
    ServiceTest() {
        std::filesystem::create_directories(root_ / "movies");
        std::filesystem::create_directories(root_ / "zov");
        writeFile(root_ / "secret.txt", "not a movie");
        delivery.start();
        auth.start();
        http.start();
    }

    bool until(const std::function<bool()>& predicate) {
        return loop.runUntil(predicate, std::chrono::seconds(10));
    }

    // A client connection that gathers everything it is sent.
    struct Peer {
        std::shared_ptr<runtime::CSocket> socket;
        std::string received;
        bool closed = false;
    };
    // From `source` (any loopback address) when given.
    std::unique_ptr<Peer> connect(std::int32_t port, const std::string& source = {}) {
        auto peer = std::make_unique<Peer>();
        Peer& p = *peer;
        p.socket = runtime::CSocket::create(loop, resolver);
        if (!source.empty()) p.socket->Bind(0, source);
        p.socket->OnDataArrival.connect([&p](std::int32_t) {
            std::string chunk;
            p.socket->GetData(chunk);
            p.received += chunk;
        });
        p.socket->OnClose.connect([&p] { p.closed = true; });
        p.socket->Connect("127.0.0.1", port);
        EXPECT_TRUE(until([&p] { return p.socket->State() == runtime::sckConnected; }));
        return peer;
    }
    // Sends a command line (if any) and returns the complete FTP reply that follows it.
    std::string ask(Peer& peer, const std::string& line) {
        peer.received.clear();
        if (!line.empty()) peer.socket->SendData(line + "\r\n");
        EXPECT_TRUE(until([&peer] {
            const std::string& r = peer.received;
            if (r.size() < 6 || r.compare(r.size() - 2, 2, "\r\n") != 0) return peer.closed;
            std::size_t start = r.rfind("\r\n", r.size() - 3);
            start = start == std::string::npos ? 0 : start + 2;
            return r.size() - start > 4 && r[start + 3] == ' ';
        })) << "no reply to "
            << line;
        return peer.received;
    }
    // Connects to the authentication server on `port` and sends the login line; the first
    // reply is in the peer's `received`.
    std::unique_ptr<Peer> logIn(std::int32_t port, const std::string& line,
                                const std::string& source = {}) {
        auto client = connect(port, source);
        client->socket->SendData(line + "\r\n");
        EXPECT_TRUE(until([&client] { return !client->received.empty() || client->closed; }))
            << line;
        return client;
    }
    // Asks a logged-in client's server for the movie list and gathers it to its end
    // (empty when it does not end).
    std::string movieList(Peer& client) {
        client.received.clear();
        client.socket->SendData(std::string("MOVIELIST\r\n"));
        std::string list;
        const bool complete = until([&] {
            std::string chunk = std::move(client.received);
            client.received.clear();
            return net::appendToList(list, chunk, 1 << 20) == net::ListProgress::Complete;
        });
        return complete ? list : std::string();
    }
    // Sends the request from a plain socket and gathers the answer until the server closes.
    std::string fetch(std::int32_t port, const std::string& request) {
        RawClient client(port);
        client.send(request);
        std::string answer;
        EXPECT_TRUE(until([&] {
            answer += client.take();
            return client.hungUp();
        }));
        return answer;
    }

    // Another delivery server on the same folder, started.
    std::unique_ptr<service::DeliveryServer> deliveryWith(
        service::DeliveryServer::Settings settings) {
        auto server = std::make_unique<service::DeliveryServer>(
            loop, resolver, subscribers, throttle, service::MovieFolder(root_ / "movies"),
            settings);
        server->start();
        return server;
    }

    // The client's download engine fetching "movie.wmv" into the client's folder from the
    // delivery server on `port` (ours when 0).
    std::shared_ptr<net::Brevicast> startDownload(std::int32_t port = 0) {
        auto engine = net::Brevicast::create(loop, resolver, files);
        engine->setServerURL("127.0.0.1");
        engine->setPort(port != 0 ? port : delivery.port());
        engine->setAccount("bob");
        engine->setPass("s3cret");
        engine->onDownloaded.connect([this] { ++downloaded; });
        engine->onError.connect([this](std::int32_t& code) { errors.push_back(code); });
        engine->onServerReply.connect([this](std::string& transcript) {
            complete = transcript.find("226 ") != std::string::npos;
        });
        config::MediaInfo movie;
        movie.setRemoteFileName("movie");
        movie.setFileExtension(".wmv");
        engine->downloadNoTrickle(movie, "C:\\zov\\");
        return engine;
    }
    // Runs a download until the engine reports its end (its completion check ticks once a
    // second), which must be no error.
    void finishDownload() {
        ASSERT_TRUE(until([this] { return complete || !errors.empty(); }));
        for (int tick = 0; tick < 5 && downloaded == 0 && errors.empty(); ++tick)
            advanceTime(loop, clock, 1000);
        EXPECT_TRUE(errors.empty());
    }

    TemporaryDrive drive{"zov-service"};  // first: the servers below get folders inside it
    // Drive C:, holding the service's "movies" and the client's "zov" folder.
    std::filesystem::path root_ = drive.root();
    platform::ManualClock clock;
    platform::PollLoop loop{clock};
    platform::CaresResolver resolver{loop, {.lookups = "f"}};  // never asks a DNS server
    platform::PosixFileSystem& files = drive.files();
    service::Subscribers subscribers = service::Subscribers::parse(
        "# distributor user password\nacme bob s3cret\nacme ann pw2\n\n");
    service::LoginThrottle throttle;  // one for both servers, as in the service
    service::DeliveryServer delivery{loop, resolver, subscribers, throttle,
                                     service::MovieFolder(root_ / "movies")};
    service::AuthServer auth{loop,
                             resolver,
                             subscribers,
                             throttle,
                             {.deliveryPort = 2121,
                              .guideUrl = "http://127.0.0.1:8000/guide.html",
                              .bannerUrl = "http://127.0.0.1:8000/banner.html"}};
    service::ServicePages pages{service::MovieFolder(root_ / "movies"), "5.3.135",
                                "http://127.0.0.1/"};
    service::HttpServer http{loop, resolver,
                             [this](const service::HttpRequest& r) { return pages.answer(r); }};
    int downloaded = 0;
    bool complete = false;
    std::vector<std::int32_t> errors;
};

}  // namespace zov::test
