#pragma once
// Handlers that talk to the page, the skin, the player or files ignore their own failures
// and keep what they had. They say so by running the work through ignoringErrors, the one
// place such an Error is swallowed; anything else that fails is still raised.

#include <utility>

#include "platform/error.hpp"

namespace zov::runtime {

// Runs `work`; an Error it raises ends the work and is dropped. Returns whether the work
// finished.
template <class Work>
bool ignoringErrors(Work&& work) {
    try {
        std::forward<Work>(work)();
        return true;
    } catch (const Error&) {
        return false;
    }
}

}  // namespace zov::runtime
