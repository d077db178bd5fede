#pragma once
// Host-name lookup through c-ares, driven by the event loop: c-ares tells which of its
// sockets to watch, the loop tells c-ares when they are ready or its time-out is due.

#include <memory>
#include <string>
#include <unordered_map>

#include "platform/resolver.hpp"

namespace zov::platform {

class EventLoop;

class CaresResolver final : public Resolver {
  public:
    struct Options {
        // Where names are looked for, in c-ares notation: "fb" = hosts file, then DNS.
        // Tests use "f" so that no query ever leaves the machine.
        std::string lookups = "fb";
    };

    explicit CaresResolver(EventLoop& loop);
    CaresResolver(EventLoop& loop, Options options);
    ~CaresResolver() override;
    CaresResolver(const CaresResolver&) = delete;
    CaresResolver& operator=(const CaresResolver&) = delete;

    LookupId lookup(const std::string& host, Callback callback) override;
    void cancel(LookupId id) override;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace zov::platform
