#pragma once
// Process-wide support of the socket objects: the largest datagram, the connections a
// listening socket has taken in but nobody has adopted yet, and the one way socket
// failures are raised.

#include <cstdint>
#include <string>

namespace zov::runtime::MSocketSupport {

// The largest UDP payload over IPv4: what one datagram receive may bring.
inline constexpr std::int32_t kLargestDatagram = 65507;

// A connection taken in by a listening socket, waiting for CSocket::Accept.
void holdConnectionRequest(int handle);
// True (and forgotten) when the handle was waiting to be adopted.
bool takeConnectionRequest(int handle);

// Throws zov::Error with the socket error code, its text and the source.
[[noreturn]] void raiseSocketError(int code, const std::string& source);

}  // namespace zov::runtime::MSocketSupport
