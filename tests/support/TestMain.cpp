#include <QApplication>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

// Every test executable runs inside a QApplication (offscreen where Qt has that plugin) so that
// widget tests and queued calls to the UI thread work alike.
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", CORVINA_TEST_QPA);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
#ifdef Q_OS_WIN
    // Under wine a test process whose batch run started child processes from its worker thread
    // does not end after its tests (not understood yet); the results are in, so it ends here.
    std::fflush(nullptr);
    std::_Exit(result);
#endif
    return result;
}
