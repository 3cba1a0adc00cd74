#include "platform/x11/X11WindowServices.h"

#include "platform/x11/X11ErrorTrap.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <poll.h>
#include <thread>

namespace corvina {

X11WindowServices::X11WindowServices(const std::string& displayName)
{
    m_display = XOpenDisplay(displayName.empty() ? nullptr : displayName.c_str());
    if (!m_display)
        return;
    X11ErrorTrap::watch(m_display);
    m_root = DefaultRootWindow(m_display);
    m_wmState = XInternAtom(m_display, "WM_STATE", False);
    m_netWmName = XInternAtom(m_display, "_NET_WM_NAME", False);
    m_utf8String = XInternAtom(m_display, "UTF8_STRING", False);
    m_wmProtocols = XInternAtom(m_display, "WM_PROTOCOLS", False);
    m_netWmPing = XInternAtom(m_display, "_NET_WM_PING", False);
    m_netWmState = XInternAtom(m_display, "_NET_WM_STATE", False);
    m_netWmStateModal = XInternAtom(m_display, "_NET_WM_STATE_MODAL", False);
    m_netWmPid = XInternAtom(m_display, "_NET_WM_PID", False);
    // Ping answers are sent to the root window.
    XSelectInput(m_display, m_root, StructureNotifyMask | SubstructureNotifyMask);
    XFlush(m_display);
}

X11WindowServices::~X11WindowServices()
{
    if (!m_display)
        return;
    XCloseDisplay(m_display);
    X11ErrorTrap::unwatch(m_display);
}

std::vector<unsigned long> X11WindowServices::children(unsigned long window)
{
    std::vector<unsigned long> result;
    Window root = 0, parent = 0;
    Window* list = nullptr;
    unsigned int count = 0;
    if (XQueryTree(m_display, window, &root, &parent, &list, &count) && list) {
        // XQueryTree lists bottom to top.
        for (unsigned int i = count; i > 0; --i)
            result.push_back(list[i - 1]);
    }
    if (list)
        XFree(list);
    return result;
}

bool X11WindowServices::hasWmState(unsigned long window)
{
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    const int status = XGetWindowProperty(m_display, window, m_wmState, 0, 0, False, AnyPropertyType, &type, &format,
                                          &count, &after, &data);
    if (data)
        XFree(data);
    return status == Success && type != None;
}

// The client window inside a window manager's frame; without a frame, the window itself.
unsigned long X11WindowServices::clientOf(unsigned long window)
{
    if (hasWmState(window))
        return window;
    std::vector<unsigned long> level = children(window);
    for (int depth = 0; depth < 4 && !level.empty(); ++depth) {
        std::vector<unsigned long> next;
        for (unsigned long child : level) {
            if (hasWmState(child))
                return child;
            for (unsigned long grandchild : children(child))
                next.push_back(grandchild);
        }
        level = std::move(next);
    }
    return window;
}

// The top-level window a child belongs to: the first ancestor carrying WM_STATE, or the one right
// under the root (or under a frame).
unsigned long X11WindowServices::topLevelOf(unsigned long window)
{
    unsigned long current = window;
    for (int depth = 0; depth < 64; ++depth) {
        if (hasWmState(current))
            return current;
        Window root = 0, parent = 0;
        Window* list = nullptr;
        unsigned int count = 0;
        if (!XQueryTree(m_display, current, &root, &parent, &list, &count))
            return current;
        if (list)
            XFree(list);
        if (parent == 0 || parent == root)
            return current;
        current = parent;
    }
    return current;
}

std::optional<std::string> X11WindowServices::title(WindowHandle window)
{
    if (!m_display || window == NoWindow)
        return std::nullopt;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(m_display, window, m_netWmName, 0, 4096, False, m_utf8String, &type, &format, &count, &after,
                           &data) == Success &&
        type == m_utf8String && format == 8 && data) {
        std::string text(reinterpret_cast<const char*>(data), count);
        XFree(data);
        return text;
    }
    if (data)
        XFree(data);

    XTextProperty property{};
    if (!XGetWMName(m_display, window, &property))
        return std::nullopt;
    std::optional<std::string> text;
    char** list = nullptr;
    int listCount = 0;
    if (Xutf8TextPropertyToTextList(m_display, &property, &list, &listCount) >= Success && list) {
        std::string joined;
        for (int i = 0; i < listCount; ++i)
            joined += list[i];
        text = joined;
        XFreeStringList(list);
    }
    if (property.value)
        XFree(property.value);
    return text;
}

std::optional<std::string> X11WindowServices::windowClass(WindowHandle window)
{
    if (!m_display || window == NoWindow)
        return std::nullopt;
    XClassHint hint{};
    if (!XGetClassHint(m_display, window, &hint))
        return std::nullopt;
    std::optional<std::string> result;
    if (hint.res_class)
        result = std::string(hint.res_class);
    if (hint.res_name)
        XFree(hint.res_name);
    if (hint.res_class)
        XFree(hint.res_class);
    return result;
}

WindowHandle X11WindowServices::findTopLevel(const std::optional<std::string>& wantedClass,
                                             const std::string& wantedTitle)
{
    if (!m_display)
        return NoWindow;
    for (unsigned long frame : children(m_root)) {
        const unsigned long client = clientOf(frame);
        if (title(client) == wantedTitle && (!wantedClass || windowClass(client) == *wantedClass))
            return client;
    }
    X11ErrorTrap::takeError(m_display);
    return NoWindow;
}

WindowHandle X11WindowServices::findChild(WindowHandle parent, const std::string& wantedClass,
                                          const std::optional<std::string>& caption)
{
    if (!m_display || parent == NoWindow)
        return NoWindow;
    for (unsigned long child : children(parent)) {
        if (windowClass(child) == wantedClass && (!caption || title(child) == *caption))
            return child;
    }
    X11ErrorTrap::takeError(m_display);
    return NoWindow;
}

bool X11WindowServices::isVisible(WindowHandle window)
{
    if (!m_display || window == NoWindow)
        return false;
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(m_display, window, &attributes))
        return false;
    return attributes.map_state == IsViewable;
}

bool X11WindowServices::isEnabled(WindowHandle window)
{
    if (!m_display || window == NoWindow)
        return false;
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(m_display, window, &attributes))
        return false; // gone
    XWMHints* hints = XGetWMHints(m_display, window);
    if (!hints)
        return true;
    const bool refuses = (hints->flags & InputHint) && !hints->input;
    XFree(hints);
    return !refuses;
}

bool X11WindowServices::sendButtonEvent(unsigned long window, unsigned message, std::intptr_t lParam)
{
    // Window 0 would mean "the window under the pointer" to XSendEvent.
    if (!m_display || window == NoWindow)
        return false;
    const bool press = message == MouseMessage::LeftButtonDown;
    if (!press && message != MouseMessage::LeftButtonUp)
        return false;
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(m_display, window, &attributes))
        return false;
    const int x = pointParamX(lParam);
    const int y = pointParamY(lParam);
    int rootX = 0, rootY = 0;
    Window child = None;
    XTranslateCoordinates(m_display, window, m_root, x, y, &rootX, &rootY, &child);

    X11ErrorTrap::takeError(m_display); // only this event's errors count below
    XEvent event{};
    event.xbutton.type = press ? ButtonPress : ButtonRelease;
    event.xbutton.display = m_display;
    event.xbutton.window = window;
    event.xbutton.root = m_root;
    event.xbutton.subwindow = None;
    event.xbutton.time = CurrentTime;
    event.xbutton.x = x;
    event.xbutton.y = y;
    event.xbutton.x_root = rootX;
    event.xbutton.y_root = rootY;
    event.xbutton.state = press ? 0 : Button1Mask;
    event.xbutton.button = Button1;
    event.xbutton.same_screen = True;
    const Status sent = XSendEvent(m_display, window, False, press ? ButtonPressMask : ButtonReleaseMask, &event);
    return sent != 0 && X11ErrorTrap::takeError(m_display) == 0;
}

bool X11WindowServices::postMouseMessage(WindowHandle window, unsigned message, std::uintptr_t, std::intptr_t lParam)
{
    return sendButtonEvent(window, message, lParam);
}

bool X11WindowServices::answersPing(unsigned long topLevel)
{
    Atom* protocols = nullptr;
    int count = 0;
    bool found = false;
    if (XGetWMProtocols(m_display, topLevel, &protocols, &count) && protocols) {
        for (int i = 0; i < count; ++i)
            found = found || protocols[i] == m_netWmPing;
        XFree(protocols);
    }
    return found;
}

void X11WindowServices::waitForPing(unsigned long topLevel)
{
    // A press may close the window (a dialog's "关闭"): its destruction ends the wait, as the
    // target has then surely handled the press.
    X11ErrorTrap::takeError(m_display);
    XSelectInput(m_display, topLevel, StructureNotifyMask);
    if (X11ErrorTrap::takeError(m_display) != 0)
        return; // already gone
    const long serial = ++m_pingSerial;
    XEvent ping{};
    ping.xclient.type = ClientMessage;
    ping.xclient.display = m_display;
    ping.xclient.window = topLevel;
    ping.xclient.message_type = m_wmProtocols;
    ping.xclient.format = 32;
    ping.xclient.data.l[0] = static_cast<long>(m_netWmPing);
    ping.xclient.data.l[1] = serial;
    ping.xclient.data.l[2] = static_cast<long>(topLevel);
    XSendEvent(m_display, topLevel, False, NoEventMask, &ping);
    XFlush(m_display);

    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(PingTimeout);
    for (;;) {
        while (XPending(m_display)) {
            XEvent event{};
            XNextEvent(m_display, &event);
            if (event.type == ClientMessage && event.xclient.message_type == m_wmProtocols &&
                static_cast<Atom>(event.xclient.data.l[0]) == m_netWmPing && event.xclient.data.l[1] == serial)
                return;
            if (event.type == DestroyNotify && event.xdestroywindow.window == topLevel)
                return;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            ++m_unansweredPings;
            return;
        }
        pollfd fd{ConnectionNumber(m_display), POLLIN, 0};
        ::poll(&fd, 1, static_cast<int>(left.count()));
    }
}

bool X11WindowServices::hasAtom(unsigned long window, unsigned long property, unsigned long atom)
{
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    bool found = false;
    if (XGetWindowProperty(m_display, window, property, 0, 64, False, XA_ATOM, &type, &format, &count, &after, &data) ==
            Success &&
        data && format == 32) {
        const auto* atoms = reinterpret_cast<const unsigned long*>(data);
        for (unsigned long i = 0; i < count; ++i)
            found = found || atoms[i] == atom;
    }
    if (data)
        XFree(data);
    return found;
}

long X11WindowServices::processOf(unsigned long window)
{
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    long pid = 0;
    if (XGetWindowProperty(m_display, window, m_netWmPid, 0, 1, False, XA_CARDINAL, &type, &format, &count, &after,
                           &data) == Success &&
        data && format == 32 && count == 1)
        pid = *reinterpret_cast<const long*>(data);
    if (data)
        XFree(data);
    return pid;
}

// A shown window marked modal and transient for the target's window, or for another window of the
// same program (the same _NET_WM_PID).
bool X11WindowServices::modalWindowOpen(unsigned long topLevel)
{
    const long pid = processOf(topLevel);
    for (unsigned long frame : children(m_root)) {
        const unsigned long client = clientOf(frame);
        if (client == topLevel || !hasAtom(client, m_netWmState, m_netWmStateModal))
            continue;
        XWindowAttributes attributes{};
        if (!XGetWindowAttributes(m_display, client, &attributes) || attributes.map_state == IsUnmapped)
            continue;
        Window owner = None;
        if (!XGetTransientForHint(m_display, client, &owner) || owner == None)
            continue;
        if (owner == topLevel || (pid > 0 && processOf(owner) == pid))
            return true;
    }
    X11ErrorTrap::takeError(m_display);
    return false;
}

bool X11WindowServices::sendMouseMessage(WindowHandle window, unsigned message, std::uintptr_t, std::intptr_t lParam)
{
    if (!sendButtonEvent(window, message, lParam))
        return false;
    const unsigned long topLevel = topLevelOf(window);
    if (answersPing(topLevel)) {
        // A toolkit may answer a ping read in the same batch as the button events before it hands
        // those events on to its widgets. The first answer says the events have been read; the
        // second ping, sent once that batch is surely over, is answered only after they were
        // handled, or from the loop of a modal window the press opened.
        waitForPing(topLevel);
        std::this_thread::sleep_for(std::chrono::milliseconds(PingSettle));
        waitForPing(topLevel);
    } else
        XSync(m_display, False);
    bool closed = true;
    if (modalWindowOpen(topLevel)) {
        using Clock = std::chrono::steady_clock;
        const auto deadline = Clock::now() + std::chrono::milliseconds(ModalWaitLimit);
        while ((closed = !modalWindowOpen(topLevel)) == false && Clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(ModalPoll));
        // The press goes on after the box; its end is answered by the next ping.
        if (closed && answersPing(topLevel))
            waitForPing(topLevel);
    }
    X11ErrorTrap::takeError(m_display);
    return closed;
}

void X11WindowServices::sleep(int milliseconds)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

} // namespace corvina
