#include "ui/TfrmEdt.h"

#include "app/Clock.h"
#include "doubles/RecordingPrompter.h"
#include "invoices/InvoiceBrowser.h"
#include "invoices/InvoiceList.h"
#include "store/IssueJournal.h"
#include "support/BrowserSeed.h"
#include "support/TestSupport.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

using namespace corvina;
using namespace corvina::test;

namespace {

struct Dialog {
    TempFolder folder;
    RecordingPrompter prompter;
    LocalStore store{folder.file(QStringLiteral("SysData.mdb")), prompter};
    FakeClock clock;
    InvoiceBrowser browser{store, prompter, clock};
    PlainInvoiceList list;
    std::unique_ptr<TfrmEdt> frm;

    explicit Dialog(const QString& code = QStringLiteral("OLDCODE"), const QString& number = QStringLiteral("OLDNUM"))
    {
        EXPECT_TRUE(store.open());
        seedDocument(store, {QStringLiteral("D1")});
        InvoiceRow row;
        row.text(ColOrderId) = QStringLiteral("D1");
        row.text(ColInvCode) = code;
        row.text(ColInvNumber) = number;
        row.text(ColState) = QStringLiteral("未开票");
        list.replaceRows({row});
        frm = std::make_unique<TfrmEdt>(browser, list);
        frm->OrderId = QStringLiteral("D1");
        frm->InvoiceCode = row.text(ColInvCode);
        frm->InvoiceNumber = row.text(ColInvNumber);
        frm->StateText = row.text(ColState);
        frm->RowIndex = 0;
        frm->show();
    }
    QStringList rowTexts() const
    {
        return {list.text(0, ColInvCode), list.text(0, ColInvNumber), list.text(0, ColState)};
    }
    QString stored(const char* column)
    {
        return storedHeader(store, QStringLiteral("D1")).value(0, QLatin1String(column));
    }
};

} // namespace

// What the clerk sees of the dialog: each label beside its field on one line, every text whole,
// nothing overlapping or outside the dialog, the fields in the order the clerk tabs through them.
TEST(TfrmEdt, ControlsAsDesigned)
{
    Dialog d;
    d.frm->show();
    EXPECT_EQ(d.frm->windowTitle(), QStringLiteral("发票修改"));
    const struct {
        QLabel* label;
        QString text;
        QWidget* field;
    } rows[] = {
        {d.frm->Label4, QStringLiteral("发票代号"), d.frm->Edit1},
        {d.frm->Label8, QStringLiteral("发票编号"), d.frm->Edit2},
        {d.frm->Label9, QStringLiteral("发票状态"), d.frm->wwDBComboBox1},
    };
    const struct {
        QPushButton* button;
        QString text;
    } buttons[] = {{d.frm->BitBtn1, QStringLiteral("确定(&O)")}, {d.frm->BitBtn2, QStringLiteral("取消(&C)")}};
    QList<QWidget*> all;
    for (const auto& r : rows) {
        SCOPED_TRACE(r.text.toStdString());
        EXPECT_EQ(r.label->text(), r.text);
        EXPECT_LT(r.label->geometry().right(), r.field->x()); // left of its field
        const int middle = r.label->geometry().center().y();
        EXPECT_TRUE(middle >= r.field->y() && middle <= r.field->geometry().bottom()); // on its line
        EXPECT_GE(r.label->width(), r.label->sizeHint().width());                      // the text whole
        all << r.label << r.field;
    }
    for (const auto& b : buttons) {
        EXPECT_EQ(b.button->text(), b.text);
        EXPECT_GE(b.button->width(), b.button->sizeHint().width());
        EXPECT_GT(b.button->y(), d.frm->wwDBComboBox1->geometry().bottom()); // below the fields
        all << b.button;
    }
    for (qsizetype i = 0; i < all.size(); ++i) {
        EXPECT_TRUE(d.frm->rect().contains(all[i]->geometry())) << all[i]->objectName().toStdString() << i;
        EXPECT_TRUE(all[i]->isVisible()) << i;
        for (qsizetype j = i + 1; j < all.size(); ++j)
            EXPECT_FALSE(all[i]->geometry().intersects(all[j]->geometry())) << i << " overlaps " << j;
    }
    // Tab goes from one field to the next and on to the buttons.
    const QList<QWidget*> order = {d.frm->Edit1, d.frm->Edit2, d.frm->wwDBComboBox1, d.frm->BitBtn1, d.frm->BitBtn2};
    for (qsizetype i = 0; i + 1 < order.size(); ++i) {
        QWidget* next = order[i]->nextInFocusChain();
        while (next && (next->focusPolicy() == Qt::NoFocus || order[i]->isAncestorOf(next))) // the box's own edit
            next = next->nextInFocusChain();
        EXPECT_EQ(next, order[i + 1]) << i;
    }
    for (QLineEdit* edit : {d.frm->Edit1, d.frm->Edit2}) {
        edit->setText(QString(25, QLatin1Char('7')));
        EXPECT_EQ(edit->text().size(), 20);
    }
    ASSERT_EQ(d.frm->wwDBComboBox1->count(), 2);
    EXPECT_EQ(d.frm->wwDBComboBox1->itemText(0), QStringLiteral("未开票"));
    EXPECT_EQ(d.frm->wwDBComboBox1->itemText(1), QStringLiteral("已开票"));
    EXPECT_TRUE(d.frm->wwDBComboBox1->isEditable());
}

TEST(TfrmEdt, OkCancelAndRefusal)
{
    struct Case {
        const char* name;
        QString code, number, state;
        bool ok; // OK pressed, else Cancel
        bool closed;
        QStringList row;
        QStringList stored; // FInvCode, FInvNumber, FOK
        QStringList boxes;
    };
    const QStringList unchangedRow = {"OLDCODE", "OLDNUM", "未开票"};
    const QStringList unchangedStore = {"", "", "0"};
    const Case cases[] = {
        {"OK",
         QStringLiteral("12345"),
         QStringLiteral("678"),
         QStringLiteral("已开票"),
         true,
         true,
         {"12345", "678", "已开票"},
         {"12345", "678", "1"},
         {}},
        {"OK with blanks",
         QStringLiteral(" 12345 "),
         QStringLiteral("678"),
         QStringLiteral("未开票"),
         true,
         true,
         {"12345", "678", "未开票"},
         {" 12345 ", "678", "0"},
         {}},
        {"Cancel after typing",
         QStringLiteral("12345"),
         QStringLiteral("678"),
         QStringLiteral("已开票"),
         false,
         true,
         unchangedRow,
         unchangedStore,
         {}},
        {"unknown state",
         QStringLiteral("12345"),
         QStringLiteral("678"),
         QStringLiteral("开了"),
         true,
         false,
         unchangedRow,
         unchangedStore,
         {QStringLiteral("发票状态只能是“未开票”或“已开票”，请重新选择!")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Dialog d;
        // FormShow put the row's values into the boxes.
        EXPECT_EQ(d.frm->Edit1->text(), QStringLiteral("OLDCODE"));
        EXPECT_EQ(d.frm->Edit2->text(), QStringLiteral("OLDNUM"));
        EXPECT_EQ(d.frm->wwDBComboBox1->currentText(), QStringLiteral("未开票"));

        d.frm->Edit1->setText(c.code);
        d.frm->Edit2->setText(c.number);
        d.frm->wwDBComboBox1->setEditText(c.state);
        (c.ok ? d.frm->BitBtn1 : d.frm->BitBtn2)->click();

        EXPECT_EQ(!d.frm->isVisible(), c.closed);
        if (c.closed) {
            EXPECT_EQ(d.frm->result(), c.ok ? QDialog::Accepted : QDialog::Rejected);
        }
        EXPECT_EQ(d.rowTexts(), c.row);
        EXPECT_EQ((QStringList{d.stored("FInvCode"), d.stored("FInvNumber"), d.stored("FOK")}), c.stored);
        EXPECT_EQ(d.prompter.texts(), c.boxes);
    }
}

// A stored code or number longer than the boxes' 20 characters is shown and stored whole; only
// what the clerk edits changes.
TEST(TfrmEdt, LongStoredTextsStayWholeUnlessEdited)
{
    const QString longCode = QStringLiteral("1234567890123456789012345");        // 25
    const QString longNumber = QStringLiteral("NO-000000000000000000000000001"); // 30
    const struct {
        const char* name;
        QString typedCode; // empty: the box is left alone
        QString typedNumber;
        QStringList stored; // FInvCode, FInvNumber, FOK
    } cases[] = {
        {"only the state changed", QString(), QString(), {longCode, longNumber, "1"}},
        {"code edited", QStringLiteral("12345"), QString(), {"12345", longNumber, "1"}},
        {"number edited", QString(), QStringLiteral("678"), {longCode, "678", "1"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Dialog d(longCode, longNumber);
        EXPECT_EQ(d.frm->Edit1->text(), longCode);
        EXPECT_EQ(d.frm->Edit2->text(), longNumber);
        if (!c.typedCode.isEmpty())
            d.frm->Edit1->setText(c.typedCode);
        if (!c.typedNumber.isEmpty())
            d.frm->Edit2->setText(c.typedNumber);
        d.frm->wwDBComboBox1->setEditText(QStringLiteral("已开票"));
        d.frm->BitBtn1->click();
        EXPECT_EQ((QStringList{d.stored("FInvCode"), d.stored("FInvNumber"), d.stored("FOK")}), c.stored);
        EXPECT_EQ(d.rowTexts(), (QStringList{c.stored.at(0), c.stored.at(1), QStringLiteral("已开票")}));
    }
    // A short stored text leaves the box's own limit as it is.
    Dialog d;
    d.frm->Edit1->setText(QString(25, QLatin1Char('7')));
    EXPECT_EQ(d.frm->Edit1->text().size(), 20);
}

// A document whose issuing was cut off is settled by what the clerk stores here; the dialog stays
// open, with one box, whenever the settling is refused or the store refuses the edit.
TEST(TfrmEdt, OkSettlesTheOpenIssuingAttempt)
{
    struct Case {
        const char* name;
        QString code, number, state;
        bool refuse;
        bool staysOpen;
        int boxes;
    };
    const Case cases[] = {
        {"issued with the code and number found", QStringLiteral("3100071140"), QStringLiteral("00000007"),
         QStringLiteral("已开票"), false, false, 0},
        {"not issued after all", QString(), QString(), QStringLiteral("未开票"), false, false, 0},
        {"issued, but no number given", QStringLiteral("3100071140"), QString(), QStringLiteral("已开票"), false, true,
         1},
        {"the store refuses the edit", QStringLiteral("3100071140"), QStringLiteral("00000007"),
         QStringLiteral("已开票"), true, true, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Dialog d;
        IssueJournal journal(d.store, d.clock, d.prompter);
        const IssueJournal::Begun begun =
            journal.begin(QStringLiteral("D1"), QStringLiteral("3100071140"), QStringLiteral("00000007"));
        ASSERT_EQ(begun.outcome, IssueJournal::BeginOutcome::Started);
        journal.releaseLease(begun.attempt); // the run that made it has ended
        if (c.refuse)
            d.store.run({QStringLiteral("create trigger t before update on invoiceMaster "
                                        "begin select raise(abort, '只读'); end"),
                         {},
                         {}});
        d.frm->Edit1->setText(c.code);
        d.frm->Edit2->setText(c.number);
        d.frm->wwDBComboBox1->setEditText(c.state);
        d.frm->BitBtn1->click();
        EXPECT_EQ(d.frm->isVisible(), c.staysOpen);
        EXPECT_EQ(journal.openAttempt(QStringLiteral("D1")).has_value(), c.staysOpen);
        EXPECT_EQ(d.prompter.texts().size(), c.boxes);
    }
}
