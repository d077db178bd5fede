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

std::int32_t InitWinsockService() {
    return 65507;
}

void AddConnectionRequest(int handle) {
    connectionRequests().insert(handle);
}

bool TakeConnectionRequest(int handle) {
    return connectionRequests().erase(handle) != 0;
}

void RaiseSocketError(int code, const std::string& source) {
    throw Error(code, platform::wsaErrorText(code), source);
}

}  // namespace zov::runtime::MSocketSupport
