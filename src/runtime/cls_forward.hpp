#pragma once
// Forwards a page element's event to a named method of a window: the page calls the
// forwarder, the forwarder calls the method by name.

#include <memory>
#include <string>

namespace zov::runtime {

class Dispatchable;

class clsForward {
  public:
    // Points the forwarder at a method; the last call wins. The destination is not owned.
    void Set_Destination(const std::shared_ptr<Dispatchable>& oInObject, std::string sInMethod);
    // The member the page invokes. Calls the method when armed; a failure of the method
    // (or an unknown name) reaches the caller. Always returns false.
    bool My_Default_Method();

  private:
    std::weak_ptr<Dispatchable> destination_;
    std::string method_;
    bool armed_ = false;
};

}  // namespace zov::runtime
