#include "issuing/BatchRun.h"

#include "app/Clock.h"
#include "app/Settings.h"
#include "doubles/RecordingPrompter.h"
#include "invoices/InvoiceList.h"
#include "invoices/InvoiceQuery.h"
#include "issuing/BatchTexts.h"
#include "issuing/InvoicingProgramSteps.h"
#include "store/LocalStore.h"
#include "support/IssuingRig.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace corvina;
using namespace corvina::test;

namespace {

const QString Start = BatchTexts::StartCaption;
const QString NotRunning = QStringLiteral("请先启动票系统！");
const QString TooSlow = QStringLiteral("开票速度太慢，请重新启动系统!");

// One batch run over the real steps: the stand-in's folder and database, a real store, the
// invoicing program's windows scripted on the fake window services.
struct BatchRig {
    IssuingRig rig;
    RecordingPrompter prompter;
    FakeClock clock{QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9))};
    PlainInvoiceList list;
    IssuingState state;
    std::atomic<bool> BatchRunning{true};
    QStringList captions;
    int repaints = 0;
    QStringList issuedHook;
    std::unique_ptr<ScriptedInvoicingProgram> program;
    std::unique_ptr<LocalStore> store;

    explicit BatchRig(const QStringList& documents, ScriptedInvoicingProgram::Options options = {},
                      const QStringList& initOptions = {})
        : rig(initOptions)
    {
        rig.addDocuments(documents);
        program = std::make_unique<ScriptedInvoicingProgram>(rig, options);
        store = std::make_unique<LocalStore>(rig.storePath(), prompter);
        store->open();
        // The query lists every not yet issued document; all are ticked, as a clerk would.
        std::vector<InvoiceRow> rows =
            runInvoiceQuery(*store, QStringLiteral("0"), QDateTime(QDate(2024, 1, 1), QTime(0, 0)),
                            QDateTime(QDate(2024, 12, 31), QTime(23, 59)));
        for (InvoiceRow& row : rows)
            row.checked = true;
        list.replaceRows(std::move(rows));
    }

    BatchEnd run()
    {
        const AppSettings settings = AppSettings::load(rig.appFolder());
        InvoicingProgramSteps steps(settings, list, *store, state, program->windows, clock, prompter);
        BatchRunHooks hooks;
        hooks.setCaption = [this](const QString& caption) { captions << caption; };
        hooks.repaint = [this] { ++repaints; };
        hooks.issued = [this](const QString& id, const QString& code, const QString& number) {
            issuedHook << id + QLatin1Char('/') + code + QLatin1Char('/') + number;
        };
        return RunBatchIssue(list, *store, prompter, BatchRunning, steps, hooks);
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
        return list.text(r, ColState) == BatchTexts::NotIssuedState && list.text(r, ColInvCode).isEmpty() &&
               list.text(r, ColInvNumber).isEmpty();
    }
};

} // namespace

TEST(BatchRun, ThreePendingRowsAreIssuedAndRecorded)
{
    BatchRig b({QStringLiteral("D1"), QStringLiteral("D2"), QStringLiteral("D3")});
    ASSERT_TRUE(b.rig.ready()) << b.rig.error().toStdString();
    ASSERT_EQ(b.list.rowCount(), 3);

    EXPECT_EQ(b.run(), BatchEnd::Normal);

    EXPECT_EQ(b.prompter.texts(), QStringList());
    EXPECT_EQ(b.captions, QStringList{Start});
    EXPECT_EQ(b.program->saves, 3);
    EXPECT_EQ(b.program->refusedSaves, 0);
    const QList<QStringList> issued = b.rig.issued();
    ASSERT_EQ(issued.size(), 3);
    const QStringList ids = {QStringLiteral("D1"), QStringLiteral("D2"), QStringLiteral("D3")};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(ids[i].toStdString());
        const QString number = QStringLiteral("%1").arg(i + 1, 8, 10, QLatin1Char('0'));
        EXPECT_EQ(issued[i],
                  (QStringList{QStringLiteral("3100071140"), number, QStringLiteral("客户%1 Trading Co.").arg(i + 1)}));
        const StoredState s = b.rig.stored(ids[i]);
        EXPECT_EQ(s.fok, QStringLiteral("1"));
        EXPECT_EQ(s.code, QStringLiteral("3100071140"));
        EXPECT_EQ(s.number, number);
        const int r = b.row(ids[i]);
        EXPECT_FALSE(b.list.isChecked(r));
        EXPECT_EQ(b.list.text(r, ColInvCode), QStringLiteral("3100071140"));
        EXPECT_EQ(b.list.text(r, ColInvNumber), number);
        EXPECT_EQ(b.list.text(r, ColState), BatchTexts::IssuedState);
    }
    EXPECT_EQ(b.issuedHook,
              (QStringList{QStringLiteral("D1/3100071140/00000001"), QStringLiteral("D2/3100071140/00000002"),
                           QStringLiteral("D3/3100071140/00000003")}));
    EXPECT_EQ(b.repaints, 3);
    // One dialog per invoice, each opened from the toolbar and pressed 保存, 打印, 关闭.
    EXPECT_EQ(b.program->dialogsOpened, 3);
    EXPECT_EQ(b.program->windows.pressCount(b.program->toolbar), 3);
    EXPECT_EQ(b.program->windows.sleepCount(300), 9);
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

// How each kind of end looks: the captions set, the boxes shown, what was issued.
TEST(BatchRun, EndsAndWhatTheyLeave)
{
    using Options = ScriptedInvoicingProgram::Options;
    struct Case {
        const char* name;
        QStringList documents;
        Options options;
        QStringList initOptions;
        BatchEnd end;
        QStringList captions;
        QStringList boxes;
        int issued;
        int polls; // sleeps of one poll interval
        bool runningAfter;
    };
    const Case cases[] = {
        {"empty list", {}, {}, {}, BatchEnd::Normal, {Start}, {}, 0, 0, true},
        {"invoicing program not running",
         {QStringLiteral("D1"), QStringLiteral("D2")},
         {false},
         {},
         BatchEnd::Normal,
         {Start},
         {NotRunning},
         0,
         0,
         false},
        {"control file missing: no message, caption kept",
         {QStringLiteral("D1")},
         {},
         {QStringLiteral("--no-control-file")},
         BatchEnd::Abnormal,
         {},
         {},
         0,
         0,
         true},
        {"dialog never accepts input",
         {QStringLiteral("D1"), QStringLiteral("D2")},
         {true, FakeWindowServices::Never},
         {},
         BatchEnd::Abnormal,
         {},
         {TooSlow},
         0,
         180,
         true},
        {"dialog accepts input at the last poll",
         {QStringLiteral("D1")},
         {true, 180 * 200},
         {},
         BatchEnd::Normal,
         {Start},
         {},
         1,
         180,
         true},
        {"dialog accepts input one moment too late",
         {QStringLiteral("D1")},
         {true, 180 * 200 + 1},
         {},
         BatchEnd::Abnormal,
         {},
         {TooSlow},
         0,
         180,
         true},
        {"dialog without 关闭: nothing pressed, no message",
         {QStringLiteral("D1"), QStringLiteral("D2")},
         {true, 0, false},
         {},
         BatchEnd::Abnormal,
         {},
         {},
         0,
         0,
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BatchRig b(c.documents, c.options, c.initOptions);
        ASSERT_TRUE(b.rig.ready()) << b.rig.error().toStdString();
        EXPECT_EQ(b.run(), c.end);
        EXPECT_EQ(b.captions, c.captions);
        EXPECT_EQ(b.prompter.texts(), c.boxes);
        for (const auto& shown : b.prompter.shown())
            EXPECT_EQ(shown.kind, MessageBoxKind::Info);
        EXPECT_EQ(b.rig.issued().size(), c.issued);
        EXPECT_EQ(b.program->saves, c.issued);
        EXPECT_EQ(b.program->windows.sleepCount(200), c.polls);
        EXPECT_EQ(b.BatchRunning.load(), c.runningAfter);
        // Rows not issued are left exactly as they were, in the list and in the store.
        for (int r = c.issued; r < b.list.rowCount(); ++r) {
            EXPECT_TRUE(b.list.isChecked(r));
            EXPECT_TRUE(b.rowUntouched(r));
            EXPECT_EQ(b.rig.stored(b.list.text(r, ColOrderId)).fok, QStringLiteral("0"));
        }
        if (c.options.running && !c.options.closeButton) {
            for (const auto& m : b.program->windows.messages())
                EXPECT_EQ(m.delivery, FakeWindowServices::Delivery::Posted) << "no dialog button may be pressed";
        }
    }
}

TEST(BatchRun, RowsNotPendingArePassedOver)
{
    BatchRig b({QStringLiteral("D1"), QStringLiteral("D2"), QStringLiteral("D3"), QStringLiteral("D4")});
    ASSERT_TRUE(b.rig.ready()) << b.rig.error().toStdString();
    // D1 ticked but already issued (as listed), D2 unticked, D3 ticked with a state of blanks.
    b.list.setText(0, ColState, BatchTexts::IssuedState);
    b.list.setChecked(1, false);
    b.list.setText(2, ColState, BatchTexts::NotIssuedState + QLatin1Char(' '));

    EXPECT_EQ(b.run(), BatchEnd::Normal);

    EXPECT_EQ(b.issuedHook, QStringList{QStringLiteral("D4/3100071140/00000001")});
    ASSERT_EQ(b.rig.issued().size(), 1);
    EXPECT_EQ(b.rig.issued()[0][2], QStringLiteral("客户4 Trading Co."));
    for (const char* id : {"D1", "D2", "D3"})
        EXPECT_EQ(b.rig.stored(QString::fromLatin1(id)).fok, QStringLiteral("0")) << id;
    EXPECT_TRUE(b.list.isChecked(0));
    EXPECT_FALSE(b.list.isChecked(1));
    EXPECT_TRUE(b.rowUntouched(1));
    EXPECT_EQ(b.list.text(3, ColState), BatchTexts::IssuedState);
}

TEST(BatchRun, StopTakesEffectAtTheNextPendingRow)
{
    struct Case {
        const char* name;
        int stopAtSave; // the flag is cleared while this invoice is in hand (0: before the run)
        int issued;
    };
    const Case cases[] = {
        {"stopped before the run", 0, 0}, {"stopped during the first", 1, 1}, {"stopped during the second", 2, 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BatchRig b({QStringLiteral("D1"), QStringLiteral("D2"), QStringLiteral("D3")});
        ASSERT_TRUE(b.rig.ready()) << b.rig.error().toStdString();
        if (c.stopAtSave == 0)
            b.BatchRunning.store(false);
        b.program->afterSave = [&](int save) {
            if (save == c.stopAtSave)
                b.BatchRunning.store(false);
        };
        EXPECT_EQ(b.run(), BatchEnd::Normal);
        EXPECT_EQ(b.captions, QStringList{Start});
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
    BatchRig b({QStringLiteral("D1"), QStringLiteral("D2"), QStringLiteral("D3")});
    ASSERT_TRUE(b.rig.ready()) << b.rig.error().toStdString();
    // The store refuses to record D2 (as a locked or damaged file would).
    QString error;
    ASSERT_TRUE(sqliteExec(b.rig.storePath(),
                           QStringLiteral("create trigger refuse_d2 before update on invoiceMaster "
                                          "when old.FCustOrderId = 'D2' begin select raise(abort, '记录被拒绝'); end"),
                           &error))
        << error.toStdString();

    EXPECT_EQ(b.run(), BatchEnd::Normal);

    const QStringList texts = b.prompter.texts();
    ASSERT_EQ(texts.size(), 2) << texts.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(texts[0].startsWith(QStringLiteral("出错原因："))) << texts[0].toStdString();
    EXPECT_TRUE(texts[0].contains(QStringLiteral("记录被拒绝"))) << texts[0].toStdString();
    EXPECT_EQ(texts[1], BatchTexts::RecordByHand.arg(QStringLiteral("D2"), QStringLiteral("3100071140"),
                                                     QStringLiteral("00000002")));
    // The invoicing program issued D1 and D2; D3 never went out.
    ASSERT_EQ(b.rig.issued().size(), 2);
    EXPECT_EQ(b.program->saves, 2);
    EXPECT_EQ(b.rig.stored(QStringLiteral("D1")).fok, QStringLiteral("1"));
    EXPECT_EQ(b.rig.stored(QStringLiteral("D2")).fok, QStringLiteral("0"));
    EXPECT_EQ(b.rig.stored(QStringLiteral("D3")).fok, QStringLiteral("0"));
    // The list shows D2 as issued so that it cannot go out a second time from it.
    EXPECT_EQ(b.list.text(1, ColState), BatchTexts::IssuedState);
    EXPECT_FALSE(b.list.isChecked(1));
    EXPECT_TRUE(b.rowUntouched(2));
    EXPECT_TRUE(b.list.isChecked(2));
    EXPECT_EQ(b.captions, QStringList{Start});
    EXPECT_FALSE(b.BatchRunning.load());
    EXPECT_EQ(b.issuedHook, QStringList{QStringLiteral("D1/3100071140/00000001")});
}

// Rows are read when their turn comes: ticks changed by the clerk during the first invoice count.
TEST(BatchRun, TicksChangedDuringTheRunAreTakenAsTheyStand)
{
    BatchRig b({QStringLiteral("D1"), QStringLiteral("D2"), QStringLiteral("D3")});
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
    EXPECT_TRUE(b.rowUntouched(2));
}
