#include "issuing/BatchRunController.h"

#include "app/Clock.h"
#include "cli/CliPrompter.h"
#include "doubles/NoStopKey.h"
#include "doubles/RecordingPrompter.h"
#include "invoices/InvoiceList.h"
#include "support/TestSupport.h"

#include <cstdio>
#include <future>
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

    BatchRunController run(
        prompter, clock, std::make_unique<NoStopKey>(), list, nullptr,
        {folder.file(QStringLiteral("SysData.mdb")), QString(), QString(),
         [](LocalStore&) -> std::unique_ptr<IssuingSteps> { throw std::runtime_error("磁盘已满"); }});
    ASSERT_TRUE(test::awaitSignal(run, &BatchRunController::runEnded, [&] {
        run.press();
        EXPECT_TRUE(run.awaitingEnd());
    }));

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

namespace {

// A run's steps that are made only once the test lets them, and then fail: the run stays in its
// first moments for as long as the test needs, and ends abnormally.
struct HeldRun {
    std::promise<void> gate;
    std::shared_future<void> released = gate.get_future().share();
    bool open = false;
    void let()
    {
        if (!open)
            gate.set_value();
        open = true;
    }
};

} // namespace

// The controller's states as the clerk's presses, the run's end and closing the window drive them,
// with no widget: Idle, Running, Stopping, EndedAbnormally, and the caption each one shows.
TEST(BatchRunController, PressesAndEndsMoveThroughItsStates)
{
    using State = BatchRunController::State;
    const QString start = QStringLiteral("发票连开(&S)");
    const QString stop = QStringLiteral("停止(&P)");
    const QString confirm = QStringLiteral("请确定打印机已经设置好，您是否确定要开始自动填开发票？");
    const QString failed = QStringLiteral("连开因意外错误而停止：%1").arg(QStringLiteral("开票软件不可用"));
    const QString previous = QStringLiteral("上一次连开还在结束当前发票，请稍候再开始。");
    enum class Step { PressYes, PressNo, Press, EndRun, Close };
    struct Expect {
        Step step;
        State state;
        QString caption;
        QStringList newBoxes;
        bool closeAnswer = false; // for Close: whether the window may go at once
    };
    struct Case {
        const char* name;
        std::vector<Expect> steps;
        bool closesAfterEnd = false;
    };
    const Case cases[] = {
        {"the clerk says No", {{Step::PressNo, State::Idle, start, {confirm}}}},
        {"a failure ends the run; the next press only restores the start",
         {{Step::PressYes, State::Running, stop, {confirm}},
          {Step::EndRun, State::EndedAbnormally, stop, {failed}},
          {Step::Press, State::Idle, start, {}}}},
        {"stopped while it works: the end it comes to is no failure to the button",
         {{Step::PressYes, State::Running, stop, {confirm}},
          {Step::Press, State::Stopping, start, {}},
          {Step::Press, State::Stopping, start, {previous}},
          {Step::EndRun, State::Idle, start, {failed}}}},
        {"closing while it works waits for its end",
         {{Step::PressYes, State::Running, stop, {confirm}},
          {Step::Close, State::Running, stop, {}, false},
          {Step::EndRun, State::EndedAbnormally, stop, {failed}}},
         true},
        {"closing with nothing running goes at once", {{Step::Close, State::Idle, start, {}, true}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempFolder folder;
        RecordingPrompter prompter;
        FakeClock clock;
        PlainInvoiceList list;
        HeldRun held;
        BatchRunController run(prompter, clock, std::make_unique<NoStopKey>(), list, nullptr,
                               {folder.file(QStringLiteral("SysData.mdb")), QString(), QString(),
                                [&held](LocalStore&) -> std::unique_ptr<IssuingSteps> {
                                    held.released.wait();
                                    throw std::runtime_error("开票软件不可用");
                                }});
        bool closeNow = false;
        QObject::connect(&run, &BatchRunController::closeNow, [&closeNow] { closeNow = true; });
        QStringList captions;
        QObject::connect(&run, &BatchRunController::captionChanged, [&captions](const QString& c) { captions << c; });
        qsizetype boxes = 0;
        for (const Expect& e : c.steps) {
            switch (e.step) {
            case Step::PressYes:
            case Step::PressNo:
                prompter.queueAnswer(e.step == Step::PressYes ? ButtonCode::Yes : ButtonCode::No);
                [[fallthrough]];
            case Step::Press:
                run.press();
                break;
            case Step::EndRun: {
                EXPECT_TRUE(test::awaitSignal(run, &BatchRunController::runEnded, [&] { held.let(); }));
                EXPECT_FALSE(run.awaitingEnd());
                EXPECT_FALSE(run.threadActive());
                break;
            }
            case Step::Close:
                EXPECT_EQ(run.requestClose(), e.closeAnswer);
                break;
            }
            EXPECT_EQ(run.state(), e.state);
            EXPECT_EQ(run.caption(), e.caption);
            if (!captions.isEmpty())
                EXPECT_EQ(captions.last(), e.caption); // the button is told of every change
            EXPECT_EQ(prompter.texts().mid(boxes), e.newBoxes);
            boxes = prompter.texts().size();
        }
        EXPECT_EQ(closeNow, c.closesAfterEnd);
        held.let();
        if (run.threadActive()) // a case that left its run working: let it end before the next
            test::awaitSignal(run, &BatchRunController::runEnded);
    }
}
