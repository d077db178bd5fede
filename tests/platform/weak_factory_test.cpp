// Callbacks bound through a WeakFactory: they reach a live owner, do nothing once it is gone
// or its work was cancelled, and keep a shared-owned owner alive while they run.

#include "platform/weak_factory.hpp"

#include <gtest/gtest.h>

#include <memory>

namespace zov::platform {
namespace {

struct Plain {
    int calls = 0;
    WeakFactory<Plain> weak{this};
};

struct Shared : std::enable_shared_from_this<Shared> {
    bool* destroyed = nullptr;
    ~Shared() {
        if (destroyed) *destroyed = true;
    }
    WeakFactory<Shared> weak{this};
};

TEST(WeakFactory, ACallbackReachesItsOwnerUntilItIsGoneOrItsWorkIsCancelled) {
    auto owner = std::make_unique<Plain>();
    auto add = owner->weak.bind([](Plain& self, int n) { self.calls += n; });
    auto answer = owner->weak.bind([](Plain& self) { return self.calls + 1; });
    add(2);
    EXPECT_EQ(owner->calls, 2);
    EXPECT_EQ(answer(), 3);

    owner->weak.invalidate();
    add(5);
    EXPECT_EQ(owner->calls, 2);
    EXPECT_EQ(answer(), 0);  // the value's default
    auto valid = owner->weak.validity();
    EXPECT_TRUE(valid());
    auto later = owner->weak.bind([](Plain& self) { self.calls = 10; });
    later();
    EXPECT_EQ(owner->calls, 10);

    owner->weak.invalidate();
    EXPECT_FALSE(valid());
    auto validLater = owner->weak.validity();
    owner.reset();
    EXPECT_FALSE(validLater());
    later();  // nothing, and nothing touched
    EXPECT_EQ(answer(), 0);
}

TEST(WeakFactory, ASharedOwnerLivesUntilItsCallbackReturns) {
    bool destroyed = false;
    auto owner = std::make_shared<Shared>();
    owner->destroyed = &destroyed;
    bool goneDuringTheCall = true;
    auto finish = owner->weak.bind([&](Shared&) {
        owner.reset();  // the last reference from outside goes
        goneDuringTheCall = destroyed;
    });
    finish();
    EXPECT_FALSE(goneDuringTheCall);
    EXPECT_TRUE(destroyed);
}

}  // namespace
}  // namespace zov::platform
