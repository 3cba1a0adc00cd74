// The issuing journal in the window: the list marks documents waiting to be settled, the journal
// window lists the attempts and the codes and numbers several documents hold, and settling from it
// opens the edit dialog filled with the attempt. Driven through the real widgets over a real store.

#include "app/Clock.h"
#include "doubles/NoStopKey.h"
#include "doubles/RecordingPrompter.h"
#include "invoices/InvoiceList.h"
#include "session/AppSession.h"
#include "store/IssueJournal.h"
#include "support/BrowserSeed.h"
#include "support/IssuingRig.h"
#include "support/TestSupport.h"
#include "ui/InvoiceListModel.h"
#include "ui/JournalModel.h"
#include "ui/TJournalFrm.h"
#include "ui/TMainFrm.h"
#include "ui/TfrmEdt.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <gtest/gtest.h>

using namespace corvina;
using namespace corvina::test;

namespace {

const QString Code = QStringLiteral("3100071140");

// Documents A to D: A issued by a run, B left open by a run that has ended, C claimed by a run
// that still holds it, D stored by an older version under A's code and number.
struct JournalWindow {
    TempFolder app;
    RecordingPrompter prompter;
    FakeClock clock; // 2024-03-05 14:07:09, the seeded documents' import minute
    std::unique_ptr<AppSession> session;
    std::unique_ptr<TMainFrm> frm;

    JournalWindow()
    {
        {
            LocalStore seed(app.file(QStringLiteral("SysData.mdb")), prompter);
            EXPECT_TRUE(seed.open());
            for (const char* id : {"A", "B", "C", "D"})
                seedDocument(seed, {QString::fromLatin1(id)});
            IssueJournal run(seed, clock, prompter, QStringLiteral("开票一号"));
            EXPECT_TRUE(
                run.recordIssued(run.begin(QStringLiteral("A"), Code, QStringLiteral("00000001")).attempt).done());
            run.releaseLease(run.begin(QStringLiteral("B"), Code, QStringLiteral("00000002")).attempt);
            run.claim(QStringLiteral("C"));
        }
        EXPECT_TRUE(sqliteExec(app.file(QStringLiteral("SysData.mdb")),
                               QStringLiteral("update invoiceMaster set FOK='1', FInvCode='%1', FInvNumber='00000001' "
                                              "where FCustOrderId='D'")
                                   .arg(Code)));
        session = std::make_unique<AppSession>(AppOptions{app.path(), {}}, prompter, clock);
        frm = std::make_unique<TMainFrm>(*session, std::make_unique<NoStopKey>());
        frm->BitBtn1Click(); // 未开发票: B and C
        prompter.clear();
    }
    InvoiceListModel& list() { return frm->invoiceList(); }
    int rowOf(const QString& id)
    {
        for (int r = 0; r < list().rowCount(); ++r)
            if (list().text(r, ColOrderId) == id)
                return r;
        return -1;
    }
    TJournalFrm& journal()
    {
        frm->BitBtn6->click();
        return *frm->journalWindow();
    }
    QStringList journalColumn(int column)
    {
        QStringList out;
        JournalModel& m = journal().model();
        for (int r = 0; r < m.rowCount(); ++r)
            out << m.data(m.index(r, column), Qt::DisplayRole).toString();
        return out;
    }
};

} // namespace

TEST(JournalWindow, WaitingDocumentsStandOutInTheListAndLeaveTheTotals)
{
    JournalWindow w;
    ASSERT_EQ(w.list().rowCount(), 2);
    const int b = w.rowOf(QStringLiteral("B"));
    const int c = w.rowOf(QStringLiteral("C"));
    EXPECT_EQ(w.list().text(b, ColState), QStringLiteral("待核对"));
    EXPECT_EQ(w.list().text(c, ColState), QStringLiteral("待核对"));
    EXPECT_TRUE(w.list().data(w.list().index(b, 16), Qt::BackgroundRole).isValid());
    // Ticked, they count as neither state: the totals leave them out.
    w.frm->chkSelect->click();
    EXPECT_EQ(w.frm->xuanzfpzs_lb->text(), QStringLiteral("选中的发票张数为:0"));
}

TEST(JournalWindow, ListsTheAttemptsAndTheDuplicateNumbers)
{
    JournalWindow w;
    TJournalFrm& j = w.journal();
    EXPECT_TRUE(j.isVisible());
    EXPECT_EQ(w.journalColumn(0), (QStringList{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")}));
    EXPECT_EQ(w.journalColumn(6),
              (QStringList{QStringLiteral("—"), QStringLiteral("待核对"), QStringLiteral("开票中")}));
    EXPECT_EQ(w.journalColumn(7), (QStringList(3, QStringLiteral("开票一号"))));
    EXPECT_TRUE(j.Duplicates->isVisible());
    EXPECT_EQ(j.Duplicates->text(),
              QStringLiteral("发票代码 3100071140、发票号码 00000001 同时记录给了销售单据：A、D"));
    EXPECT_EQ(j.Status->text(), QStringLiteral("共 3 次开票，2 次尚未核对"));
    // A day without attempts still lists the open ones.
    j.From->setDateTime(QDateTime(QDate(2024, 3, 6), QTime(0, 0)));
    j.To->setDateTime(QDateTime(QDate(2024, 3, 6), QTime(23, 59)));
    j.QueryButton->click();
    EXPECT_EQ(w.journalColumn(0), (QStringList{QStringLiteral("B"), QStringLiteral("C")}));
}

// Settling from the journal opens the edit dialog with the attempt shown and its numbers filled
// in; the attempt a run still holds is refused with a box and nothing changes.
TEST(JournalWindow, SettlingFromTheJournalFillsTheDialogWithTheAttempt)
{
    struct Case {
        const char* name;
        QString document;
        QStringList boxes;
        QString shown; // the dialog's attempt label, empty when no dialog was expected to settle
        QString state; // B's FOK afterwards
        QString journalAfter;
    };
    const Case cases[] = {
        {"an attempt left open: filled in, settled as issued",
         QStringLiteral("B"),
         {},
         QStringLiteral(
             "开票站“开票一号”于 2024-03-05 14:07:09 为这张单据开票，尚未核对：发票代码 3100071140，发票号码 "
             "00000002。请按开票软件中的实际情况记为“已开票”或“未开票”。"),
         QStringLiteral("1"),
         QStringLiteral("已核对：已开票 3100071140 00000002")},
        {"an attempt a run still holds: refused",
         QStringLiteral("C"),
         {QStringLiteral("开票站“开票一号”正在为销售单据 C 开票，现在不能修改或删除它。\n请等这次开票结束后再操作"
                         "（如果那次开票已经中断，30秒后即可核对）。")},
         {},
         QStringLiteral("0"),
         QStringLiteral("开票中")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        JournalWindow w;
        TJournalFrm& j = w.journal();
        const int row = w.journalColumn(0).indexOf(c.document);
        ASSERT_GE(row, 0);
        j.Attempts->selectRow(row);
        QString shown, code, number;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<TfrmEdt*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            shown = dialog->AttemptLabel->isVisible() ? dialog->AttemptLabel->text() : QString();
            code = dialog->Edit1->text();
            number = dialog->Edit2->text();
            dialog->wwDBComboBox1->setEditText(QStringLiteral("已开票"));
            dialog->BitBtn1->click();
            if (dialog->isVisible())
                dialog->BitBtn2->click();
        });
        j.SettleButton->click();
        EXPECT_EQ(w.prompter.texts(), c.boxes);
        if (!c.shown.isEmpty()) {
            EXPECT_EQ(shown, c.shown);
            EXPECT_EQ(code, Code);
            EXPECT_EQ(number, QStringLiteral("00000002"));
        }
        EXPECT_EQ(storedHeader(w.frm->localStore(), c.document).value(0, QStringLiteral("FOK")), c.state);
        EXPECT_EQ(w.journalColumn(6).value(row), c.journalAfter);
    }
}
