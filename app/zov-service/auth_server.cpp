#include "auth_server.hpp"

#include "command_reader.hpp"
#include "platform/event_loop.hpp"
#include "runtime/c_socket.hpp"
#include "subscribers.hpp"

namespace zov::service {

using runtime::CSocket;

struct AuthServer::Session {
    std::uint64_t id = 0;
    std::shared_ptr<CSocket> socket;
    std::string buffer;
    std::string user, password;
    bool accepted = false;
    bool closing = false;
    bool sentSincePing = false;
};

AuthServer::AuthServer(platform::EventLoop& loop, platform::Resolver& resolver,
                       const Subscribers& subscribers, Settings settings)
    : loop_(loop), resolver_(resolver), subscribers_(subscribers), settings_(std::move(settings)) {}

AuthServer::~AuthServer() {
    if (pingTimer_ != 0) loop_.killTimer(pingTimer_);
    for (auto& [id, session] : sessions_)
        session->socket->CloseSocket();
    if (listener_) listener_->CloseSocket();
}

void AuthServer::start() {
    listener_ = CSocket::create(loop_, resolver_);
    listener_->Bind(settings_.port, settings_.host);
    listener_->Listen();
    listener_->OnConnectionRequest.connect([this](std::int32_t id) { accept(id); });
    pingTimer_ = loop_.newTimerKey();
    loop_.setTimer(pingTimer_, settings_.pingMs, [this] { ping(); });
}

std::int32_t AuthServer::port() const {
    return listener_ ? listener_->LocalPort() : 0;
}

void AuthServer::accept(std::int32_t requestId) {
    auto session = std::make_unique<Session>();
    session->id = nextId_++;
    session->socket = CSocket::create(loop_, resolver_);
    session->socket->Accept(requestId);
    Session& s = *session;
    std::uint64_t id = s.id;
    s.socket->OnDataArrival.connect([this, &s](std::int32_t) { received(s); });
    s.socket->OnClose.connect([this, id] { drop(id); });
    s.socket->OnError.connect([this, id](std::int16_t, const std::string&, std::int32_t,
                                         const std::string&, const std::string&, std::int32_t,
                                         bool&) { drop(id); });
    sessions_.emplace(id, std::move(session));
}

void AuthServer::received(Session& session) {
    std::string chunk;
    session.socket->GetData(chunk);
    if (session.closing) return;
    session.buffer += chunk;
    std::string line;
    for (;;) {
        LineStatus status = takeLine(session.buffer, line);
        if (status == LineStatus::Incomplete) return;
        if (status == LineStatus::TooLong) return fail(session, "ERR_INCOMPLETEINFO");
        handleLine(session, line);
        if (session.closing) return;
    }
}

void AuthServer::handleLine(Session& session, const std::string& line) {
    if (!session.accepted) {
        std::optional<LoginLine> login = readLoginLine(line);
        if (!login) return fail(session, "ERR_INCOMPLETEINFO");
        switch (subscribers_.check(login->distributor, login->user, login->password)) {
            case Subscribers::Check::UnknownUser:
                return fail(session, "ERR_INVALID_USER_OR_CONTENT_DISTRIBUTOR");
            case Subscribers::Check::WrongPassword:
                return fail(session, "ERR_INVALID_PASS");
            case Subscribers::Check::Accepted:
                break;
        }
        session.accepted = true;
        session.user = login->user;
        session.password = login->password;
        session.sentSincePing = true;
        session.socket->SendData(std::string("RPL_ACCEPTED"));
        return;
    }
    if (line == "MOVIELIST") {
        session.sentSincePing = true;
        session.socket->SendData(movieList(session.user, session.password));
        return;
    }
    fail(session, "ERR_INVALIDID");
}

// The reply is the last thing said: the connection closes behind it.
void AuthServer::fail(Session& session, const char* keyword) {
    session.closing = true;
    session.buffer.clear();
    session.socket->SendData(std::string(keyword));
    session.socket->CloseSocket();
}

void AuthServer::drop(std::uint64_t id) {
    // The socket raised the event we are in; let it return before the socket goes.
    loop_.post([this, id] {
        auto found = sessions_.find(id);
        if (found == sessions_.end()) return;
        found->second->socket->CloseSocket();
        sessions_.erase(found);
    });
}

// A ping right behind another reply could share its segment and spoil it, so a session
// that was just spoken to skips one ping.
void AuthServer::ping() {
    for (auto& [id, session] : sessions_) {
        if (session->closing || session->socket->State() != runtime::sckConnected) continue;
        if (session->sentSincePing) {
            session->sentSincePing = false;
            continue;
        }
        session->socket->SendData(std::string("CM_PING"));
    }
}

std::string AuthServer::movieList(const std::string& user, const std::string& password) const {
    auto attribute = [](const char* name, const std::string& value) {
        return std::string(" ") + name + "=\"" + value + "\"";
    };
    return "<movieList" + attribute("location", settings_.host) + attribute("username", user) +
           attribute("password", password) +
           attribute("cdnport", std::to_string(settings_.deliveryPort)) +
           attribute("epgGuide", settings_.guideUrl) + attribute("AdsUrl", settings_.bannerUrl) +
           "></movieList>";
}

}  // namespace zov::service
