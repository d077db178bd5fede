#include "runtime/dispatchable.hpp"

#include "platform/error.hpp"

namespace zov::runtime {

void Dispatchable::invokeMethod(std::string_view name) {
    auto it = methods_.find(name);
    if (it == methods_.end()) {
        throw Error(438, "Object doesn't support this property or method",
                    "Dispatchable." + std::string(name));
    }
    auto method = it->second;  // the method may change the table while it runs
    method();
}

void Dispatchable::exposeMethod(std::string name, std::function<void()> method) {
    methods_[std::move(name)] = std::move(method);
}

}  // namespace zov::runtime
