#include "platform/x11/X11StopKey.h"
#include "doubles/NoStopKey.h"
#include "support/XvfbServer.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>

// After gtest and Qt: Xlib defines macros such as None and Bool.
#include <X11/Xlib.h>

using namespace corvina;

namespace {

class X11StopKeyTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { server = std::make_unique<test::XvfbServer>(); }
    static void TearDownTestSuite() { server.reset(); }

    void SetUp() override { ASSERT_TRUE(server && server->running()) << "Xvfb did not start"; }

    // Presses keys on the test server the way a clerk would, through the XTEST extension.
    static void press(const QStringList& keys)
    {
        QProcess xdotool;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DISPLAY", server->display());
        xdotool.setProcessEnvironment(env);
        xdotool.start("xdotool", QStringList{"key"} + keys);
        ASSERT_TRUE(xdotool.waitForFinished(20000));
        ASSERT_EQ(xdotool.exitCode(), 0) << xdotool.readAllStandardError().toStdString();
    }

    template <typename Done> static bool waitFor(Done done)
    {
        QElapsedTimer timer;
        timer.start();
        while (!done() && timer.elapsed() < 10000)
            QThread::msleep(10);
        return done();
    }

    // The modifier bits the server holds now (the lock keys included).
    static unsigned modifierState()
    {
        Display* display = XOpenDisplay(server->displayName().c_str());
        Window root = 0, child = 0;
        int x = 0, y = 0, wx = 0, wy = 0;
        unsigned mask = 0;
        XQueryPointer(display, DefaultRootWindow(display), &root, &child, &x, &y, &wx, &wy, &mask);
        XCloseDisplay(display);
        return mask;
    }

    static inline std::unique_ptr<test::XvfbServer> server;
};

} // namespace

TEST_F(X11StopKeyTest, F10ClearsBatchRunningWhateverLocksAreOn)
{
    X11StopKey key(server->displayName());
    std::atomic<bool> BatchRunning = false;
    ASSERT_TRUE(RegisterStopKey(key, BatchRunning));

    struct Case {
        const char* name;
        QStringList locks;
        unsigned mask;
    };
    const Case cases[] = {
        {"no lock", {}, 0},
        {"caps lock", {"Caps_Lock"}, LockMask},
        {"num lock", {"Num_Lock"}, Mod2Mask},
        {"both", {"Caps_Lock", "Num_Lock"}, LockMask | Mod2Mask},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (!c.locks.isEmpty())
            press(c.locks);
        EXPECT_EQ(modifierState() & (LockMask | Mod2Mask), c.mask);
        BatchRunning = true;
        press({"F10"});
        EXPECT_TRUE(waitFor([&] { return !BatchRunning.load(); }));
        if (!c.locks.isEmpty())
            press(c.locks); // lock keys toggle: off again
    }
    ReleaseStopKey(key);
    BatchRunning = true;
    press({"F10"});
    QThread::msleep(300);
    EXPECT_TRUE(BatchRunning.load()) << "a released key still stops the run";
}

TEST_F(X11StopKeyTest, OnlyPlainF10IsTheStopKey)
{
    X11StopKey key(server->displayName());
    std::atomic<int> presses = 0;
    ASSERT_TRUE(key.registerKey([&] { ++presses; }));
    press({"shift+F10", "ctrl+F10", "F9", "F10", "alt+F10", "F10"});
    EXPECT_TRUE(waitFor([&] { return presses.load() >= 2; }));
    QThread::msleep(300);
    EXPECT_EQ(presses.load(), 2);
}

TEST_F(X11StopKeyTest, AKeyAlreadyTakenCannotBeRegistered)
{
    auto first = std::make_unique<X11StopKey>(server->displayName());
    X11StopKey second(server->displayName());
    std::atomic<int> firstPresses = 0, secondPresses = 0;
    ASSERT_TRUE(first->registerKey([&] { ++firstPresses; }));
    EXPECT_FALSE(second.registerKey([&] { ++secondPresses; }));

    // The failed attempt leaves the holder working.
    press({"F10"});
    EXPECT_TRUE(waitFor([&] { return firstPresses.load() == 1; }));

    // Once given back, the key can be taken by the other client.
    first.reset();
    EXPECT_TRUE(second.registerKey([&] { ++secondPresses; }));
    press({"F10"});
    EXPECT_TRUE(waitFor([&] { return secondPresses.load() == 1; }));
    EXPECT_EQ(firstPresses.load(), 1);
}

TEST(StopKey, BackendsWithoutADesktop)
{
    X11StopKey unreachable(":987");
    std::atomic<bool> BatchRunning = true;
    EXPECT_FALSE(RegisterStopKey(unreachable, BatchRunning));
    ReleaseStopKey(unreachable); // harmless when nothing was taken

    NoStopKey none;
    EXPECT_TRUE(RegisterStopKey(none, BatchRunning));
    ReleaseStopKey(none);
    EXPECT_TRUE(BatchRunning.load());
}
