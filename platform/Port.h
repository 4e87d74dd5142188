#pragma once

#include <functional>
#include <utility>

namespace orvan::platform {

// A replaceable handler for one kind of output the program cannot do headless
// itself (trace lines, assertion reports, message boxes, the busy cursor).
// Front ends install their own handler; tests swap one in for a scope.
template <typename Signature>
class Port {
public:
    using Handler = std::function<Signature>;

    explicit Port(Handler fallback) : handler_(std::move(fallback)) {}
    Port(const Port&) = delete;
    Port& operator=(const Port&) = delete;

    // Installs `handler` and returns the one it replaces.
    Handler Replace(Handler handler) {
        std::swap(handler_, handler);
        return handler;
    }

    template <typename... Args>
    decltype(auto) operator()(Args&&... args) const {
        return handler_(std::forward<Args>(args)...);
    }

    // Installs a handler for the lifetime of this object, then restores the previous one.
    class Override {
    public:
        Override(Port& port, Handler handler)
            : port_(port), previous_(port.Replace(std::move(handler))) {}
        ~Override() { port_.Replace(std::move(previous_)); }
        Override(const Override&) = delete;
        Override& operator=(const Override&) = delete;

    private:
        Port& port_;
        Handler previous_;
    };

private:
    Handler handler_;
};

}  // namespace orvan::platform
