#include "platform/win32/Win32StopKey.h"
#include "platform/StopKey.h"

#include <QElapsedTimer>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>

#include <windows.h>

using namespace corvina;

namespace {

void press(WORD key)
{
    INPUT input[2] = {};
    input[0].type = INPUT_KEYBOARD;
    input[0].ki.wVk = key;
    input[1] = input[0];
    input[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, input, sizeof(INPUT));
}

bool waitFor(const std::atomic<bool>& flag, bool value, int boundMs)
{
    QElapsedTimer timer;
    timer.start();
    while (flag.load() != value && timer.elapsed() < boundMs)
        QThread::msleep(10);
    return flag.load() == value;
}

} // namespace

TEST(Win32StopKey, F10IsTakenOnceAndGivenBack)
{
    Win32StopKey first;
    Win32StopKey second;
    EXPECT_TRUE(first.isAvailable());
    std::atomic<bool> running{true};
    ASSERT_TRUE(RegisterStopKey(first, running));
    // Another holder of F10 is refused while the first holds it.
    std::atomic<bool> other{true};
    EXPECT_FALSE(RegisterStopKey(second, other));
    ReleaseStopKey(first);
    EXPECT_TRUE(RegisterStopKey(second, other));
    ReleaseStopKey(second);
    ReleaseStopKey(second); // harmless twice
    EXPECT_TRUE(running.load());
}

TEST(Win32StopKey, OnlyF10ClearsTheRunFlag)
{
    Win32StopKey key;
    std::atomic<bool> running{true};
    ASSERT_TRUE(RegisterStopKey(key, running));
    struct Case {
        const char* name;
        WORD key;
        bool runningAfter;
    };
    for (const Case c : {Case{"F9", VK_F9, true}, Case{"F11", VK_F11, true}, Case{"F10", VK_F10, false}}) {
        SCOPED_TRACE(c.name);
        running = true;
        press(c.key);
        if (c.runningAfter) {
            QThread::msleep(300);
            EXPECT_TRUE(running.load());
        } else {
            EXPECT_TRUE(waitFor(running, false, 5000));
        }
    }
    ReleaseStopKey(key);
    running = true;
    press(VK_F10);
    QThread::msleep(300);
    EXPECT_TRUE(running.load()) << "F10 still taken after release";
}
