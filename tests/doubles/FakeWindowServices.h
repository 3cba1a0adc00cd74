#pragma once

#include "platform/WindowServices.h"

#include <cstdint>
#include <functional>
#include <limits>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace corvina {

// Window services over scripted windows and a virtual clock, for tests: every window has a
// timeline (appears, becomes visible, becomes enabled, disappears), sleeping only moves the clock,
// and every posted or sent message is logged. A sent message does not return while a window marked
// modal is open: the clock jumps to its closing, as a real send would wait for it.
class FakeWindowServices : public WindowServices {
public:
    static constexpr std::int64_t Never = std::numeric_limits<std::int64_t>::max();

    struct Window {
        WindowHandle parent = NoWindow; // NoWindow for a top-level window
        std::string windowClass;
        std::string title;         // the caption of a child
        std::int64_t appearAt = 0; // virtual milliseconds
        std::int64_t visibleAt = 0;
        std::int64_t enabledAt = 0;
        std::int64_t disappearAt = Never;
        bool modal = false;
    };

    enum class Delivery { Posted, Sent };
    struct Message {
        Delivery delivery = Delivery::Posted;
        WindowHandle window = NoWindow;
        unsigned message = 0;
        std::uintptr_t wParam = 0;
        std::intptr_t lParam = 0;
        std::int64_t at = 0;         // clock when the call was made
        std::int64_t returnedAt = 0; // clock when the call returned
        bool delivered = false;      // false when the window did not exist
    };

    // Adds a window; windows are found in the order they were added.
    WindowHandle addWindow(const Window& window);
    void setVisibleAt(WindowHandle window, std::int64_t at);
    void setEnabledAt(WindowHandle window, std::int64_t at);
    void setDisappearAt(WindowHandle window, std::int64_t at);
    // Runs action when a button-down and button-up pair reaches the window, posted or sent, at the
    // moment of the button-up; the action may add or change windows.
    void onPress(WindowHandle window, std::function<void()> action);

    std::int64_t now() const;
    void advance(std::int64_t milliseconds);
    // Every sleep, in order.
    std::vector<int> sleeps() const;
    int sleepCount(int milliseconds) const;
    std::vector<Message> messages() const;
    int pressCount(WindowHandle window) const;

    // As if there were no window system at all.
    void setAvailable(bool available) { m_available = available; }
    bool isAvailable() const override { return m_available; }
    WindowHandle findTopLevel(const std::optional<std::string>& windowClass, const std::string& title) override;
    WindowHandle findChild(WindowHandle parent, const std::string& windowClass,
                           const std::optional<std::string>& caption) override;
    bool isVisible(WindowHandle window) override;
    bool isEnabled(WindowHandle window) override;
    bool postMouseMessage(WindowHandle window, unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override;
    bool sendMouseMessage(WindowHandle window, unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override;
    void sleep(int milliseconds) override;

private:
    struct Entry {
        Window script;
        bool buttonDown = false;
        int presses = 0;
        std::function<void()> pressAction;
    };
    const Entry* entry(WindowHandle window) const;
    Entry* entry(WindowHandle window);
    bool exists(WindowHandle window) const;
    bool visible(WindowHandle window) const;
    bool deliver(Delivery delivery, WindowHandle window, unsigned message, std::uintptr_t wParam, std::intptr_t lParam);

    mutable std::recursive_mutex m_mutex;
    std::vector<WindowHandle> m_order;
    std::map<WindowHandle, Entry> m_windows;
    WindowHandle m_next = 0x1000;
    std::int64_t m_now = 0;
    std::vector<int> m_sleeps;
    std::vector<Message> m_messages;
    bool m_available = true;
};

} // namespace corvina
