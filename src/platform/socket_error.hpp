#pragma once
// The socket layer reports failures with the Windows Sockets numbers and texts that the
// rest of the system (and its users) know: ECONNREFUSED is 10061 "Connection refused.".

#include <string>

namespace zov::platform {

inline constexpr int kWsaWouldBlock = 10035;
inline constexpr int kWsaInProgress = 10036;
inline constexpr int kWsaNotSocket = 10038;
inline constexpr int kWsaAddressNotAvailable = 10049;
inline constexpr int kWsaSystemCallFailure = 10107;
inline constexpr int kWsaHostNotFound = 11001;
inline constexpr int kWsaTryAgain = 11002;
inline constexpr int kWsaNoRecovery = 11003;
inline constexpr int kWsaNoData = 11004;

// The Windows Sockets code for an errno value (10107 for one without a counterpart).
int wsaErrorFromErrno(int errnum);

// The text of a Windows Sockets code; "Unknown error." for any code without one.
std::string wsaErrorText(int code);

}  // namespace zov::platform
