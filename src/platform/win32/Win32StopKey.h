#pragma once

#include "platform/StopKey.h"

#include <thread>

namespace corvina {

// F10 as a Windows hot key. The key belongs to a hidden message-only window that a thread of its
// own creates and serves, because a hot key is bound to the thread of the window it names.
class Win32StopKey : public StopKey {
public:
    Win32StopKey() = default;
    ~Win32StopKey() override;
    Win32StopKey(const Win32StopKey&) = delete;
    Win32StopKey& operator=(const Win32StopKey&) = delete;

    bool isAvailable() const override { return true; }
    bool registerKey(std::function<void()> pressed) override;
    void release() override;

private:
    void serve(void* ready);

    std::function<void()> m_pressed;
    std::thread m_thread;
    void* m_window = nullptr; // HWND
    unsigned long m_threadId = 0;
};

} // namespace corvina
