#include "E2eRig.h"
#include "platform/ProcessStart.h"
#ifndef Q_OS_WIN
#include "support/XvfbServer.h"
#endif

#include <QApplication>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>

#ifndef Q_OS_WIN
namespace {
std::unique_ptr<corvina::test::XvfbServer> g_server;
}

QString corvina::test::e2eDisplay()
{
    return g_server ? g_server->display() : QString();
}
#else
QString corvina::test::e2eDisplay()
{
    return QString();
}
#endif

// Every test process of this suite runs on its own X server, started before the application
// object so that the window under test and the programs it drives share one desktop. On Windows
// the session's desktop is that one already.
int main(int argc, char** argv)
{
    corvina::prepareProcess(); // as the program does: its exit must be the program's
#ifndef Q_OS_WIN
    bool listing = false;
    for (int i = 1; i < argc; ++i)
        listing = listing || std::strcmp(argv[i], "--gtest_list_tests") == 0;
    if (!listing) {
        g_server = std::make_unique<corvina::test::XvfbServer>();
        if (g_server->running()) {
            qputenv("DISPLAY", g_server->displayName().c_str());
            qputenv("QT_QPA_PLATFORM", "xcb");
        }
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") || !g_server || !g_server->running())
        qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
    int status = 0;
    {
        QApplication app(argc, argv);
        ::testing::InitGoogleTest(&argc, argv);
        status = RUN_ALL_TESTS();
    }
#ifndef Q_OS_WIN
    g_server.reset();
#endif
    return status;
}
