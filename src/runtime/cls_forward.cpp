#include "runtime/cls_forward.hpp"

#include "runtime/dispatchable.hpp"

namespace zov::runtime {

void clsForward::Set_Destination(const std::shared_ptr<Dispatchable>& oInObject,
                                 std::string sInMethod) {
    destination_ = oInObject;
    method_ = std::move(sInMethod);
    armed_ = true;
}

bool clsForward::My_Default_Method() {
    if (!armed_) return false;
    // A window that has closed meanwhile takes no calls.
    if (auto destination = destination_.lock()) destination->invokeMethod(method_);
    return false;
}

}  // namespace zov::runtime
