#include "invoices/InvoiceQuery.h"
#include "doubles/RecordingPrompter.h"
#include "store/LocalStore.h"
#include "store/Statements.h"
#include "support/TestStore.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace corvina;

namespace {

void addHeader(LocalStore& s, const QString& id, const QString& inDate, const QString& fok,
               const QStringList& remarks = {}, bool nullCode = true)
{
    QStringList mm = remarks;
    while (mm.size() < 5)
        mm << QString();
    SqlStatement st{
        QStringLiteral("insert into invoiceMaster(FCustOrderId,FCustName,FInDate,FOK,FNoTaxSum,FMM1,FMM2,FMM3,"
                       "FMM4,FMM5,FInvCode) values(?,?,?,?,?,?,?,?,?,?,?)"),
        {id, QStringLiteral("客户") + id, inDate, fok, QStringLiteral("12.50"), mm[0], mm[1], mm[2], mm[3], mm[4],
         nullCode ? QVariant() : QVariant(QStringLiteral("C"))},
        {}};
    s.run(st);
}

QDateTime at(const char* text)
{
    return QDateTime::fromString(QString::fromLatin1(text), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

} // namespace

TEST(InvoiceQuery, StateTimeBoundsAndRowTexts)
{
    test::TempFolder dir;
    test::TestStore where(dir);
    RecordingPrompter prompter;
    LocalStore store(where.location(), prompter);
    ASSERT_TRUE(store.open());
    addHeader(store, QStringLiteral("D1"), QStringLiteral("2024-03-05 10:15"), QStringLiteral("0"),
              {QStringLiteral("abc  "), QStringLiteral("def")});
    addHeader(store, QStringLiteral("D2"), QStringLiteral("2024-03-05 10:16"), QStringLiteral("1"));
    addHeader(store, QStringLiteral("D3"), QStringLiteral("2024-03-05 10:14"), QStringLiteral(" 1 "));
    addHeader(store, QStringLiteral("D4"), QStringLiteral("2024-03-05 10:15"), QString());

    struct Case {
        QString state;
        const char* from;
        const char* to;
        QStringList ids;
    } cases[] = {
        // A document imported at 10:15:40 is stored as 10:15: found by a range ending or starting 10:15.
        {QStringLiteral("0"), "2024-03-05 10:15:59", "2024-03-05 10:15:00", {QStringLiteral("D1")}},
        {QStringLiteral("0"), "2024-03-05 00:00:00", "2024-03-05 10:15:30", {QStringLiteral("D1")}},
        {QStringLiteral("1"), "2024-03-05 00:00:00", "2024-03-06 00:00:00", {QStringLiteral("D2")}},
        {QStringLiteral(""), "2024-03-05 00:00:00", "2024-03-06 00:00:00", {QStringLiteral("D4")}},
        {QStringLiteral("0"), "2024-03-05 10:16:00", "2024-03-05 10:14:00", {}}, // start after end
    };
    for (const Case& c : cases) {
        const auto rows = runInvoiceQuery(store, c.state, at(c.from), at(c.to));
        QStringList ids;
        for (const InvoiceRow& r : rows)
            ids << r.text(ColOrderId);
        ids.sort();
        EXPECT_EQ(ids, c.ids) << c.from << " " << c.to;
    }

    const auto rows = runInvoiceQuery(store, QStringLiteral("0"), at("2024-01-01 00:00:00"), at("2024-12-31 00:00:00"));
    ASSERT_EQ(rows.size(), 1u);
    const InvoiceRow& r = rows[0];
    EXPECT_FALSE(r.checked);
    EXPECT_EQ(r.text(ColNumber), QStringLiteral("1"));
    EXPECT_EQ(r.text(ColInDate), QStringLiteral("2024-03-05 10:15"));
    EXPECT_EQ(r.text(ColCustName), QStringLiteral("客户D1"));
    EXPECT_EQ(r.text(ColInvCode), QString()); // null reads as empty
    EXPECT_EQ(r.text(ColRemark), QStringLiteral("abcdef"));
    EXPECT_EQ(r.text(ColState), QStringLiteral("未开票"));

    // " 1 " is issued once trimmed, but a query for "1" does not find it: the list and the query differ.
    const auto all = store.select({QStringLiteral("select FOK from invoiceMaster order by FCustOrderId"), {}, {}});
    QStringList states;
    for (int i = 0; i < all.count(); ++i)
        states << listStateText(all.value(i, QStringLiteral("FOK")));
    EXPECT_EQ(states, (QStringList{QStringLiteral("未开票"), QStringLiteral("已开票"), QStringLiteral("已开票"),
                                   QStringLiteral("未开票")}));
}

TEST(InvoiceQuery, StateBoxesMapShownTextsWithoutRegardToCase)
{
    struct Case {
        const StateEntries& entries;
        const char* text;
        const char* value;
    } cases[] = {
        {queryStateEntries(), "未开发票", "0"}, {queryStateEntries(), "已开发票", "1"},
        {queryStateEntries(), "已开", ""},      {queryStateEntries(), "", ""},
        {editStateEntries(), "已开票", "1"},    {editStateEntries(), "未开票", "0"},
        {editStateEntries(), "未开发票", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(mappedStateValue(c.entries, QString::fromUtf8(c.text)), QString::fromLatin1(c.value)) << c.text;
    const StateEntries latin{{QStringLiteral("Open"), QStringLiteral("0")}};
    EXPECT_EQ(mappedStateValue(latin, QStringLiteral("oPEN")), QStringLiteral("0"));
}

// The list keeps its order on either engine, also after documents were edited: by import time, and
// within one minute in the order the documents were stored (a server, which keeps no such order
// and moves an edited row to its end, by document number).
TEST(InvoiceQuery, OrderByImportTimeSurvivesEdits)
{
    test::TempFolder dir;
    test::TestStore where(dir);
    RecordingPrompter prompter;
    LocalStore store(where.location(), prompter);
    ASSERT_TRUE(store.open());
    for (const char* id : {"A1", "A2", "A3"})
        addHeader(store, QString::fromLatin1(id), QStringLiteral("2024-03-05 10:15"), QStringLiteral("0"));
    addHeader(store, QStringLiteral("A0"), QStringLiteral("2024-03-05 10:16"), QStringLiteral("0"));
    addHeader(store, QStringLiteral("B9"), QStringLiteral("2024-03-05 10:14"), QStringLiteral("0"));
    const auto listed = [&] {
        QStringList ids;
        for (const InvoiceRow& row :
             runInvoiceQuery(store, QStringLiteral("0"), at("2024-03-05 00:00:00"), at("2024-03-06 00:00:00")))
            ids << row.text(ColOrderId);
        return ids;
    };
    const QStringList order{QStringLiteral("B9"), QStringLiteral("A1"), QStringLiteral("A2"), QStringLiteral("A3"),
                            QStringLiteral("A0")};
    EXPECT_EQ(listed(), order);
    for (const char* id : {"A1", "B9", "A2"})
        store.run({QStringLiteral("update invoiceMaster set FCustName='改过' where FCustOrderId=?"),
                   {QString::fromLatin1(id)},
                   {}});
    EXPECT_EQ(listed(), order);
}
