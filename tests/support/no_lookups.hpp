#pragma once
// A resolver for tests that connect only to dotted addresses, which need no lookup: it
// never answers, so nothing ever leaves the machine.

#include "platform/resolver.hpp"

namespace zov::test {

class NoLookups final : public platform::Resolver {
  public:
    LookupId lookup(const std::string&, Callback) override { return ++last_; }
    void cancel(LookupId) override {}

  private:
    LookupId last_ = 0;
};

}  // namespace zov::test
