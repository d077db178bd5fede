#include "support/scripted_auth_server.hpp"

#include "support/scripted_ftp_peer.hpp"

namespace zov::test {

ScriptedAuthServer::ScriptedAuthServer(platform::EventLoop& loop)
    : peer_(std::make_unique<ScriptedFtpPeer>(loop)) {}

ScriptedAuthServer::~ScriptedAuthServer() = default;

std::uint16_t ScriptedAuthServer::port() const {
    return peer_->port();
}

ScriptedAuthServer& ScriptedAuthServer::expect(std::string line) {
    peer_->expect(std::move(line));
    return *this;
}

ScriptedAuthServer& ScriptedAuthServer::send(std::string reply) {
    peer_->send(std::move(reply));
    return *this;
}

ScriptedAuthServer& ScriptedAuthServer::close() {
    peer_->closeControl();
    return *this;
}

ScriptedAuthServer& ScriptedAuthServer::nextConnection() {
    peer_->nextConnection();
    return *this;
}

const std::vector<std::string>& ScriptedAuthServer::lines() const {
    return peer_->transcript();
}

bool ScriptedAuthServer::finished() const {
    return peer_->finished();
}

const std::string& ScriptedAuthServer::mismatch() const {
    return peer_->mismatch();
}

int ScriptedAuthServer::connections() const {
    return peer_->controlConnections();
}

bool ScriptedAuthServer::closedByClient() const {
    return peer_->controlClosedByClient();
}

}  // namespace zov::test
