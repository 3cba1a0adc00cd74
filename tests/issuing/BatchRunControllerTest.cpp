#include "issuing/BatchRunController.h"

#include "app/Clock.h"
#include "cli/CliPrompter.h"
#include "doubles/NoStopKey.h"
#include "invoices/InvoiceList.h"
#include "support/TestSupport.h"

#include <QEventLoop>
#include <QTimer>
#include <cstdio>
#include <gtest/gtest.h>
#include <stdexcept>

using namespace corvina;

// The command line drives the same controller as the window: an unexpected failure on the batch
// thread is printed, and the run ends abnormally.
TEST(BatchRunController, CommandLineRunPrintsAnUnexpectedFailure)
{
    test::TempFolder folder;
    std::FILE* err = std::tmpfile();
    ASSERT_NE(err, nullptr);
    CliPrompter prompter(true, err);
    FakeClock clock;
    PlainInvoiceList list;
    InvoiceRow row;
    row.checked = true;
    row.text(ColOrderId) = QStringLiteral("D1");
    row.text(ColState) = QStringLiteral("未开票");
    list.replaceRows({row});

    BatchRunController run(prompter, clock, std::make_unique<NoStopKey>());
    run.setList(list, nullptr);
    run.setStorePath(folder.file(QStringLiteral("SysData.mdb")));
    run.setStepsFactory([](LocalStore&) -> std::unique_ptr<IssuingSteps> { throw std::runtime_error("磁盘已满"); });
    QEventLoop loop;
    QObject::connect(&run, &BatchRunController::runEnded, &loop, &QEventLoop::quit);
    QTimer::singleShot(30000, &loop, &QEventLoop::quit);
    run.press();
    ASSERT_TRUE(run.awaitingEnd());
    loop.exec();

    EXPECT_FALSE(run.awaitingEnd());
    EXPECT_EQ(run.lastEnd(), BatchEnd::Abnormal);
    EXPECT_EQ(run.state(), BatchRunController::State::EndedAbnormally);
    EXPECT_EQ(run.caption(), QStringLiteral("停止(&P)"));
    std::rewind(err);
    QByteArray printed;
    char buf[512];
    while (const size_t n = std::fread(buf, 1, sizeof buf, err))
        printed.append(buf, static_cast<qsizetype>(n));
    std::fclose(err);
    EXPECT_EQ(QString::fromUtf8(printed),
              QStringLiteral("[提示] ") + QStringLiteral("请确定打印机已经设置好，您是否确定要开始自动填开发票？") +
                  QStringLiteral("\n[错误] ") +
                  QStringLiteral("连开因意外错误而停止：%1").arg(QStringLiteral("磁盘已满")) + QLatin1Char('\n'));
    // The next press only restores the start caption.
    run.press();
    EXPECT_EQ(run.state(), BatchRunController::State::Idle);
    EXPECT_FALSE(run.awaitingEnd());
}
