// Callbacks bound through a WeakFactory reach a live owner and do nothing once it is gone or
// its work was cancelled. (That a shared-owned owner outlives its running callback, the
// socket and timer tests show.)

#include "platform/weak_factory.hpp"

#include <gtest/gtest.h>

#include <memory>

namespace zov::platform {
namespace {

struct Plain {
    int calls = 0;
    WeakFactory<Plain> weak{this};
};

TEST(WeakFactory, ACallbackReachesItsOwnerUntilItIsGoneOrItsWorkIsCancelled) {
    auto owner = std::make_unique<Plain>();
    auto add = owner->weak.bind([](Plain& self, int n) { self.calls += n; });
    auto answer = owner->weak.bind([](Plain& self) { return self.calls + 1; });
    auto valid = owner->weak.validity();
    add(2);
    EXPECT_EQ(answer(), 3);

    owner->weak.invalidate();
    add(5);
    EXPECT_EQ(owner->calls, 2);
    EXPECT_EQ(answer(), 0);  // the value's default
    EXPECT_FALSE(valid());
    auto later = owner->weak.bind([](Plain& self) { self.calls = 10; });
    auto validLater = owner->weak.validity();
    later();
    EXPECT_EQ(owner->calls, 10);

    owner.reset();
    EXPECT_FALSE(validLater());
    later();  // nothing, and nothing touched
}

}  // namespace
}  // namespace zov::platform
