// The main window's selection, line-item, deletion, edit and export handlers, driven through its
// real widgets (offscreen) over a real store.

#include "app/Clock.h"
#include "doubles/NoStopKey.h"
#include "doubles/RecordingPrompter.h"
#include "invoices/InvoiceList.h"
#include "session/AppSession.h"
#include "support/BrowserSeed.h"
#include "support/TestSupport.h"
#include "ui/InvoiceListModel.h"
#include "ui/TMainFrm.h"
#include "ui/TfrmEdt.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QTimer>
#include <gtest/gtest.h>

using namespace corvina;
using namespace corvina::test;

namespace {

struct Window {
    TempFolder app;
    RecordingPrompter prompter;
    FakeClock clock; // 2024-03-05 14:07:09, the seeded documents' import minute
    std::unique_ptr<AppSession> session;
    std::unique_ptr<TMainFrm> frm;

    explicit Window(const QStringList& ids, const QStringList& sums = {})
    {
        {
            LocalStore seed(app.file(QStringLiteral("SysData.mdb")), prompter);
            EXPECT_TRUE(seed.open());
            for (int i = 0; i < ids.size(); ++i)
                seedDocument(seed, {ids[i], sums.value(i, QStringLiteral("100.00")), i + 1});
        }
        session = std::make_unique<AppSession>(AppOptions{app.path(), {}}, prompter, clock);
        frm = std::make_unique<TMainFrm>(*session, std::make_unique<NoStopKey>());
        frm->BitBtn1Click();
        prompter.clear(); // start-up messages about the issuing database are not ours
    }
    InvoiceListModel& list() { return frm->invoiceList(); }
    int rowOf(const QString& id)
    {
        for (int r = 0; r < list().rowCount(); ++r)
            if (list().text(r, ColOrderId) == id)
                return r;
        return -1;
    }
    void select(const QStringList& ids)
    {
        QItemSelectionModel* sel = frm->lv_Fpxc->selectionModel();
        sel->clearSelection();
        for (const QString& id : ids)
            sel->select(list().index(rowOf(id), 1), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    QStringList detailColumn(int column) const
    {
        QStringList out;
        for (int r = 0; r < frm->LV_Detail->rowCount(); ++r)
            out << frm->LV_Detail->item(r, column)->text();
        return out;
    }
};

} // namespace

TEST(BrowserWindow, SelectAllTicksEverythingAndUpdatesTheLabels)
{
    const struct {
        const char* name;
        QStringList ids;
        QStringList sums;
        QString count;
        QString amount;
    } cases[] = {
        {"empty list", {}, {}, QStringLiteral("选中的发票张数为:0"), QStringLiteral("选中的发票金额为:0.00")},
        {"three documents",
         {"A", "B", "C"},
         {"1234.50", "0.25", "1000000.00"},
         QStringLiteral("选中的发票张数为:3"),
         QStringLiteral("选中的发票金额为:1,001,234.75")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Window w(c.ids, c.sums);
        EXPECT_EQ(w.frm->xuanzfpzs_lb->text(), QStringLiteral("选中的发票张数为："));

        w.frm->chkSelect->click();
        EXPECT_EQ(w.frm->chkSelect->text(), QStringLiteral("取消全选"));
        for (int r = 0; r < w.list().rowCount(); ++r)
            EXPECT_TRUE(w.list().isChecked(r));
        EXPECT_EQ(w.frm->xuanzfpzs_lb->text(), c.count);
        EXPECT_EQ(w.frm->fapje_lb->text(), c.amount);

        w.frm->chkSelect->click();
        EXPECT_EQ(w.frm->chkSelect->text(), QStringLiteral("全选"));
        for (int r = 0; r < w.list().rowCount(); ++r)
            EXPECT_FALSE(w.list().isChecked(r));
        EXPECT_EQ(w.frm->xuanzfpzs_lb->text(), QStringLiteral("选中的发票张数为:0"));
        EXPECT_TRUE(w.prompter.texts().isEmpty());
    }
}

// A ticked amount that is not a number: one error box, the labels keep their texts.
TEST(BrowserWindow, AmountThatIsNotANumberShowsOneBoxAndKeepsTheLabels)
{
    Window w({QStringLiteral("A"), QStringLiteral("B")}, {QStringLiteral("1.00"), QStringLiteral("2.00")});
    w.list().setChecked(0, true);
    w.frm->lv_FpxcClick();
    const QString count = w.frm->xuanzfpzs_lb->text();
    const QString amount = w.frm->fapje_lb->text();
    ASSERT_EQ(amount, QStringLiteral("选中的发票金额为:1.00"));

    w.list().setText(w.rowOf(QStringLiteral("B")), ColNoTaxSum, QStringLiteral("一百"));
    w.list().setChecked(w.rowOf(QStringLiteral("B")), true);
    w.frm->lv_FpxcClick();
    ASSERT_EQ(w.prompter.shown().size(), 1);
    EXPECT_EQ(w.prompter.shown().at(0).kind, MessageBoxKind::Error);
    EXPECT_TRUE(w.prompter.texts().at(0).contains(QStringLiteral("一百")));
    EXPECT_EQ(w.frm->xuanzfpzs_lb->text(), count);
    EXPECT_EQ(w.frm->fapje_lb->text(), amount);
}

// The line items shown are those of the selected row nearest the top; with nothing selected the
// list keeps what it shows.
TEST(BrowserWindow, ClickShowsTheLineItemsOfTheTopmostSelectedRow)
{
    Window w({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
    const struct {
        const char* name;
        QStringList selected;
        QStringList items;
    } steps[] = {
        {"one row", {"B"}, {"B item 1", "B item 2"}},
        {"several, clicked last is lower", {"C", "A"}, {"A item 1"}},
        {"none selected keeps the items", {}, {"A item 1"}},
        {"three lines", {"C"}, {"C item 1", "C item 2", "C item 3"}},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.name);
        w.select(s.selected);
        w.frm->lv_FpxcClick();
        EXPECT_EQ(w.detailColumn(1), s.items);
    }
    EXPECT_EQ(w.detailColumn(0), (QStringList{"1", "2", "3"}));
    EXPECT_EQ(w.detailColumn(4), (QStringList{"15.0000", "30.0000", "45.0000"}));
}

TEST(BrowserWindow, DeletionRerunsTheQueryOnlyAfterDeleting)
{
    const struct {
        const char* name;
        int answer;
        QStringList left;
        QStringList statements;
    } cases[] = {
        {"answered Yes",
         ButtonCode::Yes,
         {"A", "E"},
         // Each document under its lock, its open attempt looked for, then header and lines.
         {"select invoiceMaster", "select FLeaseUntil>{storeNow}", "delete InvoiceMaster B", "delete InvoiceDetail B",
          "select invoiceMaster", "select FLeaseUntil>{storeNow}", "delete InvoiceMaster C", "delete InvoiceDetail C",
          "select invoiceMaster", "select FLeaseUntil>{storeNow}", "delete InvoiceMaster D", "delete InvoiceDetail D",
          "select InvoiceMaster", "select issueJournal"}},
        {"answered No", ButtonCode::No, {"A", "B", "C", "D", "E"}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Window w(
            {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"), QStringLiteral("D"), QStringLiteral("E")});
        for (const char* id : {"B", "C", "D"})
            w.list().setChecked(w.rowOf(QString::fromLatin1(id)), true);
        w.frm->lv_FpxcClick();
        const QString labels = w.frm->xuanzfpzs_lb->text();
        QStringList statements;
        w.frm->localStore().setStatementObserver([&](const SqlStatement& s) {
            // "delete * from InvoiceMaster where ..." -> "delete InvoiceMaster B"
            const QStringList words = s.text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
            QString line = words.value(0) + QLatin1Char(' ') + words.value(3);
            if (words.value(0) == QLatin1String("delete"))
                line += QLatin1Char(' ') + s.values.value(0).toString();
            statements << line;
        });
        w.prompter.queueAnswer(c.answer);
        w.frm->BitBtn3->click();
        w.frm->localStore().setStatementObserver({});

        QStringList listed;
        for (int r = 0; r < w.list().rowCount(); ++r)
            listed << w.list().text(r, ColOrderId);
        EXPECT_EQ(listed, c.left);
        EXPECT_EQ(statements, c.statements);
        EXPECT_EQ(w.prompter.texts(), QStringList{QStringLiteral("您确定要删除所选取的发票吗？")});
        EXPECT_EQ(w.frm->xuanzfpzs_lb->text(), labels); // the labels are not refreshed by deletion
    }
}

// Double-click opens the dialog for the topmost selected row; OK writes through to list and store.
TEST(BrowserWindow, DoubleClickEditsTheTopmostSelectedRow)
{
    Window w({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
    w.select({QStringLiteral("C"), QStringLiteral("B")});
    QString shownCode = QStringLiteral("not shown");
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<TfrmEdt*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        shownCode = dialog->OrderId;
        dialog->Edit1->setText(QStringLiteral("3100"));
        dialog->Edit2->setText(QStringLiteral("00012345"));
        dialog->wwDBComboBox1->setEditText(QStringLiteral("已开票"));
        dialog->BitBtn1->click();
    });
    w.frm->lv_FpxcDblClick();
    EXPECT_EQ(shownCode, QStringLiteral("B"));
    const int row = w.rowOf(QStringLiteral("B"));
    EXPECT_EQ(w.list().text(row, ColInvCode), QStringLiteral("3100"));
    EXPECT_EQ(w.list().text(row, ColInvNumber), QStringLiteral("00012345"));
    EXPECT_EQ(w.list().text(row, ColState), QStringLiteral("已开票"));
    EXPECT_EQ(storedHeader(w.frm->localStore(), QStringLiteral("B")).value(0, QStringLiteral("FOK")),
              QStringLiteral("1"));

    // Nothing selected, or an empty list: no dialog.
    w.select({});
    w.frm->lv_FpxcDblClick();
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST(BrowserWindow, ExportButtonWritesTheTickedRows)
{
    Window w({QStringLiteral("A"), QStringLiteral("B")});
    w.app.write(QStringLiteral("发票导出数据格式.xlsx"), [] {
        QFile f(QStringLiteral(CORVINA_SOURCE_DIR "/resources/") + QStringLiteral("发票导出数据格式.xlsx"));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }());
    w.list().setChecked(w.rowOf(QStringLiteral("B")), true);
    const QString target = w.app.file(QStringLiteral("out.xlsx"));
    w.prompter.queueFile(target);
    w.frm->BitBtn5->click();
    EXPECT_EQ(w.prompter.texts(), QStringList{QStringLiteral("发票数据导出成功")});
    EXPECT_TRUE(QFileInfo(target).size() > 0);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr); // the busy cursor is gone again
}
