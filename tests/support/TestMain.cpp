#include "platform/ProcessStart.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

// Everything but the window is tested inside a QCoreApplication: queued calls to the main thread
// and Qt's plugins work, and nothing here may need Qt Gui.
int main(int argc, char** argv)
{
    corvina::prepareProcess();
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
