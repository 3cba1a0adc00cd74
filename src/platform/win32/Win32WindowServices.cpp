#include "platform/win32/Win32WindowServices.h"

#include <windows.h>

namespace corvina {

namespace {

// The wide-character functions compare titles and classes exactly whatever the system's ANSI code
// page, so a Chinese caption is found on a Windows set up for another language too.
std::wstring toWide(const std::string& utf8)
{
    if (utf8.empty())
        return {};
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), wide.data(), length);
    return wide;
}

HWND toWindow(WindowHandle handle)
{
    return reinterpret_cast<HWND>(handle);
}

WindowHandle toHandle(HWND window)
{
    return reinterpret_cast<WindowHandle>(window);
}

} // namespace

WindowHandle Win32WindowServices::findTopLevel(const std::optional<std::string>& windowClass, const std::string& title)
{
    const std::wstring wideClass = windowClass ? toWide(*windowClass) : std::wstring();
    const std::wstring wideTitle = toWide(title);
    return toHandle(FindWindowW(windowClass ? wideClass.c_str() : nullptr, wideTitle.c_str()));
}

WindowHandle Win32WindowServices::findChild(WindowHandle parent, const std::string& windowClass,
                                            const std::optional<std::string>& caption)
{
    // A null parent would search the desktop's children; only a real parent is searched.
    if (parent == NoWindow)
        return NoWindow;
    const std::wstring wideClass = toWide(windowClass);
    const std::wstring wideCaption = caption ? toWide(*caption) : std::wstring();
    return toHandle(
        FindWindowExW(toWindow(parent), nullptr, wideClass.c_str(), caption ? wideCaption.c_str() : nullptr));
}

bool Win32WindowServices::isVisible(WindowHandle window)
{
    return window != NoWindow && IsWindowVisible(toWindow(window)) != 0;
}

bool Win32WindowServices::isEnabled(WindowHandle window)
{
    return window != NoWindow && IsWindowEnabled(toWindow(window)) != 0;
}

bool Win32WindowServices::postMouseMessage(WindowHandle window, unsigned message, std::uintptr_t wParam,
                                           std::intptr_t lParam)
{
    // A null window would post to this thread's own queue.
    if (window == NoWindow)
        return false;
    return PostMessageW(toWindow(window), message, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam)) != 0;
}

bool Win32WindowServices::sendMouseMessage(WindowHandle window, unsigned message, std::uintptr_t wParam,
                                           std::intptr_t lParam)
{
    if (window == NoWindow || !IsWindow(toWindow(window)))
        return false;
    // Waits while the target handles the press, modal boxes included (their loop keeps the target
    // answering), but not on a target that has stopped answering altogether.
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(toWindow(window), message, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam),
                               SMTO_NORMAL | SMTO_ABORTIFHUNG, SendLimit, &result) != 0;
}

void Win32WindowServices::sleep(int milliseconds)
{
    Sleep(static_cast<DWORD>(milliseconds < 0 ? 0 : milliseconds));
}

} // namespace corvina
