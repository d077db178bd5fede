#pragma once
// The delivery server: an FTP-style server in passive mode serving the movie folder to
// many clients at once, one FtpSession each. A connection beyond its limits is told 421
// and closed.

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "connection_gate.hpp"
#include "ftp_session.hpp"
#include "movie_folder.hpp"
#include "platform/weak_factory.hpp"

namespace zov::platform {
class EventLoop;
class Resolver;
}  // namespace zov::platform
namespace zov::runtime {
class CSocket;
}

namespace zov::service {

class LoginThrottle;
class Subscribers;

class DeliveryServer {
  public:
    struct Settings {
        std::string host = "127.0.0.1";
        std::int32_t port = 0;  // 0 = a free port
        FtpSession::Limits limits{};
        ConnectionGate::Limits connections{};  // control connections
    };

    // The throttle is shared with the authentication server: both take the same passwords.
    DeliveryServer(platform::EventLoop& loop, platform::Resolver& resolver,
                   const Subscribers& subscribers, LoginThrottle& throttle, MovieFolder movies,
                   Settings settings);
    DeliveryServer(platform::EventLoop& loop, platform::Resolver& resolver,
                   const Subscribers& subscribers, LoginThrottle& throttle, MovieFolder movies);
    ~DeliveryServer();
    DeliveryServer(const DeliveryServer&) = delete;
    DeliveryServer& operator=(const DeliveryServer&) = delete;

    void start();
    std::int32_t port() const;
    std::size_t sessionCount() const { return sessions_.size(); }

  private:
    struct Entry {
        ConnectionGate::Ticket ticket;
        std::unique_ptr<FtpSession> session;  // goes first, then its ticket
    };
    void accept(std::int32_t requestId);

    platform::EventLoop& loop_;
    platform::Resolver& resolver_;
    const Subscribers& subscribers_;
    LoginThrottle& throttle_;
    MovieFolder movies_;
    Settings settings_;
    ConnectionGate gate_;  // before the sessions, whose tickets it counts
    std::shared_ptr<runtime::CSocket> listener_;
    std::map<std::uint64_t, Entry> sessions_;
    std::uint64_t nextId_ = 1;
    platform::WeakFactory<DeliveryServer> weak_{this};  // last
};

}  // namespace zov::service
