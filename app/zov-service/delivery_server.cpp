#include "delivery_server.hpp"

#include <sys/socket.h>

#include "platform/error.hpp"
#include "runtime/c_socket.hpp"

namespace zov::service {

DeliveryServer::DeliveryServer(platform::EventLoop& loop, platform::Resolver& resolver,
                               const Subscribers& subscribers, LoginThrottle& throttle,
                               MovieFolder movies, Settings settings)
    : loop_(loop),
      resolver_(resolver),
      subscribers_(subscribers),
      throttle_(throttle),
      movies_(std::move(movies)),
      settings_(std::move(settings)),
      gate_(settings_.connections) {}

DeliveryServer::DeliveryServer(platform::EventLoop& loop, platform::Resolver& resolver,
                               const Subscribers& subscribers, LoginThrottle& throttle,
                               MovieFolder movies)
    : DeliveryServer(loop, resolver, subscribers, throttle, std::move(movies), Settings{}) {}

DeliveryServer::~DeliveryServer() {
    sessions_.clear();
    if (listener_) listener_->CloseSocket();
}

void DeliveryServer::start() {
    listener_ = runtime::CSocket::create(loop_, resolver_);
    listener_->Bind(settings_.port, settings_.host);
    // Many clients may arrive at the same moment: a short queue drops them for seconds.
    listener_->Listen(SOMAXCONN);
    listener_->OnConnectionRequest.connect(
        weak_.bind([](DeliveryServer& self, std::int32_t id) { self.accept(id); }));
}

std::int32_t DeliveryServer::port() const {
    return listener_ ? listener_->LocalPort() : 0;
}

void DeliveryServer::accept(std::int32_t requestId) {
    auto control = runtime::CSocket::create(loop_, resolver_);
    try {
        control->Accept(requestId);
    } catch (const Error&) {
        return;  // gone before it could be taken
    }
    std::optional<ConnectionGate::Ticket> ticket = gate_.admit(control->RemoteHostIP());
    if (!ticket) return turnAway(*control, "421 Too many connections; try again later.\r\n");
    std::uint64_t id = nextId_++;
    auto session = std::make_unique<FtpSession>(
        loop_, resolver_, subscribers_, throttle_, movies_, settings_.host, settings_.limits,
        weak_.bind([id](DeliveryServer& self) { self.sessions_.erase(id); }));
    FtpSession& added = *session;
    sessions_.emplace(id, Entry{std::move(*ticket), std::move(session)});
    added.start(std::move(control));
}

}  // namespace zov::service
