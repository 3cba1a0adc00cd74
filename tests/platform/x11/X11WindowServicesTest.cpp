#include "platform/x11/X11WindowServices.h"
#include "support/XvfbServer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMap>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

// After gtest and Qt: Xlib defines macros such as None and Bool.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

using namespace corvina;

namespace {

// Xvfb with the peer program's windows, shared by the tests of this file.
class X11WindowServicesTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        server = std::make_unique<test::XvfbServer>();
        if (!server->running())
            return;
        peer = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DISPLAY", server->display());
        env.insert("QT_QPA_PLATFORM", "xcb");
        peer->setProcessEnvironment(env);
        peer->start(QCoreApplication::applicationDirPath() + "/window-peer", {});
        QByteArray output;
        while (!output.contains("ready\n") && peer->waitForReadyRead(20000))
            output += peer->readAllStandardOutput();
        for (const QByteArray& line : output.split('\n')) {
            const auto parts = line.split('=');
            if (parts.size() == 2)
                ids[QString::fromUtf8(parts[0])] = parts[1].toULong();
        }
        display = XOpenDisplay(server->displayName().c_str());
    }

    static void TearDownTestSuite()
    {
        if (display)
            XCloseDisplay(display);
        display = nullptr;
        if (peer) {
            peer->kill();
            peer->waitForFinished();
        }
        peer.reset();
        server.reset();
    }

    void SetUp() override
    {
        ASSERT_TRUE(server && server->running()) << "Xvfb did not start";
        ASSERT_TRUE(display);
        ASSERT_EQ(ids.size(), 10) << "the peer program did not report its windows";
        services = std::make_unique<X11WindowServices>(server->displayName());
        ASSERT_TRUE(services->isAvailable());
    }

    static WindowHandle id(const char* name) { return ids.value(name); }

    // A text property the peer writes on a clicked window.
    static std::string peerProperty(WindowHandle window, const char* name)
    {
        Atom type = None;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        std::string value;
        XGetWindowProperty(display, window, XInternAtom(display, name, False), 0, 256, False, XA_STRING, &type, &format,
                           &count, &after, &data);
        if (data) {
            value.assign(reinterpret_cast<const char*>(data), count);
            XFree(data);
        }
        return value;
    }

    // Waits (bounded) for a posted click to be handled.
    static std::string awaitProperty(WindowHandle window, const char* name, const std::string& value)
    {
        QElapsedTimer timer;
        timer.start();
        std::string current = peerProperty(window, name);
        while (current != value && timer.elapsed() < 10000) {
            QThread::msleep(20);
            current = peerProperty(window, name);
        }
        return current;
    }

    static inline std::unique_ptr<test::XvfbServer> server;
    static inline std::unique_ptr<QProcess> peer;
    static inline QMap<QString, WindowHandle> ids;
    static inline Display* display = nullptr;
    std::unique_ptr<X11WindowServices> services;
};

} // namespace

TEST_F(X11WindowServicesTest, FindsTopLevelWindowsByWholeTitleAndClass)
{
    struct Case {
        std::optional<std::string> windowClass;
        std::string title;
        const char* expected; // nullptr: none
    };
    const Case cases[] = {
        {std::nullopt, "试验主窗口", "main"},   {"PeerTop", "试验主窗口", "main"},
        {"peer", "试验主窗口", nullptr},                                           // the instance part is not the class
        {"OtherClass", "试验主窗口", nullptr},  {std::nullopt, "试验主", nullptr}, // no partial titles
        {std::nullopt, "试验主窗口 ", nullptr}, {std::nullopt, "隐藏窗口", "hidden"}, // hidden windows are still found
        {"PeerTop", "禁用窗口", "disabled"},    {std::nullopt, "按钮一", nullptr}, // children are not top-level windows
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title + " / " + c.windowClass.value_or("any class"));
        EXPECT_EQ(services->findTopLevel(c.windowClass, c.title), c.expected ? id(c.expected) : NoWindow);
    }
}

TEST_F(X11WindowServicesTest, FindsDirectChildrenByClassAndCaption)
{
    struct Case {
        const char* parent;
        std::string windowClass;
        std::optional<std::string> caption;
        const char* expected;
    };
    const Case cases[] = {
        {"main", "PeerButton", "按钮一", "first"},
        {"main", "PeerButton", "按钮二", "second"}, // named by WM_NAME only
        {"main", "PeerButton", "按钮", nullptr},
        {"main", "PeerButton", "内层", nullptr}, // a grandchild
        {"panel", "PeerButton", "内层", "inner"},
        {"main", "PeerToolbar", std::nullopt, "area"},
        {"main", "PeerPanel", std::nullopt, "panel"},
        {"main", "PeerMissing", std::nullopt, nullptr},
        {"first", "PeerButton", std::nullopt, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.parent) + " / " + c.windowClass + " / " + c.caption.value_or("any"));
        EXPECT_EQ(services->findChild(id(c.parent), c.windowClass, c.caption), c.expected ? id(c.expected) : NoWindow);
    }
    const WindowHandle anyButton = services->findChild(id("main"), "PeerButton", std::nullopt);
    EXPECT_TRUE(anyButton == id("first") || anyButton == id("second"));
    EXPECT_EQ(services->title(id("second")), "按钮二");
    EXPECT_EQ(services->windowClass(id("area")), "PeerToolbar");
}

TEST_F(X11WindowServicesTest, VisibilityAndEnablement)
{
    struct Case {
        const char* name;
        WindowHandle window;
        bool visible;
        bool enabled;
    };
    const Case cases[] = {
        {"main", id("main"), true, true},
        {"button", id("first"), true, true},
        {"button in a panel", id("inner"), true, true},
        {"never shown", id("hidden"), false, true},
        {"refuses input", id("disabled"), true, false},
        {"no window", NoWindow, false, false},
        {"a window that does not exist", 0x7ffffff, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(services->isVisible(c.window), c.visible);
        EXPECT_EQ(services->isEnabled(c.window), c.enabled);
    }
}

TEST_F(X11WindowServicesTest, PostedAndSentClicksPressQtButtons)
{
    const WindowHandle first = id("first");
    const std::string before = peerProperty(first, "_PEER_CLICKS");
    const int start = before.empty() ? 0 : std::stoi(before);
    const auto down = MouseMessage::LeftButtonDown;
    const auto up = MouseMessage::LeftButtonUp;
    const auto flag = MouseMessage::LeftButtonFlag;

    ASSERT_TRUE(services->postMouseMessage(first, down, flag, pointParam(5, 5)));
    ASSERT_TRUE(services->postMouseMessage(first, up, flag, pointParam(5, 5)));
    EXPECT_EQ(awaitProperty(first, "_PEER_CLICKS", std::to_string(start + 1)), std::to_string(start + 1));

    // A sent press is handled by the time the send returns: no waiting here.
    for (int i = 2; i <= 4; ++i) {
        ASSERT_TRUE(services->sendMouseMessage(first, down, flag, 0));
        ASSERT_TRUE(services->sendMouseMessage(first, up, flag, 0));
        EXPECT_EQ(peerProperty(first, "_PEER_CLICKS"), std::to_string(start + i));
    }
    ASSERT_TRUE(services->sendMouseMessage(id("inner"), down, flag, 0));
    ASSERT_TRUE(services->sendMouseMessage(id("inner"), up, flag, 0));
    EXPECT_EQ(peerProperty(id("inner"), "_PEER_CLICKS"), "1");
    EXPECT_EQ(services->unansweredPings(), 0);
}

TEST_F(X11WindowServicesTest, ClickLandsAtTheClientPoint)
{
    const WindowHandle area = id("area");
    struct Case {
        int x, y;
    };
    for (const Case c : {Case{34, 26}, Case{3, 140}, Case{120, 7}}) {
        const std::string expected = std::to_string(c.x) + "," + std::to_string(c.y);
        SCOPED_TRACE(expected);
        ASSERT_TRUE(services->postMouseMessage(area, MouseMessage::LeftButtonDown, 1, pointParam(c.x, c.y)));
        ASSERT_TRUE(services->postMouseMessage(area, MouseMessage::LeftButtonUp, 1, pointParam(c.x, c.y)));
        EXPECT_EQ(awaitProperty(area, "_PEER_CLICK_AT", expected), expected);
    }
}

TEST_F(X11WindowServicesTest, MessagesToNoWindowOrOtherMessagesAreRefused)
{
    EXPECT_FALSE(services->postMouseMessage(NoWindow, MouseMessage::LeftButtonDown, 1, 0));
    EXPECT_FALSE(services->sendMouseMessage(NoWindow, MouseMessage::LeftButtonUp, 1, 0));
    EXPECT_FALSE(services->sendMouseMessage(0x7ffffff, MouseMessage::LeftButtonUp, 1, 0));
    EXPECT_FALSE(services->postMouseMessage(id("first"), 0x0100 /* a key */, 0, 0));
}

TEST_F(X11WindowServicesTest, LooksThroughAWindowManagerFrame)
{
    const WindowHandle framed = id("framed");
    ASSERT_EQ(services->findTopLevel(std::nullopt, "框内窗口"), framed);

    // Do what a window manager does: put the client into a frame of its own and mark it.
    const Window root = DefaultRootWindow(display);
    const Window frame = XCreateSimpleWindow(display, root, 50, 50, 220, 130, 0, 0, 0);
    const Window border = XCreateSimpleWindow(display, frame, 0, 20, 220, 110, 0, 0, 0);
    XMapWindow(display, border);
    XReparentWindow(display, framed, border, 0, 0);
    const Atom wmState = XInternAtom(display, "WM_STATE", False);
    const long state[2] = {1 /* NormalState */, 0};
    XChangeProperty(display, framed, wmState, wmState, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(state), 2);
    XMapWindow(display, frame);
    XSync(display, False);

    EXPECT_EQ(services->findTopLevel(std::nullopt, "框内窗口"), framed);
    EXPECT_EQ(services->findTopLevel(std::string("PeerTop"), "框内窗口"), framed);
    EXPECT_EQ(services->findTopLevel(std::nullopt, "试验主窗口"), id("main"));

    XUnmapWindow(display, frame);
    XSync(display, False);
    EXPECT_FALSE(services->isVisible(framed)); // viewable only inside a shown frame
    XMapWindow(display, frame);
    XSync(display, False);
    EXPECT_TRUE(services->isVisible(framed));
}

TEST_F(X11WindowServicesTest, SentPressWaitsWhileItsModalBoxIsOpen)
{
    const WindowHandle button = id("modal");
    std::atomic<int> returned{0};
    std::atomic<bool> result{false};
    std::thread sender([&] {
        X11WindowServices own(server->displayName()); // one connection per thread
        own.sendMouseMessage(button, MouseMessage::LeftButtonDown, MouseMessage::LeftButtonFlag, 0);
        result = own.sendMouseMessage(button, MouseMessage::LeftButtonUp, MouseMessage::LeftButtonFlag, 0);
        returned = 1;
    });

    QElapsedTimer timer;
    timer.start();
    Window box = None;
    while ((box = services->findTopLevel(std::nullopt, "模态框")) == None && timer.elapsed() < 10000)
        QThread::msleep(20);
    ASSERT_NE(box, None) << "the press opened no box";

    // The box carries the marks the wait looks for. Its title can be seen a moment before the peer
    // has set the rest: they are waited for, bounded.
    Window owner = None;
    timer.restart();
    while (!XGetTransientForHint(display, box, &owner) && timer.elapsed() < 10000)
        QThread::msleep(20);
    EXPECT_TRUE(XGetTransientForHint(display, box, &owner));
    EXPECT_EQ(owner, id("main"));

    // Well past the pings of a send, the press is still not over.
    QThread::msleep(600);
    EXPECT_EQ(returned.load(), 0);
    EXPECT_EQ(peerProperty(button, "_PEER_MODAL_DONE"), "");

    XEvent close{};
    close.xclient.type = ClientMessage;
    close.xclient.window = box;
    close.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    close.xclient.format = 32;
    close.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    close.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, box, False, NoEventMask, &close);
    XFlush(display);

    timer.restart();
    while (!returned && timer.elapsed() < 10000)
        QThread::msleep(10);
    sender.join();
    EXPECT_TRUE(result.load());
    // The rest of the press, after the box, was handled by the time the send returned.
    EXPECT_EQ(peerProperty(button, "_PEER_MODAL_DONE"), "1");
}
