#pragma once
// Callbacks that may outlive the object they call: a timer's tick, a posted task, a socket
// event, a page's reply. The object keeps a WeakFactory as its last member (so it goes
// first, before any member a callback could touch) and hands out callbacks made by bind():
// once the object is gone, or its pending work was cancelled with invalidate(), they do
// nothing (a callback that returns a value then returns the value's default).
//
// An object owned by a shared_ptr is also kept alive while one of its callbacks runs, so a
// callback may drop the last outside reference to it safely.
//
//     class Engine : public std::enable_shared_from_this<Engine> {
//         ...
//         timer.TimeOut.connect(weak_.bind([](Engine& self) { self.onTick(); }));
//         ...
//         platform::WeakFactory<Engine> weak_{this};  // last
//     };

#include <functional>
#include <memory>
#include <type_traits>
#include <utility>

namespace zov::platform {

template <class T>
class WeakFactory {
  public:
    explicit WeakFactory(T* owner) : owner_(owner), token_(std::make_shared<char>()) {}
    WeakFactory(const WeakFactory&) = delete;
    WeakFactory& operator=(const WeakFactory&) = delete;

    // A callable that runs fn(owner, arguments...) while the owner lives and its work has
    // not been cancelled since the callable was made.
    template <class F>
    auto bind(F fn) const {
        return [owner = owner_, token = std::weak_ptr<char>(token_),
                fn = std::move(fn)](auto&&... args) {
            using Result = std::invoke_result_t<F&, T&, decltype(args)...>;
            if (token.expired()) {
                if constexpr (!std::is_void_v<Result>)
                    return Result{};
                else
                    return;
            }
            // The token lives as long as the owner: the owner is there. Held for the call
            // when a shared_ptr owns it.
            const auto held = keepAlive(owner);
            return std::invoke(fn, *owner, std::forward<decltype(args)>(args)...);
        };
    }

    // A callable that answers whether the owner lives and its work has not been cancelled
    // since the callable was made: for a caller that raises an event whose handler may
    // release the owner or start its work over.
    auto validity() const {
        return [token = std::weak_ptr<char>(token_)] { return !token.expired(); };
    }

    // Every callable made so far does nothing from now on; those made later work.
    void invalidate() { token_ = std::make_shared<char>(); }

  private:
    // A reference that keeps a shared-owned owner alive; empty for any other owner.
    static std::shared_ptr<const void> keepAlive(T* owner) {
        if constexpr (requires { owner->weak_from_this(); })
            return owner->weak_from_this().lock();
        else
            return nullptr;
    }

    T* owner_;
    std::shared_ptr<char> token_;
};

}  // namespace zov::platform
