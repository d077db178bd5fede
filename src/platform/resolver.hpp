#pragma once
// Asynchronous host-name lookup, answered on the event loop. A dotted address needs no
// lookup; callers pass only names.

#include <cstdint>
#include <functional>
#include <string>

namespace zov::platform {

struct LookupResult {
    int error = 0;        // 0, or the Windows Sockets code (11001 host not found, ...)
    std::string address;  // first IPv4 address, dotted
    std::string officialName;
};

class Resolver {
  public:
    using LookupId = std::uint32_t;
    using Callback = std::function<void(const LookupResult&)>;

    virtual ~Resolver() = default;
    // Starts a lookup; the callback runs later on the loop, never inside this call.
    // Returns a non-zero id.
    virtual LookupId lookup(const std::string& host, Callback callback) = 0;
    // The callback of a cancelled lookup never runs.
    virtual void cancel(LookupId id) = 0;
};

}  // namespace zov::platform
