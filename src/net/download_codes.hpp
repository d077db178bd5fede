#pragma once
// The numbers the download engine reports, named: its status (what currentState returns)
// and the codes of its onError event. The engine's owner sees the numbers; the engine and
// everything that reads them use these names.

#include <cstdint>
#include <string_view>

namespace zov::net {

enum class DownloadStatus : std::int32_t {
    Idle = 0,
    Started = 1,       // connecting, logging in, negotiating
    Transferring = 2,  // the server accepted RETR
    Cancelling = 3,    // a cancel is closing the connections
};

enum class DownloadError : std::int32_t {
    ConnectionOrLogin = 0,  // no greeting, USER/PASS or PASV refused, lost before RETR
    NotOnServer = 1,        // SIZE refused, or a movie too large to keep
    TransferFailed = 2,     // RETR refused, the connection lost during the transfer, the disk
    ModeRefused = 3,        // TYPE or REST refused
    CancelUnfinished = 4,   // started while an earlier cancel had not finished
};

// A short text for people ("connection or login failed"), for every named value.
std::string_view describe(DownloadError error);

// Whether an onError code is one the engine raises.
constexpr bool isDownloadError(std::int32_t code) {
    return code >= 0 && code <= static_cast<std::int32_t>(DownloadError::CancelUnfinished);
}

}  // namespace zov::net
