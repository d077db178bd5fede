#pragma once
// The download engine's command states: the last command sent on the control connection,
// which selects the handler of the next reply.

#include <string_view>

namespace zov::net {

enum class CommandState { None, Connecting, User, Pass, Type, Size, Pasv, Rest, Retr };

// The protocol's own word for it ("CONNECTING", "USER", ... "RETR"; "" for None).
std::string_view commandStateName(CommandState state);

}  // namespace zov::net
