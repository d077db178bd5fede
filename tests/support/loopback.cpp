#include "support/loopback.hpp"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <random>
#include <system_error>

namespace zov::test {

namespace {

// Binds `fd` to a free port of 127.0.0.1 and returns the port; 0 when that fails.
std::uint16_t bindToLoopback(int fd) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return 0;
    return ntohs(address.sin_port);
}

}  // namespace

int listenOnLoopback(std::uint16_t& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd >= 0 && (port = bindToLoopback(fd)) != 0 && ::listen(fd, 8) == 0) return fd;
    const int saved = errno;
    if (fd >= 0) ::close(fd);
    throw std::system_error(saved, std::generic_category(), "listen on 127.0.0.1");
}

ClosedLoopbackPort::ClosedLoopbackPort()
    : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)), port_(bindToLoopback(fd_)) {
    if (port_ == 0) throw std::system_error(errno, std::generic_category(), "bind 127.0.0.1");
}

ClosedLoopbackPort::~ClosedLoopbackPort() {
    ::close(fd_);
}

std::string movieBytes(std::size_t size, std::uint64_t seed) {
    std::mt19937_64 generator(seed);
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; i += 8) {
        const std::uint64_t word = generator();
        std::memcpy(&bytes[i], &word, std::min<std::size_t>(8, size - i));
    }
    return bytes;
}

}  // namespace zov::test
