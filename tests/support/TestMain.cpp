#include <QApplication>
#include <gtest/gtest.h>

// Every test executable runs inside a QApplication (offscreen where Qt has that plugin) so that
// widget tests and queued calls to the UI thread work alike.
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", CORVINA_TEST_QPA);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
