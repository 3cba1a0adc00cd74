#include "issuing/BatchRun.h"

#include "app/Settings.h"
#include "doubles/RecordingPrompter.h"
#include "invoices/InvoiceBrowser.h"
#include "invoices/InvoiceList.h"
#include "invoices/InvoiceQuery.h"
#include "invoicing/InvoicingProgramSteps.h"
#include "invoicing/IssueConfirmation.h"
#include "store/IssueJournal.h"
#include "store/LocalStore.h"
#include "support/IssuingRig.h"

#include <QFile>
#include <functional>
#include <gtest/gtest.h>

using namespace corvina;
using namespace corvina::test;

namespace {

const QString Code = QStringLiteral("3100071140");
const QString ThisStation = QStringLiteral("本站");
const QString OtherStation = QStringLiteral("二号开票站");
const QString NotRunning = QStringLiteral("请先启动票系统！");
const QString TooSlow = QStringLiteral("开票速度太慢，请重新启动系统!");
const QString UsedUp = QStringLiteral("发票已经用完，请启用其他发票薄!");
constexpr int ConfirmPolls = IssueConfirmation::ConfirmPolls;

QString number(int n)
{
    return QStringLiteral("%1").arg(n, 8, 10, QLatin1Char('0'));
}

QString notConfirmed(const char* id, int n)
{
    return QStringLiteral("开票软件没有确认已开具这张发票，本系统没有记录它，连开已停止。\n"
                          "销售单据号：%1\n发票代码：%2\n发票号码：%3\n"
                          "请先在开票软件中核对这张发票是否已开具，再继续开票。")
        .arg(QLatin1String(id), Code, number(n));
}

QString attemptOpen(const char* id, int n)
{
    return QStringLiteral(
               "销售单据 %1 上次开票没有完成，尚未核对，连开已停止。\n发票代码：%2\n发票号码：%3\n"
               "请在开票软件中核对这张发票是否已开具，然后在“发票修改”中记录结果：已开具的记为“已开票”并填写发票代码"
               "和发票号码，没有开具的记为“未开票”。")
        .arg(QLatin1String(id), Code, number(n));
}

// A journal line as IssuingRig::journal() gives it.
QString attempt(const char* id, int n, const char* outcome, const char* open)
{
    return QStringLiteral("%1 %2 %3 %4 %5")
        .arg(QLatin1String(id), Code, number(n), QLatin1String(outcome), QLatin1String(open));
}

// Thrown from the invoicing program's windows to cut a run off where the tool would have died.
struct CutOff {};

// One batch run over the real steps: the stand-in's folder, database and intake, a real store, the
// invoicing program's windows scripted on the fake window services.
struct BatchRig {
    IssuingRig rig;
    RecordingPrompter prompter;
    PlainInvoiceList list;
    IssuingState state;
    std::atomic<bool> BatchRunning{true};
    int repaints = 0;
    QStringList issuedHook;
    QStringList passedOver; // texts of the rows passed over as another station's
    std::unique_ptr<ScriptedInvoicingProgram> program;
    std::unique_ptr<LocalStore> store;

    explicit BatchRig(const QStringList& documents, ScriptedInvoicingProgram::Options options = {},
                      const QStringList& initOptions = {})
        : rig(initOptions)
    {
        rig.addDocuments(documents);
        program = std::make_unique<ScriptedInvoicingProgram>(rig, options);
        store = std::make_unique<LocalStore>(rig.storeLocation(), prompter);
        store->open();
        query();
    }

    TimelineClock& clock() { return program->clock; }

    // The query lists every not yet issued document; all are ticked, as a clerk would.
    void query()
    {
        std::vector<InvoiceRow> rows =
            runInvoiceQuery(*store, QStringLiteral("0"), QDateTime(QDate(2024, 1, 1), QTime(0, 0)),
                            QDateTime(QDate(2024, 12, 31), QTime(23, 59)));
        for (InvoiceRow& row : rows)
            row.checked = true;
        list.replaceRows(std::move(rows));
    }

    BatchEnd run(InvoiceList* through = nullptr)
    {
        const AppSettings settings = AppSettings::load(rig.appFolder());
        InvoicingProgramSteps steps(settings, *store, state, program->windows, clock(), prompter);
        IssueJournal journal(*store, clock(), prompter, ThisStation);
        BatchRunHooks hooks;
        hooks.passedOver = [this](const QString&, const QString& text) { passedOver << text; };
        hooks.repaint = [this] { ++repaints; };
        hooks.issued = [this](const QString& id, const QString& code, const QString& number) {
            issuedHook << id + QLatin1Char('/') + code + QLatin1Char('/') + number;
        };
        BatchRunning.store(true);
        return RunBatchIssue(through ? *through : list, journal, prompter, BatchRunning, steps, hooks);
    }

    // The clerk's edit dialog on a stored document.
    bool settle(const QString& id, const QString& state, const QString& code = {}, const QString& number = {})
    {
        InvoiceBrowser browser(*store, prompter, clock());
        return browser.applyEdit(list, {-1, id, code, number, state}) == InvoiceBrowser::EditOutcome::Saved;
    }

    int row(const QString& orderId) const
    {
        for (int r = 0; r < list.rowCount(); ++r)
            if (list.text(r, ColOrderId) == orderId)
                return r;
        return -1;
    }
    bool rowUntouched(int r) const
    {
        return list.isChecked(r) && list.text(r, ColState) == QStringLiteral("未开票") &&
               list.text(r, ColInvCode).isEmpty() && list.text(r, ColInvNumber).isEmpty();
    }
    // Polls of the confirmation and pauses of the preparation, both on the tool's clock.
    qint64 slept() { return clock().sleptMilliseconds(); }
    // The stored state of each document: "1 code number" or "0".
    QStringList storedStates(const QStringList& ids) const
    {
        QStringList states;
        for (const QString& id : ids) {
            const StoredState s = rig.stored(id);
            states << (s.fok == QLatin1String("1") ? QStringList{s.fok, s.code, s.number}.join(QLatin1Char(' '))
                                                   : s.fok);
        }
        return states;
    }
};

// Counts how often the run reaches into the list: on the window every call is a round trip to the
// UI thread.
class CountingList : public InvoiceList {
public:
    explicit CountingList(InvoiceList& inner) : m_inner(inner) {}
    mutable int reads = 0;
    int writes = 0;
    int rowCount() const override { return ++reads, m_inner.rowCount(); }
    bool isChecked(int row) const override { return ++reads, m_inner.isChecked(row); }
    void setChecked(int row, bool checked) override { ++writes, m_inner.setChecked(row, checked); }
    QString text(int row, int column) const override { return ++reads, m_inner.text(row, column); }
    void setText(int row, int column, const QString& text) override { ++writes, m_inner.setText(row, column, text); }
    void replaceRows(std::vector<InvoiceRow> rows) override { m_inner.replaceRows(std::move(rows)); }
    int nextRowInState(int from, int end, const QString& state, InvoiceRow* snapshot) const override
    {
        ++reads;
        return m_inner.nextRowInState(from, end, state, snapshot);
    }

private:
    InvoiceList& m_inner;
};

// The clerk retires the enabled book and enables the second one, 3100071150.
void switchToTheSecondBook(BatchRig& b)
{
    b.rig.changeIssuingDatabase(QStringLiteral("update FPB_TZ set ZTID = case when FPDM = '3100071140' then 4 else 3 "
                                               "end where FPDM in ('3100071140', '3100071150')"));
}

const QStringList D123 = {QStringLiteral("D1"), QStringLiteral("D2"), QStringLiteral("D3")};

} // namespace

TEST(BatchRun, ThreePendingRowsAreIssuedConfirmedAndRecorded)
{
    BatchRig b(D123);
    ASSERT_TRUE(b.rig.ready()) << b.rig.error().toStdString();
    ASSERT_EQ(b.list.rowCount(), 3);
    CountingList counting(b.list);

    EXPECT_EQ(b.run(&counting), BatchEnd::Normal);

    EXPECT_EQ(b.prompter.texts(), QStringList());
    EXPECT_TRUE(b.BatchRunning.load());
    EXPECT_EQ(b.program->saves, 3);
    EXPECT_EQ(b.program->refusedSaves, 0);
    const QList<QStringList> issued = b.rig.issued();
    ASSERT_EQ(issued.size(), 3);
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(D123[i].toStdString());
        EXPECT_EQ(issued[i], (QStringList{Code, number(i + 1), QStringLiteral("客户%1 Trading Co.").arg(i + 1)}));
        const int r = b.row(D123[i]);
        EXPECT_FALSE(b.list.isChecked(r));
        EXPECT_EQ(b.list.text(r, ColInvCode), Code);
        EXPECT_EQ(b.list.text(r, ColInvNumber), number(i + 1));
        EXPECT_EQ(b.list.text(r, ColState), QStringLiteral("已开票"));
    }
    EXPECT_EQ(b.storedStates(D123),
              (QStringList{QStringLiteral("1 3100071140 00000001"), QStringLiteral("1 3100071140 00000002"),
                           QStringLiteral("1 3100071140 00000003")}));
    EXPECT_EQ(b.rig.journal(), (QStringList{attempt("D1", 1, "issued", "closed"), attempt("D2", 2, "issued", "closed"),
                                            attempt("D3", 3, "issued", "closed")}));
    EXPECT_EQ(b.issuedHook,
              (QStringList{QStringLiteral("D1/3100071140/00000001"), QStringLiteral("D2/3100071140/00000002"),
                           QStringLiteral("D3/3100071140/00000003")}));
    EXPECT_EQ(b.repaints, 3);
    // One dialog per invoice, each opened from the toolbar and pressed 保存, 打印, 关闭; the book had
    // moved on by the first look, so the confirmation waited only for its second, agreeing read.
    EXPECT_EQ(b.program->dialogsOpened, 3);
    EXPECT_EQ(b.program->windows.pressCount(b.program->toolbar), 3);
    EXPECT_EQ(b.program->windows.sleepCount(300), 9);
    EXPECT_EQ(b.slept(), 3 * (200 + 200));
    // The list is read once when the run starts and once for each invoice (the rows passed over and
    // the pending row's texts in one step); an issued row is written in four steps.
    EXPECT_EQ(counting.reads, 1 + 3);
    EXPECT_EQ(counting.writes, 3 * 4);
    // The request files on disk are those of the last invoice.
    QFile control(b.rig.configFile(QStringLiteral("invoice.xml")));
    ASSERT_TRUE(control.open(QIODevice::ReadOnly));
    const QByteArray xml = control.readAll();
    EXPECT_TRUE(xml.contains("00000003")) << xml.constData();
    EXPECT_FALSE(xml.contains("00000002"));
    QFile data(b.rig.configFile(QStringLiteral("invoicedata_6.xml")));
    ASSERT_TRUE(data.open(QIODevice::ReadOnly));
    EXPECT_TRUE(data.readAll().contains("客户3 Trading Co."));
}

// How each kind of end looks: the boxes shown, what was issued, the flag.
TEST(BatchRun, EndsAndWhatTheyLeave)
{
    using Options = ScriptedInvoicingProgram::Options;
    struct Box {
        QString text;
        MessageBoxKind kind;
    };
    struct Case {
        const char* name;
        QStringList documents;
        Options options;
        QStringList initOptions;
        BatchEnd end;
        std::vector<Box> boxes;
        int issued;
        int polls; // sleeps of one poll interval in the window automation
        bool runningAfter;
        qint64 slept; // on the tool's clock: the preparation's pause
    };
    const Case cases[] = {
        {"empty list", {}, {}, {}, BatchEnd::Normal, {}, 0, 0, true, 0},
        {"invoicing program not running: nothing prepared",
         {QStringLiteral("D1"), QStringLiteral("D2")},
         {false},
         {},
         BatchEnd::Normal,
         {{NotRunning, MessageBoxKind::Info}},
         0,
         0,
         false,
         0},
        {"control file missing: the run says so and keeps its stop caption",
         {QStringLiteral("D1")},
         {},
         {QStringLiteral("--no-control-file")},
         BatchEnd::Abnormal,
         {{QStringLiteral("CONTROL"), MessageBoxKind::Error}},
         0,
         0,
         true,
         0},
        {"dialog never accepts input",
         {QStringLiteral("D1"), QStringLiteral("D2")},
         {true, FakeWindowServices::Never},
         {},
         BatchEnd::Abnormal,
         {{TooSlow, MessageBoxKind::Info}},
         0,
         180,
         true,
         200},
        {"dialog accepts input at the last poll",
         {QStringLiteral("D1")},
         {true, 180 * 200},
         {},
         BatchEnd::Normal,
         {},
         1,
         180,
         true,
         200 + 200},
        {"dialog accepts input one moment too late",
         {QStringLiteral("D1")},
         {true, 180 * 200 + 1},
         {},
         BatchEnd::Abnormal,
         {{TooSlow, MessageBoxKind::Info}},
         0,
         180,
         true,
         200},
        {"dialog without 关闭: nothing pressed, the missing button named",
         {QStringLiteral("D1"), QStringLiteral("D2")},
         {true, 0, false},
         {},
         BatchEnd::Abnormal,
         {{QStringLiteral("开票窗口中没有“%1”按钮，没有按任何按钮，连开已停止。").arg(QStringLiteral("关闭")),
           MessageBoxKind::Error}},
         0,
         0,
         true,
         200},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BatchRig b(c.documents, c.options, c.initOptions);
        ASSERT_TRUE(b.rig.ready()) << b.rig.error().toStdString();
        EXPECT_EQ(b.run(), c.end);
        const auto shown = b.prompter.shown();
        ASSERT_EQ(shown.size(), c.boxes.size()) << b.prompter.texts().join(QLatin1Char('|')).toStdString();
        for (size_t i = 0; i < c.boxes.size(); ++i) {
            const QString expected = c.boxes[i].text == QLatin1String("CONTROL")
                                         ? QStringLiteral("找不到开票软件的控制文件 %1，连开已停止。")
                                               .arg(QString(b.rig.configFile(QStringLiteral("invoice.xml")))
                                                        .replace(QLatin1Char('/'), QLatin1Char('\\')))
                                         : c.boxes[i].text;
            EXPECT_EQ(shown[static_cast<int>(i)].text, expected);
            EXPECT_EQ(shown[static_cast<int>(i)].kind, c.boxes[i].kind);
        }
        EXPECT_EQ(b.rig.issued().size(), c.issued);
        EXPECT_EQ(b.program->saves, c.issued);
        EXPECT_EQ(b.program->windows.sleepCount(200), c.polls);
        EXPECT_EQ(b.BatchRunning.load(), c.runningAfter);
        EXPECT_EQ(b.slept(), c.slept);
        // Rows not issued are left exactly as they were, in the list, the store and the journal.
        for (int r = c.issued; r < b.list.rowCount(); ++r) {
            EXPECT_TRUE(b.rowUntouched(r));
            EXPECT_EQ(b.rig.stored(b.list.text(r, ColOrderId)).fok, QStringLiteral("0"));
        }
        EXPECT_EQ(b.rig.journal().size(), c.issued);
        if (c.options.running && !c.options.closeButton) {
            for (const auto& m : b.program->windows.messages())
                EXPECT_EQ(m.delivery, FakeWindowServices::Delivery::Posted) << "no dialog button may be pressed";
        }
    }
}

// What the invoicing program's book shows after the presses decides whether an invoice is recorded.
TEST(BatchRun, RecordedOnlyWhenTheBookShowsTheNumberUsed)
{
    using Options = ScriptedInvoicingProgram::Options;
    struct Case {
        const char* name;
        Options options;
        QStringList initOptions;
        std::function<void(BatchRig&)> script;
        QStringList boxes;
        QStringList issuedNumbers; // in the stand-in
        QStringList stored;        // D1, D2, D3
        QStringList journal;
        qint64 slept; // the preparations' pauses and the confirmation's polls (a second read confirms)
        bool runningAfter;
        QString bookAfter;
    };
    const QString z = QStringLiteral("0");
    const QString i1 = QStringLiteral("1 3100071140 00000001");
    const QString i2 = QStringLiteral("1 3100071140 00000002");
    const QString i3 = QStringLiteral("1 3100071140 00000003");
    const qint64 bound = ConfirmPolls * 200;
    const std::vector<Case> cases = {
        {"confirmed at once",
         {},
         {},
         {},
         {},
         {number(1), number(2), number(3)},
         {i1, i2, i3},
         {attempt("D1", 1, "issued", "closed"), attempt("D2", 2, "issued", "closed"),
          attempt("D3", 3, "issued", "closed")},
         3 * (200 + 200),
         true,
         Code + QStringLiteral(" 00000004")},
        {"the second request refused: not confirmed, nothing recorded, the run stops",
         {true, 0, true, {2}},
         {},
         {},
         {notConfirmed("D2", 2)},
         {number(1)},
         {i1, z, z},
         {attempt("D1", 1, "issued", "closed"), attempt("D2", 2, "unconfirmed", "open")},
         (200 + 200) + 200 + bound,
         false,
         Code + QStringLiteral(" 00000002")},
        {"issued but the book never moves on: not confirmed",
         {true, 0, true, {}, true},
         {},
         {},
         {notConfirmed("D1", 1)},
         {number(1)},
         {z, z, z},
         {attempt("D1", 1, "unconfirmed", "open")},
         200 + bound,
         false,
         Code + QStringLiteral(" 00000001")},
        {"the book moves on at the last poll: confirmed",
         {true, 0, true, {}, false, bound},
         {},
         {},
         {},
         {number(1), number(2), number(3)},
         {i1, i2, i3},
         {attempt("D1", 1, "issued", "closed"), attempt("D2", 2, "issued", "closed"),
          attempt("D3", 3, "issued", "closed")},
         3 * (200 + bound + 200),
         true,
         Code + QStringLiteral(" 00000004")},
        {"the book moves on a moment after the bound: not confirmed",
         {true, 0, true, {}, false, bound + 1},
         {},
         {},
         {notConfirmed("D1", 1)},
         {number(1)},
         {z, z, z},
         {attempt("D1", 1, "unconfirmed", "open")},
         200 + bound,
         false,
         Code + QStringLiteral(" 00000001")},
        {"the clerk enables another book after the first invoice: confirmed, the next goes on it",
         {},
         {},
         [](BatchRig& b) {
             b.program->afterSave = [&b](int save) {
                 if (save == 1)
                     switchToTheSecondBook(b);
             };
         },
         {},
         {number(1), number(1), number(2)},
         {i1, QStringLiteral("1 3100071150 00000001"), QStringLiteral("1 3100071150 00000002")},
         {attempt("D1", 1, "issued", "closed"), QStringLiteral("D2 3100071150 00000001 issued closed"),
          QStringLiteral("D3 3100071150 00000002 issued closed")},
         3 * (200 + 200),
         true,
         QStringLiteral("3100071150 00000003")},
        {"the book switched between the preparation and 保存: nothing pressed",
         {},
         {},
         [](BatchRig& b) {
             b.program->onDialog = [&b](int dialog) {
                 if (dialog == 2)
                     switchToTheSecondBook(b);
             };
         },
         {QStringLiteral("开票软件的发票薄在准备发票之后有变化，销售单据 %1 没有开票，连开已停止。\n"
                         "准备时：发票代码 %2，发票号码 %3\n现在：%4\n"
                         "请核对开票软件后再继续开票。")
              .arg(QStringLiteral("D2"), Code, number(2),
                   QStringLiteral("发票代码 %1，发票号码 %2").arg(QStringLiteral("3100071150"), number(1)))},
         {number(1)},
         {i1, z, z},
         {attempt("D1", 1, "issued", "closed")},
         (200 + 200) + 200,
         false,
         QStringLiteral("3100071150 00000001")},
        {"the last number of the book: confirmed, then the book is used up",
         {},
         {QStringLiteral("--last-number"), QStringLiteral("00000002")},
         {},
         {UsedUp},
         {number(1), number(2)},
         {i1, i2, z},
         {attempt("D1", 1, "issued", "closed"), attempt("D2", 2, "issued", "closed")},
         2 * (200 + 200) + 200,
         false,
         Code + QStringLiteral(" ")},
        {"no book enabled after the invoice: confirmed",
         {},
         {},
         [](BatchRig& b) {
             b.program->afterSave = [&b](int) {
                 b.rig.changeIssuingDatabase(QStringLiteral("update FPB_TZ set ZTID = 4 where ZTID = 3"));
             };
         },
         {QStringLiteral("没有发票薄被启用，请启用发票薄!")},
         {number(1)},
         {i1, z, z},
         {attempt("D1", 1, "issued", "closed")},
         (200 + 200) + 200,
         false,
         QString()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BatchRig b(D123, c.options, QStringList{QStringLiteral("--two-enabled-books")} + c.initOptions);
        ASSERT_TRUE(b.rig.ready()) << b.rig.error().toStdString();
        // The second book waits, not enabled, until a case enables it.
        ASSERT_TRUE(
            b.rig.changeIssuingDatabase(QStringLiteral("update FPB_TZ set ZTID = 2 where FPDM = '3100071150'")));
        if (c.script)
            c.script(b);
        EXPECT_EQ(b.run(), BatchEnd::Normal);
        EXPECT_EQ(b.prompter.texts(), c.boxes);
        for (const auto& shown : b.prompter.shown())
            EXPECT_EQ(shown.kind, shown.text == UsedUp || shown.text.startsWith(QStringLiteral("没有发票薄"))
                                      ? MessageBoxKind::Info
                                      : MessageBoxKind::Error);
        QStringList issuedNumbers;
        for (const QStringList& invoice : b.rig.issued())
            issuedNumbers << invoice[1];
        EXPECT_EQ(issuedNumbers, c.issuedNumbers);
        EXPECT_EQ(b.storedStates(D123), c.stored);
        EXPECT_EQ(b.rig.journal(), c.journal);
        EXPECT_EQ(b.slept(), c.slept);
        EXPECT_EQ(b.BatchRunning.load(), c.runningAfter);
        EXPECT_EQ(b.rig.enabledBook(), c.bookAfter);
        // The list shows as issued exactly what the store records.
        for (int r = 0; r < 3; ++r) {
            const bool recorded = c.stored[r] != z;
            EXPECT_EQ(b.list.text(r, ColState), recorded ? QStringLiteral("已开票") : QStringLiteral("未开票")) << r;
            EXPECT_EQ(b.list.isChecked(r), !recorded) << r;
        }
    }
}

// The book offers again a number this run has just recorded: the run stops instead of issuing.
// A book seen gone for one read only is no confirmation at all.
TEST(BatchRun, NumberRecordedByThisRunIsNeverUsedAgain)
{
    ScriptedInvoicingProgram::Options options;
    options.refusedSaves = {1};
    struct Case {
        const char* name;
        qint64 awayMs; // how long the book is away after the refused 保存
        QStringList boxes;
        QString journal;
        QString storedD1;
    };
    const Case cases[] = {
        {"away for two reads: taken for an issue, then offered again",
         200 + 1,
         {QStringLiteral("开票软件的当前发票号码本次连开刚刚记录过，销售单据 %1 没有开票，连开已停止。\n"
                         "发票代码：%2\n发票号码：%3（已记录给销售单据 %4）\n"
                         "请先在开票软件中核对这张发票是否已开具，再继续开票。")
              .arg(QStringLiteral("D2"), Code, number(1), QStringLiteral("D1"))},
         attempt("D1", 1, "issued", "closed"),
         QStringLiteral("1 3100071140 00000001")},
        {"away for one read (a torn read): not confirmed",
         1,
         {notConfirmed("D1", 1)},
         attempt("D1", 1, "unconfirmed", "open"),
         QStringLiteral("0")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BatchRig b(D123, options);
        ASSERT_TRUE(b.rig.ready()) << b.rig.error().toStdString();
        // The request is refused, yet the book goes away for a moment. It is back, unchanged, when
        // the next invoice is prepared.
        b.program->afterSave = [&b, &c](int) {
            b.rig.changeIssuingDatabase(QStringLiteral("update FPB_TZ set ZTID = 9 where ZTID = 3"));
            b.clock().after(c.awayMs, [&b] {
                b.rig.changeIssuingDatabase(QStringLiteral("update FPB_TZ set ZTID = 3 where ZTID = 9"));
            });
        };
        EXPECT_EQ(b.run(), BatchEnd::Normal);
        EXPECT_EQ(b.prompter.texts(), c.boxes);
        EXPECT_EQ(b.program->saves, 1);
        EXPECT_TRUE(b.rig.issued().isEmpty());
        EXPECT_EQ(b.rig.journal(), QStringList{c.journal});
        EXPECT_EQ(b.storedStates(D123), (QStringList{c.storedD1, QStringLiteral("0"), QStringLiteral("0")}));
        EXPECT_TRUE(b.rowUntouched(1));
        EXPECT_FALSE(b.BatchRunning.load());
    }
}

// A run cut off in the middle of an invoice (the tool killed) leaves its attempt open; the next run
// stops at that document and issues nothing until the clerk has settled it.
TEST(BatchRun, AttemptLeftOpenStopsTheNextRunUntilSettled)
{
    struct Case {
        const char* name;
        bool afterSave; // cut off after "保存" took the request in, else right before it
        QString settledState;
        QString settledCode;
        QString settledNumber;
        QStringList issuedAfter; // the stand-in's numbers once the run after the settling is done
        QStringList storedAfter; // D1, D2, D3
    };
    const Case cases[] = {
        {"cut off before the presses, settled as not issued",
         false,
         QStringLiteral("未开票"),
         {},
         {},
         {number(1), number(2), number(3)},
         {QStringLiteral("1 3100071140 00000001"), QStringLiteral("1 3100071140 00000002"),
          QStringLiteral("1 3100071140 00000003")}},
        {"cut off between 保存 and the recording, settled as issued",
         true,
         QStringLiteral("已开票"),
         Code,
         number(1),
         {number(1), number(2), number(3)},
         {QStringLiteral("1 3100071140 00000001"), QStringLiteral("1 3100071140 00000002"),
          QStringLiteral("1 3100071140 00000003")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BatchRig b(D123);
        ASSERT_TRUE(b.rig.ready()) << b.rig.error().toStdString();
        const auto cut = [](int save) {
            if (save == 1)
                throw CutOff();
        };
        if (c.afterSave)
            b.program->afterSave = cut;
        else
            b.program->beforeSave = cut;
        EXPECT_THROW(b.run(), CutOff);
        EXPECT_EQ(b.rig.journal(), QStringList{attempt("D1", 1, "pending", "open")});
        EXPECT_EQ(b.rig.issued().size(), c.afterSave ? 1 : 0);
        EXPECT_EQ(b.rig.stored(QStringLiteral("D1")).fok, QStringLiteral("0"));

        // The next run over the same list (its row still reads "未开票"), with the program working
        // again, finds the attempt and issues nothing.
        b.program->afterSave = nullptr;
        b.program->beforeSave = nullptr;
        const int saves = b.program->saves;
        EXPECT_EQ(b.run(), BatchEnd::Normal);
        EXPECT_EQ(b.prompter.texts(), QStringList{attemptOpen("D1", 1)});
        EXPECT_EQ(b.program->saves, saves);
        EXPECT_EQ(b.program->windows.pressCount(b.program->toolbar), 1);
        EXPECT_FALSE(b.BatchRunning.load());
        EXPECT_TRUE(b.rowUntouched(0));
        // Queried again, the document reads "待核对": neither issued nor pending.
        b.query();
        EXPECT_EQ(b.list.text(b.row(QStringLiteral("D1")), ColState), QStringLiteral("待核对"));

        // The clerk checks the invoicing program and stores what it shows: the attempt is closed.
        ASSERT_TRUE(b.settle(QStringLiteral("D1"), c.settledState, c.settledCode, c.settledNumber));
        const QString settled = c.settledState == QStringLiteral("已开票") ? QStringLiteral("1") : QStringLiteral("0");
        EXPECT_EQ(b.rig.journal(),
                  QStringList{attempt("D1", 1, "pending", "closed") + QStringLiteral(" settled ") + settled});

        b.prompter.clear();
        b.query();
        EXPECT_EQ(b.run(), BatchEnd::Normal);
        EXPECT_EQ(b.prompter.texts(), QStringList());
        QStringList issued;
        for (const QStringList& invoice : b.rig.issued())
            issued << invoice[1];
        EXPECT_EQ(issued, c.issuedAfter);
        EXPECT_EQ(b.storedStates(D123), c.storedAfter);
        // No document has two invoices: every number went to one document.
        EXPECT_EQ(QSet<QString>(issued.begin(), issued.end()).size(), issued.size());
    }
}

// An attempt the invoicing program never confirmed waits for the clerk like a cut-off one. Its
// number, which the book still offers, is never sent for the next document: the run passes the
// waiting document over and stops before "保存" of the next. "已开票" without a code and number is
// refused with a box, and the attempt stays open.
TEST(BatchRun, UnconfirmedAttemptWaitsForTheClerk)
{
    ScriptedInvoicingProgram::Options options;
    options.refusedSaves = {1};
    BatchRig b(D123, options);
    ASSERT_TRUE(b.rig.ready()) << b.rig.error().toStdString();
    EXPECT_EQ(b.run(), BatchEnd::Normal);
    EXPECT_EQ(b.prompter.texts(), QStringList{notConfirmed("D1", 1)});

    b.prompter.clear();
    b.query();
    EXPECT_EQ(b.list.text(b.row(QStringLiteral("D1")), ColState), QStringLiteral("待核对"));
    EXPECT_EQ(b.run(), BatchEnd::Normal);
    EXPECT_EQ(b.prompter.texts(), QStringList{QStringLiteral(
                                      "开票软件的当前发票号码已被占用，销售单据 D2 没有开票，连开已停止：\n"
                                      "发票代码 3100071140、发票号码 00000001 已用于销售单据 D1 尚未核对的开票（开票站"
                                      "“本站”）\n请先在开票软件中核对这个发票号码，再继续开票。")});
    EXPECT_EQ(b.program->saves, 1);
    EXPECT_FALSE(b.BatchRunning.load());
    EXPECT_TRUE(b.rowUntouched(b.row(QStringLiteral("D2"))));
    EXPECT_EQ(b.rig.journal(), QStringList{attempt("D1", 1, "unconfirmed", "open")});

    b.prompter.clear();
    EXPECT_FALSE(b.settle(QStringLiteral("D1"), QStringLiteral("已开票")));
    EXPECT_EQ(b.prompter.texts(),
              QStringList{QStringLiteral("销售单据 D1 记为“已开票”须填写开票软件中这张发票的发票代码和发票号码。")});
    EXPECT_EQ(b.rig.journal(), QStringList{attempt("D1", 1, "unconfirmed", "open")});
    EXPECT_EQ(b.rig.stored(QStringLiteral("D1")).fok, QStringLiteral("0"));
    ASSERT_TRUE(b.settle(QStringLiteral("D1"), QStringLiteral("未开票"), QStringLiteral(" "), QString()));
    EXPECT_EQ(b.rig.journal(), QStringList{attempt("D1", 1, "unconfirmed", "closed") + QStringLiteral(" settled 0")});

    b.prompter.clear();
    b.query();
    EXPECT_EQ(b.run(), BatchEnd::Normal);
    EXPECT_EQ(b.prompter.texts(), QStringList());
    EXPECT_EQ(b.issuedHook,
              (QStringList{QStringLiteral("D1/3100071140/00000001"), QStringLiteral("D2/3100071140/00000002"),
                           QStringLiteral("D3/3100071140/00000003")}));
}

TEST(BatchRun, RowsNotPendingArePassedOver)
{
    BatchRig b({QStringLiteral("D1"), QStringLiteral("D2"), QStringLiteral("D3"), QStringLiteral("D4")});
    ASSERT_TRUE(b.rig.ready()) << b.rig.error().toStdString();
    // D1 ticked but already issued (as listed), D2 unticked, D3 ticked with a state of blanks.
    b.list.setText(0, ColState, QStringLiteral("已开票"));
    b.list.setChecked(1, false);
    b.list.setText(2, ColState, QStringLiteral("未开票") + QLatin1Char(' '));

    EXPECT_EQ(b.run(), BatchEnd::Normal);

    EXPECT_EQ(b.issuedHook, QStringList{QStringLiteral("D4/3100071140/00000001")});
    ASSERT_EQ(b.rig.issued().size(), 1);
    EXPECT_EQ(b.rig.issued()[0][2], QStringLiteral("客户4 Trading Co."));
    for (const char* id : {"D1", "D2", "D3"})
        EXPECT_EQ(b.rig.stored(QString::fromLatin1(id)).fok, QStringLiteral("0")) << id;
    EXPECT_TRUE(b.list.isChecked(0));
    EXPECT_FALSE(b.list.isChecked(1));
    EXPECT_EQ(b.list.text(3, ColState), QStringLiteral("已开票"));
}

TEST(BatchRun, StopTakesEffectAtTheNextPendingRow)
{
    struct Case {
        const char* name;
        int stopAtSave; // the flag is cleared while this invoice is in hand
        int issued;
    };
    const Case cases[] = {{"stopped during the first", 1, 1}, {"stopped during the second", 2, 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BatchRig b(D123);
        ASSERT_TRUE(b.rig.ready()) << b.rig.error().toStdString();
        b.program->afterSave = [&](int save) {
            if (save == c.stopAtSave)
                b.BatchRunning.store(false);
        };
        EXPECT_EQ(b.run(), BatchEnd::Normal);
        EXPECT_EQ(b.prompter.texts(), QStringList());
        // The invoice in hand is finished and recorded; nothing after it goes out.
        EXPECT_EQ(b.rig.issued().size(), c.issued);
        EXPECT_EQ(b.issuedHook.size(), c.issued);
        for (int r = 0; r < 3; ++r) {
            const bool done = r < c.issued;
            EXPECT_EQ(b.rig.stored(b.list.text(r, ColOrderId)).fok, done ? QStringLiteral("1") : QStringLiteral("0"));
            EXPECT_EQ(b.list.isChecked(r), !done);
        }
    }
}

TEST(BatchRun, RecordingRefusedStopsTheRunAndNamesTheIssuedInvoice)
{
    BatchRig b(D123);
    ASSERT_TRUE(b.rig.ready()) << b.rig.error().toStdString();
    // The store refuses to record D2 (as a locked or damaged file would).
    b.rig.where().refuse(*b.store, QStringLiteral("update"), QStringLiteral("invoiceMaster"),
                         QStringLiteral("old.FCustOrderId = 'D2'"), QStringLiteral("记录被拒绝"));

    EXPECT_EQ(b.run(), BatchEnd::Normal);

    // One failure, one box: what to record by hand, with the store's reason.
    EXPECT_EQ(b.prompter.texts(),
              QStringList{QStringLiteral("发票已由开票软件开具，但未能记入本系统的数据库，连开已停止。\n请手"
                                         "工记录：\n销售单据号：%1\n发票代码：%2\n发票号码：%3\n出错原因：记录被拒绝")
                              .arg(QStringLiteral("D2"), Code, number(2))});
    // The invoicing program issued D1 and D2; D3 never went out.
    ASSERT_EQ(b.rig.issued().size(), 2);
    EXPECT_EQ(b.program->saves, 2);
    EXPECT_EQ(b.storedStates(D123),
              (QStringList{QStringLiteral("1 3100071140 00000001"), QStringLiteral("0"), QStringLiteral("0")}));
    // The attempt and the record went back together: D2's attempt is still open for the clerk.
    EXPECT_EQ(b.rig.journal(),
              (QStringList{attempt("D1", 1, "issued", "closed"), attempt("D2", 2, "pending", "open")}));
    // The list shows D2 as issued so that it cannot go out a second time from it.
    EXPECT_EQ(b.list.text(1, ColState), QStringLiteral("已开票"));
    EXPECT_FALSE(b.list.isChecked(1));
    EXPECT_TRUE(b.rowUntouched(2));
    EXPECT_FALSE(b.BatchRunning.load());
    EXPECT_EQ(b.issuedHook, QStringList{QStringLiteral("D1/3100071140/00000001")});
}

// Rows are read when their turn comes: ticks changed by the clerk during the first invoice count.
TEST(BatchRun, TicksChangedDuringTheRunAreTakenAsTheyStand)
{
    BatchRig b(D123);
    ASSERT_TRUE(b.rig.ready()) << b.rig.error().toStdString();
    b.list.setChecked(1, false);
    b.program->afterSave = [&](int save) {
        if (save == 1) {
            b.list.setChecked(1, true);
            b.list.setChecked(2, false);
        }
    };
    EXPECT_EQ(b.run(), BatchEnd::Normal);
    EXPECT_EQ(b.issuedHook,
              (QStringList{QStringLiteral("D1/3100071140/00000001"), QStringLiteral("D2/3100071140/00000002")}));
    EXPECT_EQ(b.rig.stored(QStringLiteral("D3")).fok, QStringLiteral("0"));
    EXPECT_FALSE(b.list.isChecked(2));
    EXPECT_EQ(b.list.text(2, ColState), QStringLiteral("未开票"));
}

// The store changed under the list: another station sharing it has claimed or issued a document
// (passed over, the run goes on), the document is gone (the run stops), or this station's own
// claim was cut off before the book was read (the run stops for the clerk).
TEST(BatchRun, DocumentChangedInTheStoreSinceTheQuery)
{
    struct Case {
        const char* name;
        std::function<void(BatchRig&)> change;
        QStringList boxes;
        QStringList passedOver;
        QStringList issued;  // by the run
        QStringList journal; // afterwards
        QStringList row0;    // D1's row: ticked, code, number, state
    };
    const auto otherClaims = [](bool withNumbers, const QString& station = OtherStation) {
        return [withNumbers, station](BatchRig& b) {
            FakeClock then(QDateTime(QDate(2024, 3, 5), QTime(14, 0)));
            IssueJournal other(*b.store, then, b.prompter, station);
            IssueJournal::Begun claim = other.claim(QStringLiteral("D1"));
            ASSERT_EQ(claim.outcome, IssueJournal::BeginOutcome::Started);
            if (withNumbers) {
                ASSERT_TRUE(other.setNumbers(claim.attempt, QStringLiteral("3100071150"), number(7)).done());
            }
        };
    };
    const QString claimed = QStringLiteral("销售单据 %1 已由开票站“%2”于 %3 认领开票，本站跳过。")
                                .arg(QStringLiteral("D1"), OtherStation, QStringLiteral("2024-03-05 14:00:00"));
    const QStringList issuedBoth{QStringLiteral("D2/3100071140/00000001"), QStringLiteral("D3/3100071140/00000002")};
    const QStringList journalBoth{attempt("D2", 1, "issued", "closed"), attempt("D3", 2, "issued", "closed")};
    const QStringList untouched{QStringLiteral("ticked"), QString(), QString(), QStringLiteral("未开票")};
    const Case cases[] = {
        {"issued at another station meanwhile",
         [](BatchRig& b) {
             ASSERT_TRUE(b.rig.storeExec(QStringLiteral(
                 "update invoiceMaster set FOK='1', FInvCode='C9', FInvNumber='N9' where FCustOrderId='D1'")));
         },
         {},
         {QStringLiteral("销售单据 %1 已开具（发票代码 %2，发票号码 %3），本站跳过。")
              .arg(QStringLiteral("D1"), QStringLiteral("C9"), QStringLiteral("N9"))},
         issuedBoth,
         journalBoth,
         {QStringLiteral("unticked"), QStringLiteral("C9"), QStringLiteral("N9"), QStringLiteral("已开票")}},
        {"claimed by another station, its book not read yet",
         otherClaims(false),
         {},
         {claimed},
         issuedBoth,
         QStringList{QStringLiteral("D1   pending open")} + journalBoth,
         {QStringLiteral("unticked"), QString(), QString(), QStringLiteral("未开票")}},
        {"claimed by another station, its invoice in hand (or cut off there)",
         otherClaims(true),
         {},
         {claimed},
         issuedBoth,
         QStringList{QStringLiteral("D1 3100071150 00000007 pending open")} + journalBoth,
         {QStringLiteral("unticked"), QString(), QString(), QStringLiteral("未开票")}},
        {"a run of this station issuing it right now (a second program on the same folder)",
         otherClaims(true, ThisStation),
         {},
         {QStringLiteral("销售单据 %1 已由开票站“%2”于 %3 认领开票，本站跳过。")
              .arg(QStringLiteral("D1"), ThisStation, QStringLiteral("2024-03-05 14:00:00"))},
         issuedBoth,
         QStringList{QStringLiteral("D1 3100071150 00000007 pending open")} + journalBoth,
         {QStringLiteral("unticked"), QString(), QString(), QStringLiteral("未开票")}},
        {"this station's own claim cut off before the book was read",
         [](BatchRig& b) {
             IssueJournal own(*b.store, b.clock(), b.prompter, ThisStation);
             const IssueJournal::Begun claim = own.claim(QStringLiteral("D1"));
             ASSERT_EQ(claim.outcome, IssueJournal::BeginOutcome::Started);
             own.releaseLease(claim.attempt); // its run has gone
         },
         {QStringLiteral(
              "销售单据 %1 上次开票在读取发票号码之前中断，没有按过“保存”，开票软件中不会有这张发票，连开已停止。\n"
              "请在“发票修改”中将它记为“未开票”，然后再继续开票。")
              .arg(QStringLiteral("D1"))},
         {},
         {},
         {QStringLiteral("D1   pending open")},
         untouched},
        {"deleted meanwhile",
         [](BatchRig& b) {
             ASSERT_TRUE(b.rig.storeExec(QStringLiteral("delete from invoiceMaster where FCustOrderId='D1'")));
         },
         {QStringLiteral("销售单据 %1 已不在数据库中，没有开票，连开已停止。请重新查询。").arg(QStringLiteral("D1"))},
         {},
         {},
         {},
         untouched},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BatchRig b(D123);
        ASSERT_TRUE(b.rig.ready()) << b.rig.error().toStdString();
        c.change(b);
        EXPECT_EQ(b.run(), BatchEnd::Normal);
        EXPECT_EQ(b.prompter.texts(), c.boxes);
        EXPECT_EQ(b.passedOver, c.passedOver);
        EXPECT_EQ(b.issuedHook, c.issued);
        EXPECT_EQ(b.program->saves, c.issued.size());
        EXPECT_EQ(b.rig.journal(), c.journal);
        // A run that passes rows over goes on to the end; one that stops clears the flag.
        EXPECT_EQ(b.BatchRunning.load(), c.boxes.isEmpty());
        const QStringList row0{b.list.isChecked(0) ? QStringLiteral("ticked") : QStringLiteral("unticked"),
                               b.list.text(0, ColInvCode), b.list.text(0, ColInvNumber), b.list.text(0, ColState)};
        EXPECT_EQ(row0, c.row0);
    }
}
