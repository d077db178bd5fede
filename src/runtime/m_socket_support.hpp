#pragma once
// Process-wide support of the socket objects: the largest datagram, the connections a
// listening socket has taken in but nobody has adopted yet, and the one way socket
// failures are raised.

#include <cstdint>
#include <string>

namespace zov::runtime::MSocketSupport {

// The largest UDP payload over IPv4.
std::int32_t InitWinsockService();

// A connection taken in by a listening socket, waiting for CSocket::Accept.
void AddConnectionRequest(int handle);
// True (and forgotten) when the handle was waiting to be adopted.
bool TakeConnectionRequest(int handle);

// Throws zov::Error with the Windows Sockets code, its text and the source.
[[noreturn]] void RaiseSocketError(int code, const std::string& source);

}  // namespace zov::runtime::MSocketSupport
