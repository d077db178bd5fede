#pragma once
// Loopback sockets and movie bytes that several kinds of tests share.

#include <cstddef>
#include <cstdint>
#include <string>

namespace zov::test {

// A non-blocking listening socket on 127.0.0.1; `port` is set to the port it got. Throws
// std::system_error when the system refuses.
int listenOnLoopback(std::uint16_t& port);

// A loopback port that refuses connections: bound for as long as this lives, so nobody else
// takes it, but never listening.
class ClosedLoopbackPort {
  public:
    ClosedLoopbackPort();
    ~ClosedLoopbackPort();
    ClosedLoopbackPort(const ClosedLoopbackPort&) = delete;
    ClosedLoopbackPort& operator=(const ClosedLoopbackPort&) = delete;
    std::uint16_t port() const { return port_; }

  private:
    int fd_ = -1;
    std::uint16_t port_ = 0;
};

// A movie of pseudo-random bytes, the same for the same seed: a block written at the wrong
// place, or a resume at the wrong offset, never matches by chance.
std::string movieBytes(std::size_t size, std::uint64_t seed = 0);

}  // namespace zov::test
