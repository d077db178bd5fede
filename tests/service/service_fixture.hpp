#pragma once
// What the service's tests share: a loop on the manual clock, a temporary folder with the
// movie folder and the client's folder, one subscriber, the built-in servers, and clients
// that speak to them over loopback.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "auth_server.hpp"
#include "delivery_server.hpp"
#include "http_server.hpp"
#include "login_throttle.hpp"
#include "net/brevicast.hpp"
#include "platform/cares_resolver.hpp"
#include "platform/clock.hpp"
#include "platform/poll_loop.hpp"
#include "platform/posix_file_system.hpp"
#include "runtime/c_socket.hpp"
#include "service_pages.hpp"
#include "subscribers.hpp"
#include "support/loopback.hpp"
#include "support/temporary_drive.hpp"

namespace zov::test {

constexpr const char* kGreeting = "220-ZOV delivery server\r\n220 Ready.\r\n";

void writeFile(const std::filesystem::path& path, const std::string& bytes);
std::string readFile(const std::filesystem::path& path);

// A plain blocking socket that connects and then does only what it is told: it can stay
// silent, never read, never close, or reset the connection.
class RawClient {
  public:
    explicit RawClient(std::int32_t port);
    ~RawClient();
    RawClient(const RawClient&) = delete;
    RawClient& operator=(const RawClient&) = delete;

    void send(const std::string& bytes);
    // What has arrived so far, without waiting.
    std::string take();
    // Whether the server has closed its side (what came before has been taken).
    bool hungUp();
    // Closes with a reset instead of the orderly goodbye.
    void reset();

  private:
    int fd_ = -1;
};

class ServiceTest : public ::testing::Test {
  protected:
    ServiceTest();

    bool until(const std::function<bool()>& predicate);

    // A client connection that gathers everything it is sent.
    struct Peer {
        std::shared_ptr<runtime::CSocket> socket;
        std::string received;
        bool closed = false;
    };
    // From `source` (any loopback address) when given.
    std::unique_ptr<Peer> connect(std::int32_t port, const std::string& source = {});
    // Sends a command line and returns the complete FTP reply that follows it.
    std::string ask(Peer& peer, const std::string& line);
    // Connects to the delivery server on `port` and logs in as bob.
    std::unique_ptr<Peer> ftpLogIn(std::int32_t port, const std::string& source = {});
    // Connects to the authentication server and sends the login line; the first reply is
    // in the peer's `received`.
    std::unique_ptr<Peer> logIn(std::int32_t port, const std::string& line,
                                const std::string& source = {});
    // Another delivery server on the same folder, started.
    std::unique_ptr<service::DeliveryServer> deliveryWith(
        service::DeliveryServer::Settings settings);
    static std::filesystem::path withFolders(const std::string& root);
    // Sends the request from a plain socket and gathers the answer until the server closes.
    std::string fetch(std::int32_t port, const std::string& request);
    // Asks a logged-in client's server for the movie list and gathers it to its end
    // (empty when it does not end).
    std::string movieList(Peer& client);

    // The client's download engine fetching "movie.wmv" into the client's folder from the
    // delivery server on `port` (ours when 0).
    std::shared_ptr<net::Brevicast> startDownload(std::int32_t port = 0);
    // Runs a download until the engine reports its end (its completion check ticks once a
    // second), which must be no error.
    void finishDownload();

    TemporaryDrive drive{"zov-service"};  // first: the servers below get folders inside it
    // Drive C:, holding the service's "movies" and the client's "zov" folder.
    std::filesystem::path root_ = withFolders(drive.root());
    platform::ManualClock clock;
    platform::PollLoop loop{clock};
    platform::CaresResolver resolver{loop, {.lookups = "f"}};  // never asks a DNS server
    platform::PosixFileSystem& files = drive.files();
    service::Subscribers subscribers = service::Subscribers::parse(
        "# distributor user password\nacme bob s3cret\n"
        "acme ann pw2\n\n");
    service::LoginThrottle throttle;  // one for both servers, as in the service
    service::DeliveryServer delivery;
    service::AuthServer auth;
    service::ServicePages pages{service::MovieFolder(root_ / "movies"), "5.3.135",
                                "http://127.0.0.1/"};
    service::HttpServer http{loop, resolver,
                             [this](const service::HttpRequest& r) { return pages.answer(r); }};
    int downloaded = 0;
    bool complete = false;
    std::vector<std::int32_t> errors;
};

}  // namespace zov::test
