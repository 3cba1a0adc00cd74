#include "E2eRig.h"
#include "support/XvfbServer.h"

#include <QApplication>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>

namespace {
std::unique_ptr<corvina::test::XvfbServer> g_server;
}

QString corvina::test::e2eDisplay()
{
    return g_server ? g_server->display() : QString();
}

// Every test process of this suite runs on its own X server, started before the application
// object so that the window under test and the programs it drives share one desktop.
int main(int argc, char** argv)
{
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
    int status = 0;
    {
        QApplication app(argc, argv);
        ::testing::InitGoogleTest(&argc, argv);
        status = RUN_ALL_TESTS();
    }
    g_server.reset();
    return status;
}
