#pragma once
// The authentication server: takes one login line, answers with one-word replies (each
// written on its own so it arrives as its own segment), pings now and then, and answers
// "MOVIELIST" with the movie list that carries the service configuration.

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include <cstddef>

namespace zov::platform {
class EventLoop;
class Resolver;
}  // namespace zov::platform
namespace zov::runtime {
class CSocket;
}

namespace zov::service {

class Subscribers;

class AuthServer {
  public:
    struct Settings {
        std::string host = "127.0.0.1";
        std::int32_t port = 0;  // 0 = a free port
        std::int32_t deliveryPort = 0;
        std::string guideUrl;   // epgGuide
        std::string bannerUrl;  // AdsUrl
        std::int64_t pingMs = 20'000;
    };

    AuthServer(platform::EventLoop& loop, platform::Resolver& resolver,
               const Subscribers& subscribers, Settings settings);
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
    void fail(Session& session, const char* keyword);
    void drop(std::uint64_t id);
    void ping();
    std::string movieList(const std::string& user, const std::string& password) const;

    platform::EventLoop& loop_;
    platform::Resolver& resolver_;
    const Subscribers& subscribers_;
    Settings settings_;
    std::shared_ptr<runtime::CSocket> listener_;
    std::map<std::uint64_t, std::unique_ptr<Session>> sessions_;
    std::uint64_t nextId_ = 1;
    std::uint64_t pingTimer_ = 0;  // the loop's timer key
};

}  // namespace zov::service
