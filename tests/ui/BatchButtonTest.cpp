#include "app/Clock.h"
#include "doubles/NoStopKey.h"
#include "doubles/RecordingPrompter.h"
#include "invoicing/InvoicingProgramSteps.h"
#include "issuing/BatchRunController.h"
#include "session/AppSession.h"
#include "store/LocalStore.h"
#include "support/IssuingRig.h"
#include "ui/InvoiceListModel.h"
#include "ui/TMainFrm.h"

#include <QCoreApplication>
#include <QDateTimeEdit>
#include <QElapsedTimer>
#include <QFile>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QTableView>
#include <QThread>
#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>
#include <stdexcept>

using namespace corvina;
using namespace corvina::test;

namespace {

const QString Start = QStringLiteral("发票连开(&S)");
const QString Stop = QStringLiteral("停止(&P)");

// Keeps the events flowing (the batch thread reaches the list and the button through the UI
// thread) until the condition holds; false when it did not within the bound.
bool waitUntil(const std::function<bool()>& condition, int boundMs = 30000)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > boundMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
    return true;
}

// Holds the batch thread inside an invoice (its "保存" press) until the test lets it go.
class Gate {
public:
    void holdHere()
    {
        std::unique_lock lock(m_mutex);
        m_held = true;
        m_changed.notify_all();
        m_changed.wait_for(lock, std::chrono::seconds(60), [this] { return m_released; });
    }
    bool held()
    {
        std::lock_guard lock(m_mutex);
        return m_held;
    }
    void release()
    {
        std::lock_guard lock(m_mutex);
        m_released = true;
        m_changed.notify_all();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_held = false;
    bool m_released = false;
};

// The main window over a stand-in folder, its run driven through the real steps on the scripted
// windows of the invoicing program.
struct WindowRig {
    IssuingRig rig;
    RecordingPrompter prompter;
    FakeClock clock{QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9))};
    IssuingState state;
    ScriptedInvoicingProgram program;
    Gate gate;
    bool stepsThrow = false;
    std::unique_ptr<AppSession> session;
    std::unique_ptr<TMainFrm> window;

    explicit WindowRig(ScriptedInvoicingProgram::Options options = {}, int holdAtSave = 0) : program(rig, options)
    {
        rig.addDocuments({QStringLiteral("D1"), QStringLiteral("D2"), QStringLiteral("D3")});
        // The run's steps work on the scripted windows; a case may make them fail outright.
        session = std::make_unique<AppSession>(AppOptions{rig.appFolder(), {}}, prompter, clock,
                                               [this](LocalStore& store) -> std::unique_ptr<IssuingSteps> {
                                                   if (stepsThrow)
                                                       throw std::runtime_error("磁盘已满");
                                                   return std::make_unique<InvoicingProgramSteps>(
                                                       window->settings(), store, state, program.windows, program.clock,
                                                       prompter);
                                               });
        window = std::make_unique<TMainFrm>(*session, std::make_unique<NoStopKey>());
        if (holdAtSave > 0)
            program.afterSave = [this, holdAtSave](int save) {
                if (save == holdAtSave)
                    gate.holdHere();
            };
        window->wwDBDateTimePicker1->setDateTime(QDateTime(QDate(2024, 1, 1), QTime(0, 0)));
        window->wwDBDateTimePicker2->setDateTime(QDateTime(QDate(2024, 12, 31), QTime(23, 59)));
        window->BitBtn1Click();
        for (int r = 0; r < window->invoiceList().rowCount(); ++r)
            window->invoiceList().setChecked(r, true);
        window->show();
        prompter.clear();
    }
    ~WindowRig()
    {
        gate.release();
        waitUntil([this] { return !run().threadActive(); });
    }

    BatchRunController& run() const { return window->batchRun(); }
    QString caption() const { return window->BitBtn4->text(); }
    bool runEnded() const { return !run().threadActive(); }
    int issuedRows() const
    {
        int n = 0;
        for (int r = 0; r < window->invoiceList().rowCount(); ++r)
            n += window->invoiceList().text(r, ColState) == QStringLiteral("已开票");
        return n;
    }
};

} // namespace

TEST(BatchButton, StartAnsweredNoChangesNothing)
{
    WindowRig w;
    ASSERT_TRUE(w.rig.ready()) << w.rig.error().toStdString();
    w.prompter.queueAnswer(ButtonCode::No);
    w.window->BitBtn4Click();
    EXPECT_EQ(w.prompter.texts(),
              QStringList{QStringLiteral("请确定打印机已经设置好，您是否确定要开始自动填开发票？")});
    EXPECT_EQ(w.prompter.shown().first().kind, MessageBoxKind::YesNo);
    EXPECT_EQ(w.caption(), Start);
    EXPECT_FALSE(w.run().threadActive());
    EXPECT_FALSE(w.run().BatchRunning.load());
    QCoreApplication::processEvents();
    EXPECT_EQ(w.program.saves, 0);
    EXPECT_EQ(w.issuedRows(), 0);
}

TEST(BatchButton, RunIssuesEveryTickedRowAndRestoresTheCaption)
{
    WindowRig w;
    ASSERT_TRUE(w.rig.ready()) << w.rig.error().toStdString();
    w.window->BitBtn4Click();
    // The press returns at once with the stop caption; the run works on its own thread.
    EXPECT_EQ(w.caption(), Stop);
    EXPECT_TRUE(w.run().BatchRunning.load());
    ASSERT_TRUE(waitUntil([&] { return w.runEnded() && w.caption() == Start; }));
    EXPECT_EQ(w.prompter.texts(),
              QStringList{QStringLiteral("请确定打印机已经设置好，您是否确定要开始自动填开发票？")});
    EXPECT_EQ(w.issuedRows(), 3);
    for (int r = 0; r < 3; ++r) {
        EXPECT_FALSE(w.window->invoiceList().isChecked(r));
        EXPECT_EQ(w.window->invoiceList().text(r, ColInvNumber),
                  QStringLiteral("%1").arg(r + 1, 8, 10, QLatin1Char('0')));
        EXPECT_EQ(w.rig.stored(QStringLiteral("D%1").arg(r + 1)).fok, QStringLiteral("1"));
    }
    EXPECT_EQ(w.rig.issued().size(), 3);
}

TEST(BatchButton, AfterAnAbnormalEndOnePressOnlyRestoresTheStartCaption)
{
    ScriptedInvoicingProgram::Options noClose;
    noClose.closeButton = false;
    WindowRig w(noClose);
    ASSERT_TRUE(w.rig.ready()) << w.rig.error().toStdString();
    w.window->BitBtn4Click();
    ASSERT_TRUE(waitUntil([&] { return w.runEnded(); }));
    QCoreApplication::processEvents();
    EXPECT_EQ(w.caption(), Stop);
    EXPECT_EQ(w.program.saves, 0);

    const QString missing =
        QStringLiteral("开票窗口中没有“%1”按钮，没有按任何按钮，连开已停止。").arg(QStringLiteral("关闭"));
    w.window->BitBtn4Click(); // a stop press: no question
    EXPECT_EQ(w.caption(), Start);
    EXPECT_EQ(w.run().state(), BatchRunController::State::Idle);
    EXPECT_FALSE(w.run().BatchRunning.load());
    EXPECT_EQ(w.prompter.texts(),
              (QStringList{QStringLiteral("请确定打印机已经设置好，您是否确定要开始自动填开发票？"), missing}));

    w.prompter.queueAnswer(ButtonCode::No);
    w.window->BitBtn4Click(); // the next one asks again
    EXPECT_EQ(w.prompter.texts(),
              (QStringList{QStringLiteral("请确定打印机已经设置好，您是否确定要开始自动填开发票？"), missing,
                           QStringLiteral("请确定打印机已经设置好，您是否确定要开始自动填开发票？")}));
    EXPECT_EQ(w.caption(), Start);
}

// The ends that used to leave the clerk looking at "停止(&P)" with nothing said now say why; the
// end and the caption stay as they were.
TEST(BatchButton, EveryAbnormalEndShowsWhy)
{
    struct Case {
        const char* name;
        bool closeButton;
        bool controlFile;
        bool stepsThrow;
        QString box;
    };
    const Case cases[] = {
        {"control file missing", true, false, false, QStringLiteral("CONTROL")},
        {"a required dialog button missing", false, true, false,
         QStringLiteral("开票窗口中没有“%1”按钮，没有按任何按钮，连开已停止。").arg(QStringLiteral("关闭"))},
        {"unexpected failure on the batch thread", true, true, true,
         QStringLiteral("连开因意外错误而停止：%1").arg(QStringLiteral("磁盘已满"))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedInvoicingProgram::Options options;
        options.closeButton = c.closeButton;
        WindowRig w(options);
        ASSERT_TRUE(w.rig.ready()) << w.rig.error().toStdString();
        const QString control = w.rig.configFile(QStringLiteral("invoice.xml"));
        if (!c.controlFile) {
            ASSERT_TRUE(QFile::remove(control));
        }
        w.stepsThrow = c.stepsThrow;
        w.window->BitBtn4Click();
        ASSERT_TRUE(waitUntil([&] { return w.runEnded() && !w.run().awaitingEnd(); }));
        const QString box = c.box == QLatin1String("CONTROL")
                                ? QStringLiteral("找不到开票软件的控制文件 %1，连开已停止。")
                                      .arg(QString(control).replace(QLatin1Char('/'), QLatin1Char('\\')))
                                : c.box;
        EXPECT_EQ(w.prompter.texts(),
                  (QStringList{QStringLiteral("请确定打印机已经设置好，您是否确定要开始自动填开发票？"), box}));
        EXPECT_EQ(w.prompter.shown().last().kind, MessageBoxKind::Error);
        EXPECT_EQ(w.caption(), Stop);
        EXPECT_EQ(w.run().state(), BatchRunController::State::EndedAbnormally);
        EXPECT_EQ(w.run().lastEnd(), BatchEnd::Abnormal);
        EXPECT_EQ(w.program.saves, 0);
        EXPECT_EQ(w.issuedRows(), 0);
    }
}

// While the first invoice is in hand: the actions that rebuild or rewrite the list are refused,
// the stop is taken at the next pending row, and a new start is refused until the thread is done.
TEST(BatchButton, DuringARun)
{
    enum class StopBy { Button, Key };
    for (const StopBy stopBy : {StopBy::Button, StopBy::Key}) {
        SCOPED_TRACE(stopBy == StopBy::Button ? "stop button" : "stop key");
        WindowRig w({}, 1);
        ASSERT_TRUE(w.rig.ready()) << w.rig.error().toStdString();
        w.window->BitBtn4Click();
        ASSERT_TRUE(waitUntil([&] { return w.gate.held(); }));
        w.prompter.clear();

        struct Refused {
            const char* name;
            std::function<void()> act;
        };
        const Refused refused[] = {
            {"query", [&] { w.window->BitBtn1Click(); }},
            {"import", [&] { w.window->BitBtn2Click(); }},
            {"delete", [&] { w.window->BitBtn3Click(); }},
            {"edit",
             [&] {
                 w.window->invoiceView()->selectRow(1);
                 w.window->lv_FpxcDblClick();
             }},
        };
        for (const Refused& r : refused) {
            SCOPED_TRACE(r.name);
            r.act();
            EXPECT_EQ(w.prompter.texts(),
                      QStringList{QStringLiteral("正在连续开票，请先停止开票（或等待开票结束）再进行此操作。")});
            EXPECT_EQ(w.prompter.shown().first().kind, MessageBoxKind::Info);
            EXPECT_EQ(w.window->invoiceList().rowCount(), 3);
            EXPECT_TRUE(w.window->invoiceList().isChecked(2));
            w.prompter.clear();
        }

        if (stopBy == StopBy::Button) {
            w.window->BitBtn4Click();
            EXPECT_EQ(w.caption(), Start);
            EXPECT_FALSE(w.run().BatchRunning.load());
            // A start while the stopped run still finishes its invoice is refused, without the question.
            w.window->BitBtn4Click();
            EXPECT_EQ(w.prompter.texts(), QStringList{QStringLiteral("上一次连开还在结束当前发票，请稍候再开始。")});
            EXPECT_EQ(w.caption(), Start);
        } else {
            w.run().BatchRunning.store(false); // what F10 does
            QCoreApplication::processEvents();
            EXPECT_EQ(w.caption(), Stop);
        }

        w.gate.release();
        ASSERT_TRUE(waitUntil([&] { return w.runEnded() && w.caption() == Start; }));
        // The invoice in hand was finished and recorded; nothing after it.
        EXPECT_EQ(w.rig.issued().size(), 1);
        EXPECT_EQ(w.issuedRows(), 1);
        EXPECT_EQ(w.rig.stored(QStringLiteral("D1")).fok, QStringLiteral("1"));
        EXPECT_EQ(w.rig.stored(QStringLiteral("D2")).fok, QStringLiteral("0"));
        EXPECT_TRUE(w.window->invoiceList().isChecked(1));

        // Afterwards the query works again.
        w.prompter.clear();
        w.window->BitBtn1Click();
        EXPECT_EQ(w.prompter.texts(), QStringList());
        EXPECT_EQ(w.window->invoiceList().rowCount(), 2);
    }
}

TEST(BatchButton, ClosingDuringARunWaitsForTheInvoiceInHand)
{
    WindowRig w({}, 2);
    ASSERT_TRUE(w.rig.ready()) << w.rig.error().toStdString();
    w.window->BitBtn4Click();
    ASSERT_TRUE(waitUntil([&] { return w.gate.held(); }));

    EXPECT_FALSE(w.window->close());
    EXPECT_TRUE(w.window->isVisible());
    EXPECT_FALSE(w.run().BatchRunning.load());

    w.gate.release();
    ASSERT_TRUE(waitUntil([&] { return !w.window->isVisible(); }));
    EXPECT_TRUE(w.runEnded());
    EXPECT_EQ(w.rig.issued().size(), 2);
    EXPECT_EQ(w.rig.stored(QStringLiteral("D2")).fok, QStringLiteral("1"));
    EXPECT_EQ(w.rig.stored(QStringLiteral("D3")).fok, QStringLiteral("0"));
}

// A run that ends before the window has seen its end: the next run started at once must not be
// taken for the finished one when that end is finally handled.
TEST(BatchButton, EndOfOneRunHandledAfterTheNextStartedLeavesTheNextAlone)
{
    WindowRig w({}, 1);
    ASSERT_TRUE(w.rig.ready()) << w.rig.error().toStdString();
    const QString control = w.rig.configFile(QStringLiteral("invoice.xml"));
    ASSERT_TRUE(QFile::rename(control, control + QStringLiteral(".away")));

    // Without its control file the first run ends at once, never reaching the UI thread.
    w.window->BitBtn4Click();
    QElapsedTimer timer;
    timer.start();
    while (w.run().threadActive() && timer.elapsed() < 30000)
        QThread::msleep(2);
    ASSERT_FALSE(w.run().threadActive());
    EXPECT_EQ(w.caption(), Stop); // an abnormal end keeps the stop caption
    w.window->BitBtn4Click();     // stop press
    ASSERT_EQ(w.caption(), Start);

    ASSERT_TRUE(QFile::rename(control + QStringLiteral(".away"), control));
    w.window->BitBtn4Click(); // the second run, while the first one's end is still queued
    ASSERT_EQ(w.prompter.texts().size(), 3);
    EXPECT_EQ(w.prompter.texts()[0], QStringLiteral("请确定打印机已经设置好，您是否确定要开始自动填开发票？"));
    EXPECT_TRUE(w.prompter.texts()[1].contains(QStringLiteral("invoice.xml"))) << w.prompter.texts()[1].toStdString();
    EXPECT_EQ(w.prompter.texts()[2], QStringLiteral("请确定打印机已经设置好，您是否确定要开始自动填开发票？"));
    ASSERT_TRUE(waitUntil([&] { return w.gate.held(); }));
    EXPECT_TRUE(w.run().threadActive());
    w.gate.release();
    ASSERT_TRUE(waitUntil([&] { return w.runEnded() && w.caption() == Start; }));
    EXPECT_EQ(w.rig.issued().size(), 3);
    EXPECT_EQ(w.issuedRows(), 3);
}
