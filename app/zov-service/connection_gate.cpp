#include "connection_gate.hpp"

#include <utility>

#include "platform/error.hpp"
#include "runtime/c_socket.hpp"
#include "runtime/ignoring_errors.hpp"

namespace zov::service {

ConnectionGate::Ticket::Ticket(ConnectionGate* gate, std::string address)
    : gate_(gate), address_(std::move(address)) {}

ConnectionGate::Ticket::Ticket(Ticket&& other) noexcept
    : gate_(std::exchange(other.gate_, nullptr)), address_(std::move(other.address_)) {}

ConnectionGate::Ticket& ConnectionGate::Ticket::operator=(Ticket&& other) noexcept {
    if (this != &other) {
        release();
        gate_ = std::exchange(other.gate_, nullptr);
        address_ = std::move(other.address_);
    }
    return *this;
}

ConnectionGate::Ticket::~Ticket() {
    release();
}

void ConnectionGate::Ticket::release() {
    if (gate_) std::exchange(gate_, nullptr)->release(address_);
}

std::optional<ConnectionGate::Ticket> ConnectionGate::admit(const std::string& address) {
    if (limits_.perServer > 0 && total_ >= limits_.perServer) return std::nullopt;
    std::size_t& fromAddress = perAddress_[address];
    if (limits_.perAddress > 0 && fromAddress >= limits_.perAddress) return std::nullopt;
    ++fromAddress;
    ++total_;
    return Ticket(this, address);
}

void ConnectionGate::release(const std::string& address) {
    --total_;
    auto found = perAddress_.find(address);
    if (found != perAddress_.end() && --found->second == 0) perAddress_.erase(found);
}

void turnAway(runtime::CSocket& socket, const std::string& farewell) {
    // A client already gone needs no farewell.
    runtime::ignoringErrors([&] {
        if (!farewell.empty()) socket.SendData(farewell);
        socket.CloseSocket();  // the farewell goes out, then our side closes
        socket.CloseSocket();  // and the connection is dropped without waiting for theirs
    });
}

void closeQuietly(const std::shared_ptr<runtime::CSocket>& socket) {
    if (socket) runtime::ignoringErrors([&] { socket->CloseSocket(); });
}

}  // namespace zov::service
