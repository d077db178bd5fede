#include "runtime/cls_forward.hpp"

#include <gtest/gtest.h>

#include "platform/error.hpp"
#include "runtime/dispatchable.hpp"

using namespace zov;

namespace {

struct Window : runtime::Dispatchable {
    int clicks = 0;
    Window() {
        exposeMethod("processEPGControlClick", [this] { ++clicks; });
        exposeMethod("failing", [] { throw Error(5, "Invalid procedure call or argument", "w"); });
    }
};

}  // namespace

TEST(ClsForward, EachCallFromAnyWiredElementCallsTheMethodOnceAndReturnsFalse) {
    auto window = std::make_shared<Window>();
    runtime::clsForward forward;
    forward.Set_Destination(window, "processEPGControlClick");
    auto& firstElementHandler = forward;
    auto& secondElementHandler = forward;
    EXPECT_FALSE(firstElementHandler.My_Default_Method());
    EXPECT_FALSE(secondElementHandler.My_Default_Method());
    EXPECT_EQ(window->clicks, 2);
}

TEST(ClsForward, UnknownNamesAndFailingMethodsReachTheCaller) {
    auto window = std::make_shared<Window>();
    runtime::clsForward forward;
    forward.Set_Destination(window, "noSuchMethod");
    try {
        forward.My_Default_Method();
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), 438);
    }
    forward.Set_Destination(window, "failing");  // re-targeting: the last call wins
    EXPECT_THROW(forward.My_Default_Method(), Error);
}

TEST(ClsForward, AnUnarmedForwarderOrAClosedWindowTakesNoCalls) {
    runtime::clsForward forward;
    EXPECT_FALSE(forward.My_Default_Method());
    auto window = std::make_shared<Window>();
    forward.Set_Destination(window, "processEPGControlClick");
    window.reset();
    EXPECT_FALSE(forward.My_Default_Method());
}
