#pragma once
// How many connections one server holds, in all and from each client address. A
// connection over either limit is turned away at once, so that a crowd of idle
// connections from one address cannot use up the descriptors every server needs.

#include <cstddef>
#include <map>
#include <memory>
#include <optional>
#include <string>

namespace zov::runtime {
class CSocket;
}

namespace zov::service {

class ConnectionGate {
  public:
    struct Limits {
        std::size_t perServer = 0;   // 0 = no limit
        std::size_t perAddress = 0;  // 0 = no limit
    };

    // Counts one admitted connection for as long as it lives.
    class Ticket {
      public:
        Ticket() = default;
        Ticket(Ticket&& other) noexcept;
        Ticket& operator=(Ticket&& other) noexcept;
        Ticket(const Ticket&) = delete;
        Ticket& operator=(const Ticket&) = delete;
        ~Ticket();

      private:
        friend class ConnectionGate;
        Ticket(ConnectionGate* gate, std::string address);
        void release();

        ConnectionGate* gate_ = nullptr;
        std::string address_;
    };

    ConnectionGate() = default;
    explicit ConnectionGate(Limits limits) : limits_(limits) {}
    ConnectionGate(const ConnectionGate&) = delete;
    ConnectionGate& operator=(const ConnectionGate&) = delete;

    // A ticket when one more connection from `address` fits; nothing when it does not.
    // The gate must outlive its tickets.
    std::optional<Ticket> admit(const std::string& address);
    std::size_t count() const { return total_; }

  private:
    void release(const std::string& address);

    Limits limits_{};
    std::size_t total_ = 0;
    std::map<std::string, std::size_t> perAddress_;
};

// Says `farewell` (when not empty) and closes the adopted connection at once.
void turnAway(runtime::CSocket& socket, const std::string& farewell);

// Closes a connection (when there is one). A peer that reset it makes closing fail; it is
// gone either way.
void closeQuietly(const std::shared_ptr<runtime::CSocket>& socket);

}  // namespace zov::service
