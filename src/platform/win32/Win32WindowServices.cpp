#include "platform/win32/Win32WindowServices.h"

#include <windows.h>

namespace corvina {

namespace {

// UTF-8 to the ANSI code page the "A" functions expect (936 on a Chinese system).
std::string toAnsi(const std::string& utf8)
{
    if (utf8.empty())
        return {};
    const int wideLength = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(wideLength), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), wide.data(), wideLength);
    const int length = WideCharToMultiByte(CP_ACP, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
    std::string ansi(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), wideLength, ansi.data(), length, nullptr, nullptr);
    return ansi;
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
    const std::string ansiClass = windowClass ? toAnsi(*windowClass) : std::string();
    const std::string ansiTitle = toAnsi(title);
    return toHandle(FindWindowA(windowClass ? ansiClass.c_str() : nullptr, ansiTitle.c_str()));
}

WindowHandle Win32WindowServices::findChild(WindowHandle parent, const std::string& windowClass,
                                            const std::optional<std::string>& caption)
{
    // A null parent would search the desktop's children; only a real parent is searched.
    if (parent == NoWindow)
        return NoWindow;
    const std::string ansiClass = toAnsi(windowClass);
    const std::string ansiCaption = caption ? toAnsi(*caption) : std::string();
    return toHandle(
        FindWindowExA(toWindow(parent), nullptr, ansiClass.c_str(), caption ? ansiCaption.c_str() : nullptr));
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
    return PostMessageA(toWindow(window), message, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam)) != 0;
}

bool Win32WindowServices::sendMouseMessage(WindowHandle window, unsigned message, std::uintptr_t wParam,
                                           std::intptr_t lParam)
{
    if (window == NoWindow || !IsWindow(toWindow(window)))
        return false;
    SendMessageA(toWindow(window), message, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam));
    return true;
}

void Win32WindowServices::sleep(int milliseconds)
{
    Sleep(static_cast<DWORD>(milliseconds < 0 ? 0 : milliseconds));
}

} // namespace corvina
