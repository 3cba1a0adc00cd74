#pragma once

#include "platform/WindowServices.h"

#include <string>
#include <vector>

struct _XDisplay;

namespace corvina {

// Window services on an X11 display, over a connection of its own.
//
// - Top-level windows are the clients of the root's children: where a window manager has put a
//   client into a frame, the client (the window carrying WM_STATE) stands for it.
// - A title or caption is _NET_WM_NAME (UTF-8), else WM_NAME; the class is the class part of
//   WM_CLASS. Children are the direct children from XQueryTree, topmost first.
// - Visible means viewable: mapped, with every ancestor mapped.
// - Enabled: X11 has no such state, so a window refuses input exactly when its WM_HINTS carry the
//   input flag set to False; a window without WM_HINTS, or without that flag, accepts input.
// - A mouse message becomes a synthetic ButtonPress (button-down) or ButtonRelease (button-up) of
//   button 1 at the message's client point. A sent one is followed by two _NET_WM_PING round
//   trips to the target's top-level window, the second a moment after the first was answered:
//   its answer comes back only after the target's program has handled the events before it. The wait for it is bounded
//   by PingTimeout, and a window whose program does not answer pings is only flushed to the server.
// - While the target's program then shows a modal window (marked _NET_WM_STATE_MODAL and transient
//   for one of its windows), a send keeps waiting until that window is closed, as a send on Windows
//   does, and pings once more so that the rest of the press is handled too. The clerk closes such a
//   box; ModalWaitLimit only keeps a forgotten one from holding the run for ever.
class X11WindowServices : public WindowServices {
public:
    static constexpr int PingTimeout = 5000; // milliseconds
    static constexpr int PingSettle = 20;    // milliseconds between the two pings of a send
    static constexpr int ModalPoll = 50;     // milliseconds between looks for a modal window
    static constexpr int ModalWaitLimit = 30 * 60 * 1000;

    // Connects to the named display, or to $DISPLAY when none is named.
    explicit X11WindowServices(const std::string& displayName = {});
    ~X11WindowServices() override;
    X11WindowServices(const X11WindowServices&) = delete;
    X11WindowServices& operator=(const X11WindowServices&) = delete;

    bool isAvailable() const override { return m_display != nullptr; }

    WindowHandle findTopLevel(const std::optional<std::string>& windowClass, const std::string& title) override;
    WindowHandle findChild(WindowHandle parent, const std::string& windowClass,
                           const std::optional<std::string>& caption) override;
    bool isVisible(WindowHandle window) override;
    bool isEnabled(WindowHandle window) override;
    bool postMouseMessage(WindowHandle window, unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override;
    bool sendMouseMessage(WindowHandle window, unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override;
    void sleep(int milliseconds) override;

    // Pings that went unanswered within PingTimeout, for diagnostics.
    int unansweredPings() const { return m_unansweredPings; }
    // The texts the lookups compare, for diagnostics and tests.
    std::optional<std::string> title(WindowHandle window);
    std::optional<std::string> windowClass(WindowHandle window);

private:
    std::vector<unsigned long> children(unsigned long window); // topmost first
    bool hasWmState(unsigned long window);
    unsigned long clientOf(unsigned long window);
    unsigned long topLevelOf(unsigned long window);
    bool answersPing(unsigned long topLevel);
    bool sendButtonEvent(unsigned long window, unsigned message, std::intptr_t lParam);
    void waitForPing(unsigned long topLevel);
    bool modalWindowOpen(unsigned long topLevel);
    bool hasAtom(unsigned long window, unsigned long property, unsigned long atom);
    long processOf(unsigned long window);

    _XDisplay* m_display = nullptr;
    unsigned long m_root = 0;
    unsigned long m_wmState = 0;
    unsigned long m_netWmName = 0;
    unsigned long m_utf8String = 0;
    unsigned long m_wmProtocols = 0;
    unsigned long m_netWmPing = 0;
    unsigned long m_netWmState = 0;
    unsigned long m_netWmStateModal = 0;
    unsigned long m_netWmPid = 0;
    long m_pingSerial = 0;
    int m_unansweredPings = 0;
};

} // namespace corvina
