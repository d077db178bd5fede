#pragma once
// The login conversation with the service's authentication server: the login line, the
// one-word replies, the version check and the movie list whose attributes carry the
// service configuration. The main window owns one and drives it; every effect on a window
// goes through the host. Not a general line protocol: a reply is whatever one read returns.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/weak_factory.hpp"

namespace zov::platform {
class EventLoop;
class Resolver;
class HttpClient;
}  // namespace zov::platform
namespace zov::runtime {
class CSocket;
class CTimeout;
}  // namespace zov::runtime
namespace zov::config {
class PlayerProperties;
}

namespace zov::net {

class AuthSessionHost;

class AuthSession : public std::enable_shared_from_this<AuthSession> {
  public:
    static constexpr std::int32_t kAuthPort = 8080;
    static constexpr std::int32_t kConnectionTimeOutSeconds = 40;
    static constexpr std::int32_t kLoginStatusDelaySeconds = 2;
    // The movie list is a few kilobytes; a server that sends more is not a service.
    static constexpr std::size_t kDataBufferLimit = 1 << 20;
    static constexpr std::string_view kVersionServerPath =
        "/pcplayer_version_control/version_control_server.asp";

    // ownVersion is major, minor and revision joined by "." ("5.3.135").
    static std::shared_ptr<AuthSession> create(platform::EventLoop& loop,
                                               platform::Resolver& resolver,
                                               config::PlayerProperties& playerProp,
                                               platform::HttpClient& http, AuthSessionHost& host,
                                               std::string ownVersion);
    ~AuthSession();
    AuthSession(const AuthSession&) = delete;
    AuthSession& operator=(const AuthSession&) = delete;

    // Starts a login with what the login page holds; replaces any connection before it.
    void authUser(const std::string& distributor, const std::string& user, const std::string& pass);
    // At exit: closes the connection and stops the timers, so nothing is told after.
    void closeForExit();

    bool sessionAccepted() const { return sessionAccepted_; }
    // The movie list gathered so far in this attempt.
    const std::string& dataBuffer() const { return dataBuffer_; }
    std::string readReplyValue(std::string_view name) const;

    // The version server; by default the page of the authentication host.
    std::string versionServerURL() const;
    void setVersionServerURL(std::string url) { versionServerURL_ = std::move(url); }
    std::int32_t authPort() const { return authPort_; }
    void setAuthPort(std::int32_t port) { authPort_ = port; }

  private:
    AuthSession(platform::EventLoop& loop, platform::Resolver& resolver,
                config::PlayerProperties& playerProp, platform::HttpClient& http,
                AuthSessionHost& host, std::string ownVersion);
    void wireTimers();

    void connectToAuthServer();
    void authConnection_OnConnect(const runtime::CSocket* sender);
    void authConnection_OnDataArrival(const runtime::CSocket* sender, std::int32_t bytesTotal);
    void checkForUpdate();
    void applyServiceConfig();
    void authConnectionTimer_TimeOut();
    void loginStatusDelay_timeout();

    // Ends the attempt: the connection goes, the login page returns 2 s later.
    void failAttempt(std::string_view status);
    void releaseConnection();
    void sendLine(const std::string& line);

    platform::EventLoop& loop_;
    platform::Resolver& resolver_;
    config::PlayerProperties& playerProp_;
    platform::HttpClient& http_;
    AuthSessionHost& host_;
    std::string ownVersion_;
    std::string versionServerURL_;
    std::int32_t authPort_ = kAuthPort;

    std::shared_ptr<runtime::CSocket> authConnection;
    std::shared_ptr<runtime::CTimeout> authConnectionTimer;
    std::shared_ptr<runtime::CTimeout> loginStatusDelay;
    bool sessionAccepted_ = false;
    std::string dataBuffer_;
    platform::WeakFactory<AuthSession> weak_{this};  // last
};

}  // namespace zov::net
