#include "net/download_codes.hpp"

namespace zov::net {

std::string_view describe(DownloadError error) {
    switch (error) {
        case DownloadError::ConnectionOrLogin:
            return "connection or login failed";
        case DownloadError::NotOnServer:
            return "the file is not on the server";
        case DownloadError::TransferFailed:
            return "the transfer failed";
        case DownloadError::ModeRefused:
            return "the server refused the transfer mode or resume point";
        case DownloadError::CancelUnfinished:
            return "an earlier download had not finished";
    }
    return "unknown";
}

}  // namespace zov::net
