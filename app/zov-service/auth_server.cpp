#include "auth_server.hpp"

#include <sys/socket.h>

#include "command_reader.hpp"
#include "login_throttle.hpp"
#include "pending_login.hpp"
#include "platform/clock.hpp"
#include "platform/error.hpp"
#include "platform/event_loop.hpp"
#include "runtime/c_socket.hpp"
#include "subscribers.hpp"

namespace zov::service {

using runtime::CSocket;

struct AuthServer::Session {
    explicit Session(platform::EventLoop& loop) : login(loop) {}

    std::uint64_t id = 0;
    ConnectionGate::Ticket ticket;
    std::shared_ptr<CSocket> socket;
    std::string buffer;
    std::string distributor, user, password;
    bool accepted = false;
    bool closing = false;
    bool sentSincePing = false;
    bool dropped = false;             // its removal is on its way
    platform::TimerKey deadline = 0;  // login time-out, then the wait for the client to go
    PendingLogin login;               // the login line waiting for its turn
};

AuthServer::AuthServer(platform::EventLoop& loop, platform::Resolver& resolver,
                       const Subscribers& subscribers, LoginThrottle& throttle, Settings settings)
    : loop_(loop),
      resolver_(resolver),
      subscribers_(subscribers),
      throttle_(throttle),
      settings_(std::move(settings)),
      gate_(settings_.limits) {}

AuthServer::~AuthServer() {
    if (pingTimer_ != 0) loop_.killTimer(pingTimer_);
    for (auto& [id, session] : sessions_) {
        loop_.killTimer(session->deadline);
        closeQuietly(session->socket);
    }
    if (listener_) listener_->CloseSocket();
}

void AuthServer::start() {
    listener_ = CSocket::create(loop_, resolver_);
    listener_->Bind(settings_.port, settings_.host);
    // Many clients may arrive at the same moment: a short queue drops them for seconds.
    listener_->Listen(SOMAXCONN);
    listener_->OnConnectionRequest.connect(
        weak_.bind([](AuthServer& self, std::int32_t id) { self.accept(id); }));
    pingTimer_ = loop_.newTimerKey();
    loop_.setTimer(pingTimer_, settings_.pingMs, [this] { ping(); });
}

std::int32_t AuthServer::port() const {
    return listener_ ? listener_->LocalPort() : 0;
}

void AuthServer::accept(std::int32_t requestId) {
    auto session = std::make_unique<Session>(loop_);
    session->id = nextId_++;
    session->socket = CSocket::create(loop_, resolver_);
    try {
        session->socket->Accept(requestId);
    } catch (const Error&) {
        return;
    }
    // There is no reply for "too many": the client notices the closed connection.
    std::optional<ConnectionGate::Ticket> ticket = gate_.admit(session->socket->RemoteHostIP());
    if (!ticket) return turnAway(*session->socket, "");
    session->ticket = std::move(*ticket);
    Session& s = *session;
    std::uint64_t id = s.id;
    s.socket->OnDataArrival.connect(
        weak_.bind([&s](AuthServer& self, std::int32_t) { self.received(s); }));
    s.socket->OnClose.connect(weak_.bind([id](AuthServer& self) { self.drop(id); }));
    s.socket->connectOnError(weak_.bind([id](AuthServer& self) { self.drop(id); }));
    s.deadline = loop_.newTimerKey();
    if (settings_.loginTimeoutMs > 0) {
        loop_.setTimer(s.deadline, settings_.loginTimeoutMs, [this, &s] {
            // First the login that never came is refused; a client still holding the
            // connection one period after a refusal is cut off.
            if (!s.closing) return fail(s, "ERR_INCOMPLETEINFO");
            closeQuietly(s.socket);
            closeQuietly(s.socket);  // the second close drops a half-closed connection
            drop(s.id);
        });
    }
    sessions_.emplace(id, std::move(session));
}

void AuthServer::received(Session& session) {
    std::string chunk;
    session.socket->GetData(chunk);
    if (session.closing) return;
    session.buffer += chunk;
    std::string line;
    for (;;) {
        if (session.login.waiting()) {
            // Nothing more is due before the verdict; what comes is kept, within bounds.
            if (session.buffer.size() > kMaxLineLength) fail(session, "ERR_INCOMPLETEINFO");
            return;
        }
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
        std::uint64_t id = session.id;
        return session.login.start(throttle_, session.socket->RemoteHostIP(),
                                   [this, id, login = std::move(*login)] {
                                       auto found = sessions_.find(id);
                                       if (found != sessions_.end()) judge(*found->second, login);
                                   });
    }
    if (line == "MOVIELIST") {
        session.sentSincePing = true;
        return send(session, movieList(session.user, session.password));
    }
    fail(session, "ERR_INVALIDID");
}

void AuthServer::judge(Session& session, const LoginLine& login) {
    if (session.closing) return;
    const char* refusal = nullptr;
    switch (subscribers_.check(login.distributor, login.user, login.password)) {
        case Subscribers::Check::UnknownUser:
            refusal = "ERR_INVALID_USER_OR_CONTENT_DISTRIBUTOR";
            break;
        case Subscribers::Check::WrongPassword:
            refusal = "ERR_INVALID_PASS";
            break;
        case Subscribers::Check::Accepted:
            break;
    }
    if (refusal) {
        throttle_.failed(session.socket->RemoteHostIP(), loop_.clock().nowMs());
        return fail(session, refusal);
    }
    if (settings_.refuseMultiLogin && hasSessionOf(login.distributor, login.user)) {
        return fail(session, "ERR_MULTI_LOGIN");
    }
    loop_.killTimer(session.deadline);
    session.accepted = true;
    session.distributor = login.distributor;
    session.user = login.user;
    session.password = login.password;
    session.sentSincePing = true;
    send(session, "RPL_ACCEPTED");
    // A client that did not wait for the verdict has its next line waiting already.
    if (!session.buffer.empty() && !session.closing) received(session);
}

bool AuthServer::hasSessionOf(const std::string& distributor, const std::string& user) const {
    for (const auto& [id, session] : sessions_) {
        if (session->accepted && !session->closing && session->distributor == distributor &&
            session->user == user) {
            return true;
        }
    }
    return false;
}

// A client that vanished makes the send fail: that ends its session, never the service.
void AuthServer::send(Session& session, const std::string& text) {
    try {
        session.socket->SendData(text);
    } catch (const Error&) {
        drop(session.id);
    }
}

// The reply is the last thing said: the connection closes behind it.
void AuthServer::fail(Session& session, const char* keyword) {
    session.closing = true;
    session.login.cancel();
    session.buffer.clear();
    send(session, keyword);
    closeQuietly(session.socket);
    if (settings_.loginTimeoutMs > 0 && !session.dropped) {
        loop_.setTimer(session.deadline, settings_.loginTimeoutMs, [this, &session] {
            closeQuietly(session.socket);
            closeQuietly(session.socket);
            drop(session.id);
        });
    }
}

void AuthServer::drop(std::uint64_t id) {
    auto found = sessions_.find(id);
    if (found == sessions_.end()) return;
    found->second->closing = true;  // no longer counts as logged in
    found->second->dropped = true;
    found->second->login.cancel();
    loop_.killTimer(found->second->deadline);
    // The socket raised the event we are in; let it return before the socket goes.
    loop_.post(weak_.bind([id](AuthServer& self) {
        auto found = self.sessions_.find(id);
        if (found == self.sessions_.end()) return;
        self.loop_.killTimer(found->second->deadline);
        closeQuietly(found->second->socket);
        self.sessions_.erase(found);
    }));
}

// A ping right behind another reply could share its segment and spoil it, so a session
// that was just spoken to skips one ping. Nobody is pinged before the login is accepted:
// a ping just ahead of "RPL_ACCEPTED" could merge with it in the client's read.
void AuthServer::ping() {
    for (auto& [id, session] : sessions_) {
        if (!session->accepted || session->closing ||
            session->socket->State() != runtime::sckConnected) {
            continue;
        }
        if (session->sentSincePing) {
            session->sentSincePing = false;
            continue;
        }
        send(*session, "CM_PING");
    }
}

std::string AuthServer::movieList(const std::string& user, const std::string& password) const {
    auto attribute = [](const char* name, const std::string& value) {
        return std::string(" ") + name + "=\"" + value + "\"";
    };
    auto either = [](const std::string& chosen, const std::string& otherwise) {
        return chosen.empty() ? otherwise : chosen;
    };
    return "<movieList" + attribute("location", either(settings_.deliveryHost, settings_.host)) +
           attribute("username", either(settings_.deliveryUser, user)) +
           attribute("password", either(settings_.deliveryPassword, password)) +
           attribute("cdnport", std::to_string(settings_.deliveryPort)) +
           attribute("epgGuide", settings_.guideUrl) + attribute("AdsUrl", settings_.bannerUrl) +
           "></movieList>";
}

}  // namespace zov::service
