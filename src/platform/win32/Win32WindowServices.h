#pragma once

#include "issuing/WindowServices.h"

namespace corvina {

// Window services over the Windows user interface, called directly. Texts are turned from UTF-8
// into the system's ANSI code page for the "A" functions, and classes and titles compare whole.
class Win32WindowServices : public WindowServices {
public:
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
