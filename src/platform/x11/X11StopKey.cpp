#include "platform/x11/X11StopKey.h"

#include "platform/x11/X11ErrorTrap.h"

#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace corvina {

namespace {

// The modifier bit Num Lock is mapped to on this server; Mod2 on nearly every setup.
unsigned numLockMask(Display* display)
{
    const KeyCode numLock = XKeysymToKeycode(display, XK_Num_Lock);
    unsigned mask = Mod2Mask;
    XModifierKeymap* map = XGetModifierMapping(display);
    if (!map)
        return mask;
    for (int modifier = 0; modifier < 8 && numLock; ++modifier) {
        for (int k = 0; k < map->max_keypermod; ++k) {
            if (map->modifiermap[modifier * map->max_keypermod + k] == numLock)
                mask = 1u << modifier;
        }
    }
    XFreeModifiermap(map);
    return mask;
}

} // namespace

X11StopKey::X11StopKey(const std::string& displayName) : m_displayName(displayName)
{
}

bool X11StopKey::isAvailable() const
{
    if (m_display)
        return true;
    Display* display = XOpenDisplay(m_displayName.empty() ? nullptr : m_displayName.c_str());
    if (!display)
        return false;
    XCloseDisplay(display);
    return true;
}

X11StopKey::~X11StopKey()
{
    release();
}

bool X11StopKey::registerKey(std::function<void()> pressed)
{
    release();
    m_display = XOpenDisplay(m_displayName.empty() ? nullptr : m_displayName.c_str());
    if (!m_display)
        return false;
    X11ErrorTrap::watch(m_display);
    m_root = DefaultRootWindow(m_display);
    m_keycode = XKeysymToKeycode(m_display, XK_F10);
    if (m_keycode == 0) {
        closeDisplay();
        return false;
    }
    const unsigned numLock = numLockMask(m_display);
    const unsigned variants[4] = {0, LockMask, numLock, numLock | LockMask};
    X11ErrorTrap::takeError(m_display);
    for (int i = 0; i < 4; ++i) {
        m_modifiers[i] = variants[i];
        XGrabKey(m_display, m_keycode, variants[i], m_root, False, GrabModeAsync, GrabModeAsync);
    }
    // BadAccess here means another client holds one of the grabs.
    if (X11ErrorTrap::takeError(m_display) != 0) {
        ungrab();
        closeDisplay();
        return false;
    }
    if (pipe(m_wake) != 0) {
        ungrab();
        closeDisplay();
        return false;
    }
    fcntl(m_wake[0], F_SETFD, FD_CLOEXEC);
    fcntl(m_wake[1], F_SETFD, FD_CLOEXEC);
    m_pressed = std::move(pressed);
    m_thread = std::thread([this] { waitForKeys(); });
    return true;
}

void X11StopKey::waitForKeys()
{
    for (;;) {
        while (XPending(m_display)) {
            XEvent event{};
            XNextEvent(m_display, &event);
            if (event.type == KeyPress && static_cast<int>(event.xkey.keycode) == m_keycode && m_pressed)
                m_pressed();
        }
        pollfd fds[2] = {{ConnectionNumber(m_display), POLLIN, 0}, {m_wake[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0)
            continue;
        if (fds[1].revents)
            return;
        if (fds[0].revents & (POLLERR | POLLHUP))
            return; // the server went away
    }
}

void X11StopKey::ungrab()
{
    for (unsigned modifiers : m_modifiers)
        XUngrabKey(m_display, m_keycode, modifiers, m_root);
    X11ErrorTrap::takeError(m_display);
}

void X11StopKey::closeDisplay()
{
    if (!m_display)
        return;
    XCloseDisplay(m_display);
    X11ErrorTrap::unwatch(m_display);
    m_display = nullptr;
}

void X11StopKey::release()
{
    if (m_thread.joinable()) {
        const char wake = 1;
        [[maybe_unused]] const ssize_t written = write(m_wake[1], &wake, 1);
        m_thread.join();
        ungrab();
    }
    for (int& fd : m_wake) {
        if (fd >= 0)
            close(fd);
        fd = -1;
    }
    m_pressed = nullptr;
    closeDisplay();
}

} // namespace corvina
