#include "E2eRig.h"

#include "app/Clock.h"
#include "doubles/RecordingPrompter.h"
#include "issuing/BatchRunController.h"
#include "session/AppSession.h"
#include "ui/InvoiceListModel.h"
#include "ui/TMainFrm.h"

#include "platform/StopKey.h"

#include <QDateTimeEdit>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QPushButton>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <optional>
#include <thread>

#include "platform/x11/X11WindowServices.h"
// Last: Xlib defines macros such as None and Bool.
#include <X11/Xlib.h>

using namespace corvina;
using namespace corvina::test;

namespace {

const QString Code = QStringLiteral("3100071140");
// The start question, answered by --yes.
const QString Asked =
    QStringLiteral("[提示] ") + QStringLiteral("请确定打印机已经设置好，您是否确定要开始自动填开发票？");

QString number(int n)
{
    return QStringLiteral("%1").arg(n, 8, 10, QLatin1Char('0'));
}

QStringList documents(int count)
{
    QStringList ids;
    for (int i = 1; i <= count; ++i)
        ids << QStringLiteral("XS2024%1").arg(i, 4, 10, QLatin1Char('0'));
    return ids;
}

QStringList outputLines(const QString& out)
{
    return out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// Closes the stand-in's error box as the clerk would, a moment after it opens: a press that opened
// it waits until it is closed, as on Windows.
class ClerkClosesBoxes {
public:
    ClerkClosesBoxes() : m_thread([this] { run(); }) {}
    ~ClerkClosesBoxes()
    {
        m_stop = true;
        m_thread.join();
    }
    int closed() const { return m_closed; }

private:
    void run()
    {
        const std::string name = e2eDisplay().toStdString();
        X11WindowServices windows(name);
        Display* display = XOpenDisplay(name.c_str());
        if (!display)
            return;
        const std::string title = "eTax@SH 电脑开票";
        const WindowHandle main = windows.findTopLevel(std::nullopt, title);
        while (!m_stop) {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            const WindowHandle box = windows.findTopLevel(std::nullopt, title); // the topmost of that title
            if (box == NoWindow || box == main)
                continue;
            std::this_thread::sleep_for(std::chrono::milliseconds(800)); // read
            XEvent close{};
            close.xclient.type = ClientMessage;
            close.xclient.window = box;
            close.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
            close.xclient.format = 32;
            close.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
            close.xclient.data.l[1] = CurrentTime;
            XSendEvent(display, box, False, NoEventMask, &close);
            XFlush(display);
            ++m_closed;
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
        }
        XCloseDisplay(display);
    }

    std::atomic<bool> m_stop{false};
    std::atomic<int> m_closed{0};
    std::thread m_thread;
};

bool pressKey(const QString& key)
{
    QProcess xdotool;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), e2eDisplay());
    xdotool.setProcessEnvironment(env);
    xdotool.start(QStringLiteral("xdotool"), {QStringLiteral("key"), key});
    return xdotool.waitForFinished(10000) && xdotool.exitCode() == 0;
}

} // namespace

TEST(IssueRoad, ThreeDocumentsIssuedThroughTheInvoicingProgram)
{
    ASSERT_FALSE(e2eDisplay().isEmpty()) << "no private X server";
    IssuingRig rig;
    ASSERT_TRUE(rig.ready()) << rig.error().toStdString();
    const QStringList ids = documents(3);
    QString error;
    ASSERT_TRUE(importSampleWorkbook(rig, ids.size(), &error)) << error.toStdString();
    const auto standin = startStandin(rig);
    ASSERT_TRUE(standin);

    const ProcessResult r = runIssue(rig);
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(outputLines(r.err), QStringList{Asked});
    QStringList expected;
    for (int i = 0; i < 3; ++i)
        expected << ids[i] + QLatin1Char('\t') + Code + QLatin1Char('\t') + number(i + 1);
    EXPECT_EQ(outputLines(r.out), expected);

    const QList<QStringList> issued = rig.issued();
    ASSERT_EQ(issued.size(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(issued[i][0], Code);
        EXPECT_EQ(issued[i][1], number(i + 1)); // consecutive numbers of the enabled book
        EXPECT_EQ(issued[i][2], sampleCustomer(i + 1));
    }
    expectStoreMatchesIssued(rig, ids);

    // The request files left in Config are those of the last invoice.
    QFile control(rig.configFile(QStringLiteral("invoice.xml")));
    ASSERT_TRUE(control.open(QIODevice::ReadOnly));
    EXPECT_TRUE(control.readAll().contains(number(3).toUtf8()));
    QFile data(rig.configFile(QStringLiteral("invoicedata_6.xml")));
    ASSERT_TRUE(data.open(QIODevice::ReadOnly));
    const QByteArray request = data.readAll();
    EXPECT_TRUE(request.contains(sampleCustomer(3).toUtf8())) << request.constData();
    EXPECT_FALSE(request.contains(sampleCustomer(2).toUtf8()));
    // The third document's three line items, from the workbook to the request.
    for (const char* item : {"不锈钢保温杯 500ml", "竹制砧板 30x20cm", "LED台灯 USB供电"})
        EXPECT_TRUE(request.contains(item)) << item;
    EXPECT_FALSE(request.contains("全棉针织T恤 M码"));

    // A second run finds nothing pending and changes nothing.
    const ProcessResult again = runIssue(rig);
    EXPECT_EQ(again.status, 0) << again.err.toStdString();
    EXPECT_EQ(again.out, QString());
    EXPECT_EQ(rig.issued().size(), 3);
}

TEST(IssueRoad, F10EndsTheRunAfterTheInvoiceInHand)
{
    ASSERT_FALSE(e2eDisplay().isEmpty()) << "no private X server";
    IssuingRig rig;
    ASSERT_TRUE(rig.ready()) << rig.error().toStdString();
    const QStringList ids = documents(5);
    QString error;
    ASSERT_TRUE(importSampleWorkbook(rig, ids.size(), &error)) << error.toStdString();
    // Slow steps, so that F10 comes while the run still has invoices ahead of it.
    const auto standin = startStandin(rig, {QStringLiteral("--step-delay"), QStringLiteral("400")});
    ASSERT_TRUE(standin);

    DesktopProgram corvina(QStringLiteral("corvina"), {QStringLiteral("issue"), QStringLiteral("--yes"),
                                                       QStringLiteral("--app-folder"), rig.appFolder()});
    ASSERT_TRUE(corvina.started());
    ASSERT_TRUE(waitFor([&] { return !corvina.out().isEmpty(); }, 60000)) << corvina.err().toStdString();
    ASSERT_TRUE(pressKey(QStringLiteral("F10")));
    const int status = corvina.finish(120000);

    EXPECT_EQ(status, 1) << corvina.err().toStdString();
    const QList<QStringList> issued = rig.issued();
    EXPECT_GE(issued.size(), 1);
    EXPECT_LT(issued.size(), 5);
    EXPECT_EQ(outputLines(corvina.out()).size(), issued.size());
    expectStoreMatchesIssued(rig, ids);
}

// Runs that end on the invoicing program's state: the message, the status, nothing issued.
TEST(IssueRoad, InvoicingProgramNotUsable)
{
    ASSERT_FALSE(e2eDisplay().isEmpty()) << "no private X server";
    struct Case {
        const char* name;
        bool standinRunning;
        QStringList windowOptions;
        QString message;
    };
    const Case cases[] = {
        {"not running", false, {}, QStringLiteral("[提示] 请先启动票系统！")},
        // A real wait of 180 polls of 200 ms.
        {"dialog never accepts input",
         true,
         {QStringLiteral("--dialog-disabled")},
         QStringLiteral("[提示] 开票速度太慢，请重新启动系统!")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        IssuingRig rig;
        ASSERT_TRUE(rig.ready()) << rig.error().toStdString();
        const QStringList ids = documents(2);
        QString error;
        ASSERT_TRUE(importSampleWorkbook(rig, ids.size(), &error)) << error.toStdString();
        std::unique_ptr<DesktopProgram> standin;
        if (c.standinRunning) {
            standin = startStandin(rig, c.windowOptions);
            ASSERT_TRUE(standin);
        }
        const ProcessResult r = runIssue(rig);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(outputLines(r.err), (QStringList{Asked, c.message}));
        EXPECT_EQ(r.out, QString());
        EXPECT_EQ(rig.issued().size(), 0);
        expectStoreMatchesIssued(rig, ids);
    }
}

// An invoicing program that shows the number used only a while after 保存 is waited for.
TEST(IssueRoad, BookThatMovesOnLateIsWaitedFor)
{
    ASSERT_FALSE(e2eDisplay().isEmpty()) << "no private X server";
    IssuingRig rig;
    ASSERT_TRUE(rig.ready()) << rig.error().toStdString();
    const QStringList ids = documents(2);
    QString error;
    ASSERT_TRUE(importSampleWorkbook(rig, ids.size(), &error)) << error.toStdString();
    const auto standin = startStandin(rig, {QStringLiteral("--advance-after"), QStringLiteral("2500")});
    ASSERT_TRUE(standin);
    const ProcessResult r = runIssue(rig);
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(outputLines(r.out), (QStringList{ids[0] + QLatin1Char('\t') + Code + QLatin1Char('\t') + number(1),
                                               ids[1] + QLatin1Char('\t') + Code + QLatin1Char('\t') + number(2)}));
    expectStoreMatchesIssued(rig, ids);
}

// Runs that end on a message of their own, printed, exit 1: what the invoicing program did is
// recorded exactly, and what it did not confirm stays open in the journal.
TEST(IssueRoad, RunsThatStopOnTheirMessage)
{
    ASSERT_FALSE(e2eDisplay().isEmpty()) << "no private X server";
    struct Case {
        const char* name;
        QStringList windowOptions;
        QString message;
        int issuedByStandin;
        int recorded;
        QStringList openAttempts;
        bool errorBox = false; // the clerk closes it: the run waits for that
    };
    const QStringList ids = documents(3);
    const Case cases[] = {
        {"the dialog has no 关闭",
         {QStringLiteral("--omit-button"), QStringLiteral("关闭")},
         QStringLiteral("[错误] ") +
             QStringLiteral("开票窗口中没有“%1”按钮，没有按任何按钮，连开已停止。").arg(QStringLiteral("关闭")),
         0,
         0,
         {}},
        // A real wait of about ten seconds for the book.
        {"the second request refused, its error box closed by the clerk",
         {QStringLiteral("--refuse-request"), QStringLiteral("2")},
         QStringLiteral("[错误] ") + QStringLiteral("开票软件没有确认已开具这张发票，本系统没有记录它，连开已停止。\n"
                                                    "销售单据号：%1\n发票代码：%2\n发票号码：%3\n"
                                                    "请先在开票软件中核对这张发票是否已开具，再继续开票。")
                                         .arg(ids[1], Code, number(2)),
         1,
         1,
         {ids[1]},
         true},
        {"issued, but the book's number held",
         {QStringLiteral("--hold-number")},
         QStringLiteral("[错误] ") + QStringLiteral("开票软件没有确认已开具这张发票，本系统没有记录它，连开已停止。\n"
                                                    "销售单据号：%1\n发票代码：%2\n发票号码：%3\n"
                                                    "请先在开票软件中核对这张发票是否已开具，再继续开票。")
                                         .arg(ids[0], Code, number(1)),
         1,
         0,
         {ids[0]}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        IssuingRig rig;
        ASSERT_TRUE(rig.ready()) << rig.error().toStdString();
        QString error;
        ASSERT_TRUE(importSampleWorkbook(rig, ids.size(), &error)) << error.toStdString();
        const auto standin = startStandin(rig, c.windowOptions);
        ASSERT_TRUE(standin);
        std::optional<ClerkClosesBoxes> clerk;
        if (c.errorBox)
            clerk.emplace();
        const ProcessResult r = runIssue(rig);
        if (c.errorBox) {
            EXPECT_EQ(clerk->closed(), 1);
        }
        clerk.reset();
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(outputLines(r.err).join(QLatin1Char('\n')), Asked + QLatin1Char('\n') + c.message);
        EXPECT_EQ(outputLines(r.out).size(), c.recorded);
        EXPECT_EQ(rig.issued().size(), c.issuedByStandin);
        int recorded = 0;
        for (const QString& id : ids)
            recorded += rig.stored(id).fok == QLatin1String("1");
        EXPECT_EQ(recorded, c.recorded);
        QStringList open;
        for (const QStringList& row :
             sqliteRows(rig.storePath(), QStringLiteral("select FCustOrderId from "
                                                        "issueJournal where FClosedAt is null")))
            open << row[0];
        EXPECT_EQ(open, c.openAttempts);
    }
}

// F10 on the desktop reaches the window's stop key: the caption stays "停止(&P)" until the run
// reaches its next pending row, and the invoice in hand is finished.
TEST(IssueRoad, F10StopsTheWindowsRun)
{
    ASSERT_FALSE(e2eDisplay().isEmpty()) << "no private X server";
    IssuingRig rig;
    ASSERT_TRUE(rig.ready()) << rig.error().toStdString();
    const QStringList ids = documents(5);
    QString error;
    ASSERT_TRUE(importSampleWorkbook(rig, ids.size(), &error)) << error.toStdString();
    const auto standin = startStandin(rig, {QStringLiteral("--step-delay"), QStringLiteral("400")});
    ASSERT_TRUE(standin);

    RecordingPrompter prompter;
    SystemClock clock;
    AppSession session({rig.appFolder(), {}}, prompter, clock);
    TMainFrm window(session);
    window.show();
    window.wwDBDateTimePicker1->setDateTime(QDateTime(QDate(2024, 1, 1), QTime(0, 0)));
    window.BitBtn1Click();
    ASSERT_EQ(window.invoiceList().rowCount(), 5);
    for (int r = 0; r < 5; ++r)
        window.invoiceList().setChecked(r, true);
    ASSERT_EQ(prompter.texts(), QStringList()) << "the stop key could not be registered";

    window.BitBtn4Click();
    ASSERT_TRUE(waitFor([&] { return window.invoiceList().text(0, ColState) == QStringLiteral("已开票"); }, 60000));
    ASSERT_TRUE(pressKey(QStringLiteral("F10")));
    ASSERT_TRUE(waitFor([&] { return !window.batchRun().BatchRunning.load(); }, 10000));
    ASSERT_TRUE(waitFor(
        [&] { return !window.batchRun().threadActive() && window.BitBtn4->text() == QStringLiteral("发票连开(&S)"); },
        60000));

    EXPECT_EQ(prompter.texts(), QStringList{QStringLiteral("请确定打印机已经设置好，您是否确定要开始自动填开发票？")});
    const QList<QStringList> issued = rig.issued();
    EXPECT_GE(issued.size(), 1);
    EXPECT_LT(issued.size(), 5);
    expectStoreMatchesIssued(rig, ids);
    for (int r = 0; r < 5; ++r) {
        const bool done = r < issued.size();
        EXPECT_EQ(window.invoiceList().isChecked(r), !done) << r;
        EXPECT_EQ(window.invoiceList().text(r, ColState), done ? QStringLiteral("已开票") : QStringLiteral("未开票"))
            << r;
    }
}
