#include "invoices/InvoiceBrowser.h"

#include "app/Clock.h"
#include "app/Failure.h"
#include "doubles/RecordingPrompter.h"
#include "invoices/InvoiceList.h"
#include "invoices/InvoiceQuery.h"
#include "support/BrowserSeed.h"
#include "support/TestStore.h"
#include "support/TestSupport.h"

#include <functional>
#include <gtest/gtest.h>
#include <utility>

using namespace corvina;
using namespace corvina::test;

namespace {

InvoiceRow listRow(const QString& id, const QString& sum, bool ticked)
{
    InvoiceRow row;
    row.checked = ticked;
    row.text(ColOrderId) = id;
    row.text(ColNoTaxSum) = sum;
    row.text(ColState) = QStringLiteral("未开票");
    return row;
}

// A store with documents A to E, listed by the query as the window lists them.
struct StoreFixture {
    TempFolder folder;
    TestStore where{folder};
    RecordingPrompter prompter;
    LocalStore store{where.location(), prompter};
    PlainInvoiceList list;
    FakeClock clock;
    InvoiceBrowser browser{store, prompter, clock};
    QStringList statements;

    StoreFixture()
    {
        EXPECT_TRUE(store.open());
        for (const char* id : {"A", "B", "C", "D", "E"})
            seedDocument(store, {QString::fromLatin1(id)});
        list.replaceRows(runInvoiceQuery(store, QStringLiteral("0"), QDateTime(QDate(2024, 1, 1), QTime(0, 0)),
                                         QDateTime(QDate(2024, 12, 31), QTime(0, 0))));
        store.setStatementObserver([this](const SqlStatement& s) {
            QString line = s.text;
            for (const QVariant& v : s.values)
                line += QLatin1Char('|') + v.toString();
            statements << line;
        });
    }
    void tick(const QStringList& ids)
    {
        for (int r = 0; r < list.rowCount(); ++r)
            list.setChecked(r, ids.contains(list.text(r, ColOrderId)));
    }
    // Makes every statement of `table` of kind `what` fail for document `id`.
    void failOn(const char* what, const char* table, const QString& id)
    {
        where.refuse(store, QLatin1String(what), QLatin1String(table), QStringLiteral("old.FCustOrderId='%1'").arg(id));
    }
    int rowOf(const QString& id) const
    {
        for (int r = 0; r < list.rowCount(); ++r)
            if (list.text(r, ColOrderId) == id)
                return r;
        return -1;
    }
};

} // namespace

TEST(InvoiceBrowser, SelectionTotalsCountAndSumTheTickedRows)
{
    struct Case {
        const char* name;
        std::vector<InvoiceRow> rows;
        bool ok;
        QString count;
        QString amount;
    };
    const Case cases[] = {
        {"empty list", {}, true, QStringLiteral("选中的发票张数为:0"), QStringLiteral("选中的发票金额为:0.00")},
        {"nothing ticked",
         {listRow("A", "5.00", false)},
         true,
         QStringLiteral("选中的发票张数为:0"),
         QStringLiteral("选中的发票金额为:0.00")},
        {"grouping",
         {listRow("A", "1234.50", true), listRow("B", "99.00", false), listRow("C", "0.25", true)},
         true,
         QStringLiteral("选中的发票张数为:2"),
         QStringLiteral("选中的发票金额为:1,234.75")},
        {"millions",
         {listRow("A", "999999.99", true), listRow("B", "1000000.01", true)},
         true,
         QStringLiteral("选中的发票张数为:2"),
         QStringLiteral("选中的发票金额为:2,000,000.00")},
        {"credit note",
         {listRow("A", "-1234.5", true)},
         true,
         QStringLiteral("选中的发票张数为:1"),
         QStringLiteral("选中的发票金额为:-1,234.50")},
        {"unticked text is not read",
         {listRow("A", "abc", false), listRow("B", "1", true)},
         true,
         QStringLiteral("选中的发票张数为:1"),
         QStringLiteral("选中的发票金额为:1.00")},
        {"ticked text", {listRow("A", "1", true), listRow("B", "abc", true)}, false, {}, {}},
        {"ticked grouped text", {listRow("A", "1,234.50", true)}, false, {}, {}},
        {"ticked empty", {listRow("A", "", true)}, false, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PlainInvoiceList list;
        list.replaceRows(c.rows);
        const InvoiceBrowser::Totals totals = InvoiceBrowser::selectionTotals(list);
        EXPECT_EQ(totals.ok, c.ok);
        EXPECT_EQ(totals.countLabel, c.count);
        EXPECT_EQ(totals.amountLabel, c.amount);
        EXPECT_EQ(totals.failure.isEmpty(), c.ok);
    }
}

TEST(InvoiceBrowser, LineItemsInLineOrderAsStored)
{
    const struct {
        const char* id;
        int lines;
    } cases[] = {{"TWELVE", 12}, {"NONE", 0}, {"O'NEIL", 3}};
    StoreFixture f;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        seedDocument(f.store, {QString::fromLatin1(c.id), QStringLiteral("1.00"), c.lines});
        const std::vector<QStringList> items = f.browser.lineItems(QString::fromLatin1(c.id));
        ASSERT_EQ(static_cast<int>(items.size()), c.lines);
        for (int n = 1; n <= c.lines; ++n) {
            const QStringList expected = {
                QString::number(n), QStringLiteral("%1 item %2").arg(QLatin1String(c.id)).arg(n),
                QString::number(n * 10), QStringLiteral("1.5"), QStringLiteral("%1.0000").arg(n * 15)};
            EXPECT_EQ(items[static_cast<size_t>(n - 1)], expected);
        }
    }
}

TEST(InvoiceBrowser, DeletionAsksThenDeletesEachDocumentWhole)
{
    const QString header = QStringLiteral("delete * from InvoiceMaster where FCustOrderId=?|");
    const QString lines = QStringLiteral("delete * from InvoiceDetail where FCustOrderId=?|");
    using O = InvoiceBrowser::DeleteOutcome;
    struct Case {
        const char* name;
        bool emptyList;
        QStringList ticked;
        int answer;
        const char* failWhat;
        const char* failTable;
        O outcome;
        QStringList boxes;
        QStringList statements;
        QStringList gone;
    };
    const QString question = QStringLiteral("您确定要删除所选取的发票吗？");
    const Case cases[] = {
        {"empty list",
         true,
         {},
         0,
         nullptr,
         nullptr,
         O::NothingListed,
         {QStringLiteral("请先查询选择发票数据，再删除发票!")},
         {},
         {}},
        {"nothing ticked",
         false,
         {},
         0,
         nullptr,
         nullptr,
         O::NothingTicked,
         {QStringLiteral("请先选中发票数据，再删除发票!")},
         {},
         {}},
        {"answered No", false, {"B"}, ButtonCode::No, nullptr, nullptr, O::Refused, {question}, {}, {}},
        {"three ticked",
         false,
         {"B", "D", "E"},
         ButtonCode::Yes,
         nullptr,
         nullptr,
         O::Deleted,
         {question},
         {header + "B", lines + "B", header + "D", lines + "D", header + "E", lines + "E"},
         {"B", "D", "E"}},
        {"lines of one fail",
         false,
         {"B", "C", "D"},
         ButtonCode::Yes,
         "delete",
         "invoiceDetail",
         O::Deleted,
         {question, QStringLiteral("出错原因：")},
         {header + "B", lines + "B", header + "C", lines + "C", header + "D", lines + "D"},
         {"B", "D"}},
        {"header of one fails",
         false,
         {"B", "C", "D"},
         ButtonCode::Yes,
         "delete",
         "invoiceMaster",
         O::Deleted,
         {question, QStringLiteral("出错原因：")},
         {header + "B", lines + "B", header + "C", header + "D", lines + "D"},
         {"B", "D"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StoreFixture f;
        if (c.emptyList)
            f.list.replaceRows({});
        f.tick(c.ticked);
        if (c.failWhat)
            f.failOn(c.failWhat, c.failTable, QStringLiteral("C"));
        if (c.answer)
            f.prompter.queueAnswer(c.answer);
        f.statements.clear();

        const InvoiceBrowser::Deletion result = f.browser.deleteTicked(f.list);
        EXPECT_EQ(result.outcome, c.outcome);
        const QStringList texts = f.prompter.texts();
        ASSERT_EQ(texts.size(), c.boxes.size()) << texts.join(QLatin1Char('/')).toStdString();
        for (int i = 0; i < texts.size(); ++i)
            EXPECT_TRUE(texts[i].startsWith(c.boxes[i])) << texts[i].toStdString();

        QStringList deletes;
        for (const QString& s : f.statements)
            if (s.startsWith(QLatin1String("delete")))
                deletes << s;
        EXPECT_EQ(deletes, c.statements);

        // Each document is there with all its lines, or gone with all of them.
        EXPECT_EQ(f.store.transactionDepth(), 0);
        for (const char* id : {"A", "B", "C", "D", "E"}) {
            const QString doc = QString::fromLatin1(id);
            const bool gone = c.gone.contains(doc);
            EXPECT_EQ(storedHeader(f.store, doc).count(), gone ? 0 : 1) << id;
            EXPECT_EQ(storedLineCount(f.store, doc), gone ? 0 : 2) << id;
        }
        EXPECT_EQ(result.deleted, c.gone.size());
    }
}

TEST(InvoiceBrowser, EditChangesTheRowOnlyAfterTheStoreTookIt)
{
    using O = InvoiceBrowser::EditOutcome;
    struct Case {
        const char* name;
        QString code, number, state;
        bool storeFails;
        O outcome;
        QStringList boxes;
        // What the row and the store show afterwards: code, number, state text / FOK.
        QStringList row;
        QStringList stored;
    };
    const QStringList untouchedRow = {QString(), QString(), QStringLiteral("未开票")};
    const QStringList untouchedStore = {QString(), QString(), QStringLiteral("0")};
    const Case cases[] = {
        {"typed code and number",
         QStringLiteral("12345"),
         QStringLiteral("678"),
         QStringLiteral("未开票"),
         false,
         O::Saved,
         {},
         {"12345", "678", "未开票"},
         {"12345", "678", "0"}},
        {"blanks around the code",
         QStringLiteral("  12345 "),
         QStringLiteral("678 "),
         QStringLiteral("已开票 "),
         false,
         O::Refused,
         {QStringLiteral("发票状态只能是“未开票”或“已开票”，请重新选择!")},
         untouchedRow,
         untouchedStore},
        {"blanks kept in the store",
         QStringLiteral("  12345 "),
         QStringLiteral(" 678"),
         QStringLiteral("已开票"),
         false,
         O::Saved,
         {},
         {"12345", "678", "已开票"},
         {"  12345 ", " 678", "1"}},
        {"state matching no entry",
         QStringLiteral("1"),
         QStringLiteral("2"),
         QStringLiteral("作废"),
         false,
         O::Refused,
         {QStringLiteral("发票状态只能是“未开票”或“已开票”，请重新选择!")},
         untouchedRow,
         untouchedStore},
        {"empty state",
         QStringLiteral("1"),
         QStringLiteral("2"),
         QString(),
         false,
         O::Refused,
         {QStringLiteral("发票状态只能是“未开票”或“已开票”，请重新选择!")},
         untouchedRow,
         untouchedStore},
        {"store refuses",
         QStringLiteral("1"),
         QStringLiteral("2"),
         QStringLiteral("已开票"),
         true,
         O::Failed,
         {QStringLiteral("出错原因：")},
         untouchedRow,
         untouchedStore},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StoreFixture f;
        if (c.storeFails)
            f.failOn("update", "invoiceMaster", QStringLiteral("C"));
        const int row = f.rowOf(QStringLiteral("C"));
        const InvoiceRow before = f.list.rows().at(static_cast<size_t>(row));

        const O outcome = f.browser.applyEdit(f.list, {row, QStringLiteral("C"), c.code, c.number, c.state});
        EXPECT_EQ(outcome, c.outcome);
        const QStringList texts = f.prompter.texts();
        ASSERT_EQ(texts.size(), c.boxes.size());
        for (int i = 0; i < texts.size(); ++i)
            EXPECT_TRUE(texts[i].startsWith(c.boxes[i])) << texts[i].toStdString();

        EXPECT_EQ(
            (QStringList{f.list.text(row, ColInvCode), f.list.text(row, ColInvNumber), f.list.text(row, ColState)}),
            c.row);
        const Rows stored = storedHeader(f.store, QStringLiteral("C"));
        EXPECT_EQ((QStringList{stored.value(0, QStringLiteral("FInvCode")),
                               stored.value(0, QStringLiteral("FInvNumber")), stored.value(0, QStringLiteral("FOK"))}),
                  c.stored);
        // Nothing else of the row or of other rows changes.
        for (int col = 1; col <= kInvoiceTextColumns; ++col)
            if (col != ColInvCode && col != ColInvNumber && col != ColState) {
                EXPECT_EQ(f.list.text(row, col), before.text(col));
            }
        EXPECT_EQ(storedHeader(f.store, QStringLiteral("B")).value(0, QStringLiteral("FOK")), QStringLiteral("0"));
    }
}

// Who may touch a document whose issuing attempt is open, on either engine: nobody while a run
// holds it; once the run has let go, the clerk settles it with a code and a number (the attempt's,
// or others after a Yes) that no other document holds, or as not issued; it is deleted only once
// settled.
TEST(InvoiceBrowser, SettlingAndDeletingAnOpenAttempt)
{
    using O = InvoiceBrowser::EditOutcome;
    const QString code = QStringLiteral("3100071140");
    const QString runIssuing = QStringLiteral("开票站“甲站”正在为销售单据 B 开票，现在不能修改或删除它。\n"
                                              "请等这次开票结束后再操作（如果那次开票已经中断，30秒后即可核对）。");
    struct Case {
        const char* name;
        bool runHolds; // the run still holds B's attempt (its lease is live)
        QString code, number, state;
        int answer; // to the question about other numbers, if asked
        O outcome;
        QStringList boxes;
        QStringList stored; // B's FInvCode, FInvNumber, FOK afterwards
        bool open;          // B's attempt afterwards
    };
    const QStringList untouched{QString(), QString(), QStringLiteral("0")};
    const Case cases[] = {
        {"a run holds it",
         true,
         code,
         QStringLiteral("00000002"),
         QStringLiteral("已开票"),
         0,
         O::Refused,
         {runIssuing},
         untouched,
         true},
        {"a run holds it, settled not issued",
         true,
         {},
         {},
         QStringLiteral("未开票"),
         0,
         O::Refused,
         {runIssuing},
         untouched,
         true},
        {"the attempt's numbers",
         false,
         code,
         QStringLiteral("00000002"),
         QStringLiteral("已开票"),
         0,
         O::Saved,
         {},
         {code, QStringLiteral("00000002"), QStringLiteral("1")},
         false},
        {"not issued", false, {}, {}, QStringLiteral("未开票"), 0, O::Saved, {}, {{}, {}, QStringLiteral("0")}, false},
        {"issued without numbers",
         false,
         QStringLiteral(" "),
         {},
         QStringLiteral("已开票"),
         0,
         O::Refused,
         {QStringLiteral("销售单据 B 记为“已开票”须填写开票软件中这张发票的发票代码和发票号码。")},
         untouched,
         true},
        {"other numbers, answered No",
         false,
         code,
         QStringLiteral("00000009"),
         QStringLiteral("已开票"),
         ButtonCode::No,
         O::Refused,
         {QStringLiteral("销售单据 B 这次开票记下的是：发票代码 3100071140，发票号码 00000002。\n您填写的是：发票代码 "
                         "3100071140，发票号码 00000009。\n开票软件中这张单据的发票确实是您填写的号码吗？")},
         untouched,
         true},
        {"other numbers, answered Yes",
         false,
         code,
         QStringLiteral("00000009"),
         QStringLiteral("已开票"),
         ButtonCode::Yes,
         O::Saved,
         {QStringLiteral("销售单据 B 这次开票记下的是")},
         {code, QStringLiteral("00000009"), QStringLiteral("1")},
         false},
        {"A's numbers",
         false,
         code,
         QStringLiteral("00000001"),
         QStringLiteral("已开票"),
         ButtonCode::Yes,
         O::Refused,
         {QStringLiteral("销售单据 B 这次开票记下的是"),
          QStringLiteral("发票代码 3100071140、发票号码 00000001 已记录给销售单据 A，不能再记给销售单据 B。")},
         untouched,
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StoreFixture f;
        IssueJournal run(f.store, f.clock, f.prompter, QStringLiteral("甲站"));
        ASSERT_TRUE(run.recordIssued(run.begin(QStringLiteral("A"), code, QStringLiteral("00000001")).attempt).done());
        const IssueAttempt b = run.begin(QStringLiteral("B"), code, QStringLiteral("00000002")).attempt;
        if (!c.runHolds)
            run.releaseLease(b);
        if (c.answer)
            f.prompter.queueAnswer(c.answer);
        EXPECT_EQ(
            f.browser.applyEdit(f.list, {f.rowOf(QStringLiteral("B")), QStringLiteral("B"), c.code, c.number, c.state}),
            c.outcome);
        const QStringList boxes = f.prompter.texts();
        ASSERT_EQ(boxes.size(), c.boxes.size()) << boxes.join(QLatin1Char('|')).toStdString();
        for (int i = 0; i < boxes.size(); ++i)
            EXPECT_TRUE(boxes[i].startsWith(c.boxes[i])) << boxes[i].toStdString();
        const Rows stored = storedHeader(f.store, QStringLiteral("B"));
        EXPECT_EQ((QStringList{stored.value(0, QStringLiteral("FInvCode")),
                               stored.value(0, QStringLiteral("FInvNumber")), stored.value(0, QStringLiteral("FOK"))}),
                  c.stored);
        EXPECT_EQ(run.openAttempt(QStringLiteral("B")).has_value(), c.open);
        EXPECT_EQ(f.store.transactionDepth(), 0);

        // Deleting it: refused while its attempt is open, done once it is settled.
        f.prompter.clear();
        f.tick({QStringLiteral("B")});
        f.prompter.queueAnswer(ButtonCode::Yes);
        const InvoiceBrowser::Deletion deletion = f.browser.deleteTicked(f.list);
        EXPECT_EQ(deletion.deleted, c.open ? 0 : 1);
        EXPECT_EQ(storedHeader(f.store, QStringLiteral("B")).isEmpty(), !c.open);
        if (c.open) {
            EXPECT_EQ(f.prompter.texts().value(1),
                      c.runHolds ? runIssuing
                                 : QStringLiteral(
                                       "销售单据 B 有一次开票尚未核对，不能删除。\n请先在开票软件中核对，在“发票修改”"
                                       "中记为“已开票”或“未开票”，再删除。"));
        }
    }
}

namespace {

// Answers the question about other numbers, after another desk settled the attempt meanwhile.
class OtherDeskMeanwhile : public RecordingPrompter {
public:
    std::function<void()> meanwhile;
    int showBox(BoxOwner owner, const QString& text, MessageBoxKind kind) override
    {
        if (kind == MessageBoxKind::YesNo && meanwhile)
            std::exchange(meanwhile, nullptr)();
        return RecordingPrompter::showBox(owner, text, kind);
    }
};

} // namespace

// The clerk's answer to a question is taken on what the store holds when it is written: an
// attempt another desk settled while the question was up is not settled a second time.
TEST(InvoiceBrowser, AnAttemptSettledElsewhereWhileTheClerkAnswersIsLeftAsSettled)
{
    StoreFixture f;
    IssueJournal run(f.store, f.clock, f.prompter, QStringLiteral("甲站"));
    const IssueAttempt b =
        run.begin(QStringLiteral("B"), QStringLiteral("3100071140"), QStringLiteral("00000002")).attempt;
    run.releaseLease(b);
    OtherDeskMeanwhile prompter;
    prompter.meanwhile = [&] {
        RecordingPrompter quiet;
        LocalStore otherDesk(f.where.location(), quiet);
        ASSERT_TRUE(otherDesk.open());
        InvoiceBrowser elsewhere(otherDesk, quiet, f.clock, QStringLiteral("乙站"));
        PlainInvoiceList none;
        ASSERT_EQ(elsewhere.applyEdit(none, {-1, QStringLiteral("B"), QString(), QString(), QStringLiteral("未开票")}),
                  InvoiceBrowser::EditOutcome::Saved)
            << quiet.texts().join(QLatin1Char('|')).toStdString();
    };
    InvoiceBrowser browser(f.store, prompter, f.clock, QStringLiteral("丙站"));
    EXPECT_EQ(
        browser.applyEdit(f.list, {f.rowOf(QStringLiteral("B")), QStringLiteral("B"), QStringLiteral("3100071140"),
                                   QStringLiteral("00000099"), QStringLiteral("已开票")}),
        InvoiceBrowser::EditOutcome::Refused);
    ASSERT_EQ(prompter.texts().size(), 2);
    EXPECT_EQ(prompter.texts()[1], QStringLiteral("销售单据 B 的开票记录刚刚有了变化（另一台电脑开票或核对了它），没有"
                                                  "保存。请重新查询后再修改。"));
    EXPECT_EQ(storedHeader(f.store, QStringLiteral("B")).value(0, QStringLiteral("FOK")), QStringLiteral("0"));
    const std::vector<IssueAttempt> attempts =
        run.list(QStringLiteral("2000-01-01 00:00:00"), QStringLiteral("2100-01-01 00:00:00"));
    ASSERT_EQ(attempts.size(), 1u);
    EXPECT_EQ(attempts[0].settledState, QStringLiteral("0"));
    EXPECT_EQ(attempts[0].settledBy, QStringLiteral("乙站"));
}
