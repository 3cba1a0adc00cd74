#pragma once

#include "platform/StopKey.h"
#include "platform/WindowServices.h"

namespace corvina {

// A build without a window system: no other program's window is ever found, so issuing stops at
// its readiness check, and F10 cannot be taken.
class NoWindowServices : public WindowServices {
public:
    bool isAvailable() const override { return false; }
    WindowHandle findTopLevel(const std::optional<std::string>&, const std::string&) override { return NoWindow; }
    WindowHandle findChild(WindowHandle, const std::string&, const std::optional<std::string>&) override
    {
        return NoWindow;
    }
    bool isVisible(WindowHandle) override { return false; }
    bool isEnabled(WindowHandle) override { return false; }
    bool postMouseMessage(WindowHandle, unsigned, std::uintptr_t, std::intptr_t) override { return false; }
    bool sendMouseMessage(WindowHandle, unsigned, std::uintptr_t, std::intptr_t) override { return false; }
    void sleep(int milliseconds) override;
};

class NoWindowSystemStopKey : public StopKey {
public:
    bool isAvailable() const override { return false; }
    bool registerKey(std::function<void()>) override { return false; }
    void release() override {}
};

} // namespace corvina
