#include "delivery_server.hpp"

#include "ftp_session.hpp"
#include "runtime/c_socket.hpp"

namespace zov::service {

DeliveryServer::DeliveryServer(platform::EventLoop& loop, platform::Resolver& resolver,
                               const Subscribers& subscribers, std::filesystem::path movies,
                               std::string host, std::int32_t port)
    : loop_(loop),
      resolver_(resolver),
      subscribers_(subscribers),
      movies_(std::move(movies)),
      host_(std::move(host)),
      port_(port) {}

DeliveryServer::~DeliveryServer() {
    sessions_.clear();
    if (listener_) listener_->CloseSocket();
}

void DeliveryServer::start() {
    listener_ = runtime::CSocket::create(loop_, resolver_);
    listener_->Bind(port_, host_);
    listener_->Listen();
    listener_->OnConnectionRequest.connect([this](std::int32_t id) { accept(id); });
}

std::int32_t DeliveryServer::port() const {
    return listener_ ? listener_->LocalPort() : 0;
}

void DeliveryServer::accept(std::int32_t requestId) {
    std::uint64_t id = nextId_++;
    auto session = std::make_unique<FtpSession>(loop_, resolver_, subscribers_, movies_, host_,
                                                [this, id] { sessions_.erase(id); });
    FtpSession& added = *session;
    sessions_.emplace(id, std::move(session));
    added.accept(requestId);
}

}  // namespace zov::service
