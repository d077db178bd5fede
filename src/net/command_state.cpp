#include "net/command_state.hpp"

namespace zov::net {

std::string_view commandStateName(CommandState state) {
    switch (state) {
        case CommandState::None:
            return "";
        case CommandState::Connecting:
            return "CONNECTING";
        case CommandState::User:
            return "USER";
        case CommandState::Pass:
            return "PASS";
        case CommandState::Type:
            return "TYPE";
        case CommandState::Size:
            return "SIZE";
        case CommandState::Pasv:
            return "PASV";
        case CommandState::Rest:
            return "REST";
        case CommandState::Retr:
            return "RETR";
    }
    return "";
}

}  // namespace zov::net
