#pragma once

#include "platform/WindowServices.h"

namespace corvina {

// Window services over the Windows user interface, called directly through the wide-character
// functions; classes and titles compare whole.
class Win32WindowServices : public WindowServices {
public:
    // A send waits this long at most (milliseconds): an error box the clerk has not closed yet
    // holds it, a program that stopped answering does not.
    static constexpr unsigned SendLimit = 30 * 60 * 1000;

    bool isAvailable() const override { return true; }
    WindowHandle findTopLevel(const std::optional<std::string>& windowClass, const std::string& title) override;
    WindowHandle findChild(WindowHandle parent, const std::string& windowClass,
                           const std::optional<std::string>& caption) override;
    bool isVisible(WindowHandle window) override;
    bool isEnabled(WindowHandle window) override;
    bool postMouseMessage(WindowHandle window, unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override;
    bool sendMouseMessage(WindowHandle window, unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override;
    void sleep(int milliseconds) override;
};

} // namespace corvina
