#include "runtime/cls_forward.hpp"

#include <gtest/gtest.h>

#include "platform/error.hpp"
#include "runtime/dispatchable.hpp"

using namespace zov;

namespace {

struct Window : runtime::Dispatchable {
    Window() {
        exposeMethod("failing", [] { throw Error(5, "Invalid procedure call or argument", "w"); });
    }
};

}  // namespace

// Guide clicks reaching their window, the guide tests show; here what they never meet.
TEST(ClsForward, UnknownNamesAndFailingMethodsReachTheCallerAndAClosedWindowTakesNoCalls) {
    runtime::clsForward forward;
    EXPECT_FALSE(forward.My_Default_Method());  // not armed yet
    auto window = std::make_shared<Window>();
    forward.Set_Destination(window, "noSuchMethod");
    try {
        forward.My_Default_Method();
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), 438);
    }
    forward.Set_Destination(window, "failing");  // re-targeting: the last call wins
    EXPECT_THROW(forward.My_Default_Method(), Error);
    window.reset();
    EXPECT_FALSE(forward.My_Default_Method());
}
