#pragma once
// The authentication server: takes one login line, answers with one-word replies (each
// written on its own so it arrives as its own segment), pings now and then, and answers
// "MOVIELIST" with the movie list that carries the service configuration. A connection
// that sends no login line in time is closed; a logged-in session stays open as long as
// the client keeps it (the client never speaks again, so it is never timed out).
// Connections beyond its limits are closed without a word; logins from an address that
// keeps giving wrong passwords wait their turn (LoginThrottle).

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "connection_gate.hpp"
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
struct LoginLine;

class AuthServer {
  public:
    struct Settings {
        std::string host = "127.0.0.1";
        std::int32_t port = 0;  // 0 = a free port
        // The delivery server the movie list names (location, cdnport). An empty host is
        // `host`; empty account values are the subscriber's own user name and password.
        std::string deliveryHost{};
        std::int32_t deliveryPort = 0;
        std::string deliveryUser{};
        std::string deliveryPassword{};
        std::string guideUrl{};   // epgGuide
        std::string bannerUrl{};  // AdsUrl
        std::int64_t pingMs = 20'000;
        std::int64_t loginTimeoutMs = 60'000;  // 0 = never
        // A second login of a subscriber who has a session open gets "ERR_MULTI_LOGIN".
        bool refuseMultiLogin = false;
        ConnectionGate::Limits limits{};
    };

    // The throttle is shared with the delivery server: both take the same passwords.
    AuthServer(platform::EventLoop& loop, platform::Resolver& resolver,
               const Subscribers& subscribers, LoginThrottle& throttle, Settings settings);
    ~AuthServer();
    AuthServer(const AuthServer&) = delete;
    AuthServer& operator=(const AuthServer&) = delete;

    void start();
    std::int32_t port() const;
    std::size_t sessionCount() const { return sessions_.size(); }

  private:
    struct Session;
    void accept(std::int32_t requestId);
    void received(Session& session);
    void handleLine(Session& session, const std::string& line);
    void judge(Session& session, const LoginLine& login);
    bool hasSessionOf(const std::string& distributor, const std::string& user) const;
    void send(Session& session, const std::string& text);
    void fail(Session& session, const char* keyword);
    void drop(std::uint64_t id);
    void ping();
    std::string movieList(const std::string& user, const std::string& password) const;

    platform::EventLoop& loop_;
    platform::Resolver& resolver_;
    const Subscribers& subscribers_;
    LoginThrottle& throttle_;
    Settings settings_;
    ConnectionGate gate_;  // before the sessions, whose tickets it counts
    std::shared_ptr<runtime::CSocket> listener_;
    std::map<std::uint64_t, std::unique_ptr<Session>> sessions_;
    std::uint64_t nextId_ = 1;
    std::uint64_t pingTimer_ = 0;                   // the loop's timer key
    platform::WeakFactory<AuthServer> weak_{this};  // last
};

}  // namespace zov::service
