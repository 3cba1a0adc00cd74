#pragma once

#include "platform/StopKey.h"

#include <string>
#include <thread>

struct _XDisplay;

namespace corvina {

// F10 grabbed on the root window over a connection of its own, in every combination of Caps Lock
// and Num Lock, so the lock keys do not hide it. A grab another client already holds is a
// failure. A thread of its own waits for the key.
class X11StopKey : public StopKey {
public:
    // The named display, or $DISPLAY when none is named.
    explicit X11StopKey(const std::string& displayName = {});
    ~X11StopKey() override;
    X11StopKey(const X11StopKey&) = delete;
    X11StopKey& operator=(const X11StopKey&) = delete;

    // Whether the display can be reached at this moment.
    bool isAvailable() const override;
    bool registerKey(std::function<void()> pressed) override;
    void release() override;

private:
    void waitForKeys();
    void ungrab();
    void closeDisplay();

    std::string m_displayName;
    _XDisplay* m_display = nullptr;
    unsigned long m_root = 0;
    int m_keycode = 0;
    unsigned m_modifiers[4] = {};
    int m_wake[2] = {-1, -1};
    std::function<void()> m_pressed;
    std::thread m_thread;
};

} // namespace corvina
