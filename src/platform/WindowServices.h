#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace corvina {

// A window of another program: an opaque platform value (HWND on Windows, the X window id on X11).
// Zero means no window.
using WindowHandle = std::uintptr_t;
constexpr WindowHandle NoWindow = 0;

// The mouse messages the automation sends, with their Windows values.
namespace MouseMessage {
constexpr unsigned LeftButtonDown = 0x0201;       // WM_LBUTTONDOWN
constexpr unsigned LeftButtonUp = 0x0202;         // WM_LBUTTONUP
constexpr std::uintptr_t LeftButtonFlag = 0x0001; // MK_LBUTTON, the wParam of both
} // namespace MouseMessage

// A client point packed as a mouse message's lParam: x in the low word, y in the high word.
constexpr std::intptr_t pointParam(int x, int y)
{
    return static_cast<std::intptr_t>((static_cast<std::uint32_t>(y & 0xFFFF) << 16) |
                                      static_cast<std::uint32_t>(x & 0xFFFF));
}
constexpr int pointParamX(std::intptr_t lParam)
{
    return static_cast<std::int16_t>(lParam & 0xFFFF);
}
constexpr int pointParamY(std::intptr_t lParam)
{
    return static_cast<std::int16_t>((lParam >> 16) & 0xFFFF);
}

// What the issuing automation needs from the desktop to find and press another program's windows.
// Texts (titles, captions, classes) are UTF-8 and compared as whole texts. An implementation is
// used by one thread at a time.
class WindowServices {
public:
    virtual ~WindowServices() = default;

    // False when there is no window system to reach (no display): then nothing is ever found.
    virtual bool isAvailable() const = 0;

    // A top-level window with exactly this title and, when given, this class; NoWindow if none.
    virtual WindowHandle findTopLevel(const std::optional<std::string>& windowClass, const std::string& title) = 0;
    // The first direct child of parent with this class and, when given, this caption; NoWindow if
    // none. Grandchildren are not searched.
    virtual WindowHandle findChild(WindowHandle parent, const std::string& windowClass,
                                   const std::optional<std::string>& caption) = 0;
    // True while the window and its ancestors are shown.
    virtual bool isVisible(WindowHandle window) = 0;
    // True while the window accepts input.
    virtual bool isEnabled(WindowHandle window) = 0;
    // Queues a mouse message for the window and returns at once; false if it could not be queued.
    virtual bool postMouseMessage(WindowHandle window, unsigned message, std::uintptr_t wParam,
                                  std::intptr_t lParam) = 0;
    // Delivers a mouse message and returns once the window's program has handled it; while the
    // press keeps a modal window of that program open (an error box), it returns only once that
    // window is closed. False if the window is gone.
    virtual bool sendMouseMessage(WindowHandle window, unsigned message, std::uintptr_t wParam,
                                  std::intptr_t lParam) = 0;
    // Blocks the calling thread.
    virtual void sleep(int milliseconds) = 0;
};

} // namespace corvina
