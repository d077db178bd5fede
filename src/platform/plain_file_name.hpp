#pragma once
// The check for a name that arrives from outside (a guide page, a server reply) before it
// becomes part of a local path: it must name one file inside the folder it is put in.

#include <string_view>

namespace zov::platform {

// Non-empty, no "\" or "/", no ":" (a drive or a stream), not "." or "..", and no control
// characters.
bool isPlainFileName(std::string_view name);

}  // namespace zov::platform
