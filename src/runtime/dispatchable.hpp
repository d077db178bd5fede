#pragma once
// An object whose methods can be called by name, the way a page's script calls into a
// window: each exposes the methods it offers; an unknown name is an error to the caller.

#include <functional>
#include <map>
#include <string>
#include <string_view>

namespace zov::runtime {

class Dispatchable {
  public:
    virtual ~Dispatchable() = default;
    // Raises zov::Error 438 when no method of that name is exposed.
    void invokeMethod(std::string_view name);

  protected:
    void exposeMethod(std::string name, std::function<void()> method);

  private:
    std::map<std::string, std::function<void()>, std::less<>> methods_;
};

}  // namespace zov::runtime
