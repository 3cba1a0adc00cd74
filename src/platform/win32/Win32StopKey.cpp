#include "platform/win32/Win32StopKey.h"

#include <windows.h>

#include <future>

namespace corvina {

namespace {

constexpr const wchar_t* HotKeyName = L"UserDefineHotKey";
constexpr const wchar_t* WindowClassName = L"CorvinaStopKeyWindow";

LRESULT CALLBACK stopKeyWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_HOTKEY) {
        // Only the key code counts; the identifier in wParam is not looked at.
        if (HIWORD(lParam) == VK_F10) {
            auto* pressed = reinterpret_cast<std::function<void()>*>(GetWindowLongPtrW(window, GWLP_USERDATA));
            if (pressed && *pressed)
                (*pressed)();
        }
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

Win32StopKey::~Win32StopKey()
{
    release();
}

bool Win32StopKey::registerKey(std::function<void()> pressed)
{
    release();
    m_pressed = std::move(pressed);
    std::promise<bool> registered;
    std::future<bool> result = registered.get_future();
    m_thread = std::thread([this, &registered] { serve(&registered); });
    if (result.get())
        return true;
    m_thread.join();
    m_pressed = nullptr;
    return false;
}

// Runs on the key's own thread: window, atom, hot key, then the message loop until release.
void Win32StopKey::serve(void* ready)
{
    auto& registered = *static_cast<std::promise<bool>*>(ready);
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = stopKeyWindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = WindowClassName;
    RegisterClassW(&windowClass); // fails harmlessly when already registered
    HWND window = CreateWindowExW(0, WindowClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);
    if (!window) {
        registered.set_value(false);
        return;
    }
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&m_pressed));

    const ATOM atom = GlobalAddAtomW(HotKeyName);
    const int id = static_cast<int>(atom) - 0xC002;
    if (!RegisterHotKey(window, id, 0, VK_F10)) {
        GlobalDeleteAtom(atom);
        DestroyWindow(window);
        registered.set_value(false);
        return;
    }
    m_window = window;
    m_threadId = GetCurrentThreadId();
    registered.set_value(true);

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    UnregisterHotKey(window, id);
    GlobalDeleteAtom(atom);
    DestroyWindow(window);
}

void Win32StopKey::release()
{
    if (!m_thread.joinable())
        return;
    // WM_QUIT ends the key thread's loop; it then gives the key and the atom back.
    PostThreadMessageW(m_threadId, WM_QUIT, 0, 0);
    m_thread.join();
    m_window = nullptr;
    m_threadId = 0;
    m_pressed = nullptr;
}

} // namespace corvina
