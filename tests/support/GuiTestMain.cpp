#include "platform/ProcessStart.h"

#include <QApplication>
#include <gtest/gtest.h>

// The window's tests run inside a QApplication (offscreen where Qt has that plugin).
int main(int argc, char** argv)
{
    corvina::prepareProcess();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", CORVINA_TEST_QPA);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
