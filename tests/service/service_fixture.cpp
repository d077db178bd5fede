#include "service/service_fixture.hpp"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "config/media_info.hpp"
#include "net/auth_reply.hpp"
#include "support/manual_time.hpp"

using namespace std::chrono_literals;

namespace zov::test {

namespace fs = std::filesystem;

void writeFile(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

RawClient::RawClient(std::int32_t port) : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    // A loopback connect to a listening socket completes at once, before any accept.
    if (::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        throw std::runtime_error("RawClient: cannot connect");
    }
}

RawClient::~RawClient() {
    if (fd_ >= 0) ::close(fd_);
}

void RawClient::send(const std::string& bytes) {
    ASSERT_EQ(::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL),
              static_cast<ssize_t>(bytes.size()));
}

std::string RawClient::take() {
    std::string got;
    char buffer[4096];
    ssize_t n;
    while ((n = ::recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT)) > 0) {
        got.append(buffer, static_cast<std::size_t>(n));
    }
    return got;
}

bool RawClient::hungUp() {
    char byte;
    ssize_t n = ::recv(fd_, &byte, 1, MSG_DONTWAIT | MSG_PEEK);
    return n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK);
}

void RawClient::reset() {
    linger abortive{1, 0};
    ::setsockopt(fd_, SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
    ::close(fd_);
    fd_ = -1;
}

fs::path ServiceTest::withFolders(const std::string& root) {
    fs::create_directories(fs::path(root) / "movies");
    fs::create_directories(fs::path(root) / "zov");
    return root;
}

ServiceTest::ServiceTest()
    : delivery(loop, resolver, subscribers, throttle, service::MovieFolder(root_ / "movies")),
      auth(loop, resolver, subscribers, throttle,
           {.deliveryPort = 2121,
            .guideUrl = "http://127.0.0.1:8000/guide.html",
            .bannerUrl = "http://127.0.0.1:8000/banner.html"}) {
    writeFile(root_ / "secret.txt", "not a movie");
    delivery.start();
    auth.start();
    http.start();
}

std::string ServiceTest::fetch(std::int32_t port, const std::string& request) {
    RawClient client(port);
    client.send(request);
    std::string answer;
    EXPECT_TRUE(until([&] {
        answer += client.take();
        return client.hungUp();
    }));
    return answer;
}

std::string ServiceTest::movieList(Peer& client) {
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

bool ServiceTest::until(const std::function<bool()>& predicate) {
    return loop.runUntil(predicate, 10s);
}

std::unique_ptr<ServiceTest::Peer> ServiceTest::connect(std::int32_t port,
                                                        const std::string& source) {
    auto peer = std::make_unique<Peer>();
    peer->socket = runtime::CSocket::create(loop, resolver);
    if (!source.empty()) peer->socket->Bind(0, source);
    Peer& p = *peer;
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

std::string ServiceTest::ask(Peer& peer, const std::string& line) {
    peer.received.clear();
    if (!line.empty()) peer.socket->SendData(line + "\r\n");
    bool answered = until([&peer] {
        const std::string& r = peer.received;
        if (r.size() < 6 || r.compare(r.size() - 2, 2, "\r\n") != 0) return peer.closed;
        std::size_t start = r.rfind("\r\n", r.size() - 3);
        start = start == std::string::npos ? 0 : start + 2;
        return r.size() - start > 4 && r[start + 3] == ' ';
    });
    EXPECT_TRUE(answered) << "no reply to " << line;
    return peer.received;
}

std::unique_ptr<ServiceTest::Peer> ServiceTest::ftpLogIn(std::int32_t port,
                                                         const std::string& source) {
    auto client = connect(port, source);
    ask(*client, "");
    ask(*client, "USER bob");
    EXPECT_EQ(ask(*client, "PASS s3cret"), "230 Logged in.\r\n");
    return client;
}

std::unique_ptr<service::DeliveryServer> ServiceTest::deliveryWith(
    service::DeliveryServer::Settings settings) {
    auto server = std::make_unique<service::DeliveryServer>(
        loop, resolver, subscribers, throttle, service::MovieFolder(root_ / "movies"), settings);
    server->start();
    return server;
}

std::unique_ptr<ServiceTest::Peer> ServiceTest::logIn(std::int32_t port, const std::string& line,
                                                      const std::string& source) {
    auto client = connect(port, source);
    client->socket->SendData(line + "\r\n");
    EXPECT_TRUE(until([&client] { return !client->received.empty() || client->closed; })) << line;
    return client;
}

std::shared_ptr<net::Brevicast> ServiceTest::startDownload(std::int32_t port) {
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

void ServiceTest::finishDownload() {
    ASSERT_TRUE(until([this] { return complete || !errors.empty(); }));
    for (int tick = 0; tick < 5 && downloaded == 0 && errors.empty(); ++tick) {
        advanceTime(loop, clock, 1000);
    }
    EXPECT_TRUE(errors.empty());
}

}  // namespace zov::test
