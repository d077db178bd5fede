#pragma once
// Non-blocking POSIX socket calls, IPv4 only. Every call reports failure as a Windows
// Sockets code (0 = success); none of them blocks or raises SIGPIPE.

#include <cstddef>
#include <cstdint>
#include <string>

namespace zov::platform::socket_io {

enum class Kind { Stream, Datagram };
enum class Direction { Send, Both };

struct Address {
    std::string ip;  // dotted
    std::uint16_t port = 0;
};

struct IoResult {
    std::size_t bytes = 0;  // bytes moved; 0 with error 0 on a stream means the peer closed
    int error = 0;          // 10035 when the call would block
};

bool isDottedAddress(const std::string& text);

// A new non-blocking, close-on-exec socket, or -1 with the error set.
int createSocket(Kind kind, int& error);
int closeSocket(int fd);
int bindTo(int fd, const std::string& ip, std::uint16_t port);  // "" = any address
int listenOn(int fd, int backlog);
// A connection waiting on a listening socket, non-blocking; -1 with the error set.
int acceptFrom(int fd, int& error);
// Starts a connect; 10035 (would block) means it goes on in the background.
int connectTo(int fd, const std::string& ip, std::uint16_t port);
// The error a background connect ended with (SO_ERROR), as a Windows Sockets code.
int pendingError(int fd);
int shutdownSocket(int fd, Direction direction);
void setBroadcast(int fd, bool on);
void setReuseAddress(int fd);

IoResult sendSome(int fd, const void* data, std::size_t size);
IoResult receiveSome(int fd, void* data, std::size_t size);
IoResult sendTo(int fd, const void* data, std::size_t size, const Address& to);
IoResult receiveFrom(int fd, void* data, std::size_t size, Address& from);

bool localAddress(int fd, Address& out);
bool peerAddress(int fd, Address& out);
bool isDatagram(int fd);
int receiveBufferSize(int fd);
int sendBufferSize(int fd);

}  // namespace zov::platform::socket_io
