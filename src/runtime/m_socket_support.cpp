#include "runtime/m_socket_support.hpp"

#include <unordered_set>

#include "platform/error.hpp"
#include "platform/socket_error.hpp"

namespace zov::runtime::MSocketSupport {

namespace {
std::unordered_set<int>& connectionRequests() {
    static std::unordered_set<int> requests;
    return requests;
}
}  // namespace

void holdConnectionRequest(int handle) {
    connectionRequests().insert(handle);
}

bool takeConnectionRequest(int handle) {
    return connectionRequests().erase(handle) != 0;
}

void raiseSocketError(int code, const std::string& source) {
    throw Error(code, platform::wsaErrorText(code), source);
}

}  // namespace zov::runtime::MSocketSupport
