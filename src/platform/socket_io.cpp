#include "platform/socket_io.hpp"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/socket_error.hpp"

namespace zov::platform::socket_io {

namespace {

int lastError() {
    return wsaErrorFromErrno(errno);
}

bool toSockaddr(const std::string& ip, std::uint16_t port, sockaddr_in& out) {
    std::memset(&out, 0, sizeof out);
    out.sin_family = AF_INET;
    out.sin_port = htons(port);
    if (ip.empty()) {
        out.sin_addr.s_addr = htonl(INADDR_ANY);
        return true;
    }
    return ::inet_pton(AF_INET, ip.c_str(), &out.sin_addr) == 1;
}

Address fromSockaddr(const sockaddr_in& in) {
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &in.sin_addr, text, sizeof text);
    return Address{text, ntohs(in.sin_port)};
}

IoResult result(ssize_t n) {
    if (n >= 0) return IoResult{static_cast<std::size_t>(n), 0};
    return IoResult{0, lastError()};
}

int intOption(int fd, int level, int name) {
    int value = 0;
    socklen_t length = sizeof value;
    if (::getsockopt(fd, level, name, &value, &length) != 0) return 0;
    return value;
}

}  // namespace

bool isDottedAddress(const std::string& text) {
    in_addr address;
    return ::inet_pton(AF_INET, text.c_str(), &address) == 1;
}

int createSocket(Kind kind, int& error) {
    int type = (kind == Kind::Stream ? SOCK_STREAM : SOCK_DGRAM) | SOCK_NONBLOCK | SOCK_CLOEXEC;
    int fd = ::socket(AF_INET, type, 0);
    error = fd < 0 ? lastError() : 0;
    return fd;
}

int closeSocket(int fd) {
    return ::close(fd) == 0 ? 0 : lastError();
}

int bindTo(int fd, const std::string& ip, std::uint16_t port) {
    sockaddr_in address;
    if (!toSockaddr(ip, port, address)) return kWsaAddressNotAvailable;
    return ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 ? 0 : lastError();
}

int listenOn(int fd, int backlog) {
    return ::listen(fd, backlog) == 0 ? 0 : lastError();
}

int acceptFrom(int fd, int& error) {
    int accepted = ::accept4(fd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    error = accepted < 0 ? lastError() : 0;
    return accepted;
}

int connectTo(int fd, const std::string& ip, std::uint16_t port) {
    sockaddr_in address;
    if (!toSockaddr(ip, port, address) || ip.empty()) return kWsaAddressNotAvailable;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) return 0;
    if (errno == EINPROGRESS) return kWsaWouldBlock;
    return lastError();
}

int pendingError(int fd) {
    int value = intOption(fd, SOL_SOCKET, SO_ERROR);
    return value == 0 ? 0 : wsaErrorFromErrno(value);
}

int shutdownSocket(int fd, Direction direction) {
    int how = direction == Direction::Send ? SHUT_WR : SHUT_RDWR;
    return ::shutdown(fd, how) == 0 ? 0 : lastError();
}

void setBroadcast(int fd, bool on) {
    int value = on ? 1 : 0;
    ::setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &value, sizeof value);
}

void setReuseAddress(int fd) {
    int value = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &value, sizeof value);
}

IoResult sendSome(int fd, const void* data, std::size_t size) {
    ssize_t n;
    do {
        n = ::send(fd, data, size, MSG_NOSIGNAL);
    } while (n < 0 && errno == EINTR);
    return result(n);
}

IoResult receiveSome(int fd, void* data, std::size_t size) {
    ssize_t n;
    do {
        n = ::recv(fd, data, size, 0);
    } while (n < 0 && errno == EINTR);
    return result(n);
}

IoResult sendTo(int fd, const void* data, std::size_t size, const Address& to) {
    sockaddr_in address;
    if (!toSockaddr(to.ip, to.port, address)) return IoResult{0, kWsaAddressNotAvailable};
    return result(::sendto(fd, data, size, MSG_NOSIGNAL, reinterpret_cast<sockaddr*>(&address),
                           sizeof address));
}

IoResult receiveFrom(int fd, void* data, std::size_t size, Address& from) {
    sockaddr_in address{};
    socklen_t length = sizeof address;
    ssize_t n = ::recvfrom(fd, data, size, 0, reinterpret_cast<sockaddr*>(&address), &length);
    if (n >= 0) from = fromSockaddr(address);
    return result(n);
}

bool localAddress(int fd, Address& out) {
    sockaddr_in address{};
    socklen_t length = sizeof address;
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) return false;
    out = fromSockaddr(address);
    return true;
}

bool peerAddress(int fd, Address& out) {
    sockaddr_in address{};
    socklen_t length = sizeof address;
    if (::getpeername(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) return false;
    out = fromSockaddr(address);
    return true;
}

bool isDatagram(int fd) {
    return intOption(fd, SOL_SOCKET, SO_TYPE) == SOCK_DGRAM;
}
int receiveBufferSize(int fd) {
    return intOption(fd, SOL_SOCKET, SO_RCVBUF);
}
int sendBufferSize(int fd) {
    return intOption(fd, SOL_SOCKET, SO_SNDBUF);
}

}  // namespace zov::platform::socket_io
