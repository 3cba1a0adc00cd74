#include "ImportTestEnv.h"

#include "app/Failure.h"
#include "invoices/StoreImportedDocument.h"

#include <gtest/gtest.h>

using namespace corvina;
using test::ImportEnv;

namespace {

ImportedDocument document(const QString& id, QList<ImportedLine> lines, double amount = 0)
{
    ImportedDocument d;
    d.FCustOrderId = id;
    d.FCustName = QStringLiteral("客户");
    d.AmountSum = amount;
    d.Lines = std::move(lines);
    return d;
}

int rowCount(LocalStore& store, const char* table)
{
    return store.select({QStringLiteral("select * from ") + QString::fromLatin1(table), {}, {}}).count();
}

} // namespace

TEST(StoreImportedDocument, LineAmountsAndTotalFormats)
{
    const struct {
        const char* count;
        const char* price;
        const char* sum;
    } lines[] = {
        {"3", "2.5", "7.5000"},    {"2", "100", "200.0000"},    {"-1.5", "2", "-3.0000"},
        {"1e2", "0.5", "50.0000"}, {"+4", "0.00005", "0.0002"}, {"0.1", "0.3", "0.0300"},
    };
    const struct {
        double amount;
        const char* text;
    } totals[] = {{0, "0.00"}, {1234.5, "1234.50"}, {0.125, "0.13"}, {-0.125, "-0.13"}, {1e6, "1000000.00"}};
    ImportEnv env;
    int n = 0;
    for (const auto& t : totals) {
        const QString id = QStringLiteral("T%1").arg(++n);
        QList<ImportedLine> items;
        for (const auto& l : lines)
            items.append({QStringLiteral("item"), QString::fromLatin1(l.count), QString::fromLatin1(l.price)});
        EXPECT_EQ(StoreImportedDocument(*env.store, env.clock, document(id, items, t.amount)), StoreOutcome::Stored);
        EXPECT_EQ(env.header(id).value(0, QStringLiteral("FNoTaxSum")), QString::fromLatin1(t.text));
        const Rows stored = env.lines(id);
        ASSERT_EQ(stored.count(), static_cast<int>(std::size(lines)));
        for (int i = 0; i < stored.count(); ++i) {
            EXPECT_EQ(stored.value(i, QStringLiteral("FSum")), QString::fromLatin1(lines[i].sum)) << i;
            // Quantity and price stay the workbook's texts.
            EXPECT_EQ(stored.value(i, QStringLiteral("FCount")), QString::fromLatin1(lines[i].count));
        }
    }
}

TEST(StoreImportedDocument, NumbersThatAreNoNumbersFailAndLeaveNothing)
{
    const char* bad[] = {"", "1,000", "abc", "1.2.3", "0x10", "inf", "1 000"};
    for (const char* text : bad) {
        SCOPED_TRACE(text);
        ImportEnv env;
        // A good first line, then the bad value as quantity in one document and as price in another.
        const QList<ImportedLine> badCount{{QStringLiteral("a"), QStringLiteral("1"), QStringLiteral("1")},
                                           {QStringLiteral("b"), QString::fromLatin1(text), QStringLiteral("1")}};
        const QList<ImportedLine> badPrice{{QStringLiteral("a"), QStringLiteral("1"), QString::fromLatin1(text)}};
        EXPECT_THROW(StoreImportedDocument(*env.store, env.clock, document(QStringLiteral("B1"), badCount)), Failure);
        EXPECT_THROW(StoreImportedDocument(*env.store, env.clock, document(QStringLiteral("B2"), badPrice)), Failure);
        EXPECT_EQ(rowCount(*env.store, "invoiceMaster"), 0);
        EXPECT_EQ(rowCount(*env.store, "invoiceDetail"), 0);
        EXPECT_EQ(env.store->transactionDepth(), 0);

        // Also for a document that is already stored: checked, and the stored one stays.
        const QList<ImportedLine> good{{QStringLiteral("a"), QStringLiteral("1"), QStringLiteral("1")}};
        StoreImportedDocument(*env.store, env.clock, document(QStringLiteral("B1"), good));
        EXPECT_THROW(StoreImportedDocument(*env.store, env.clock, document(QStringLiteral("B1"), badCount)), Failure);
        EXPECT_EQ(env.lines(QStringLiteral("B1")).count(), 1);
    }
}

TEST(StoreImportedDocument, PresentDocumentIsLeftAsItIsWhateverItsState)
{
    ImportEnv env;
    env.clock.set(QDateTime(QDate(2013, 5, 7), QTime(9, 3, 59)));
    const QList<ImportedLine> one{{QStringLiteral("a"), QStringLiteral("1"), QStringLiteral("2")}};
    ASSERT_EQ(StoreImportedDocument(*env.store, env.clock, document(QStringLiteral("P1"), one, 2)),
              StoreOutcome::Stored);
    EXPECT_EQ(env.header(QStringLiteral("P1")).value(0, QStringLiteral("FInDate")), QStringLiteral("2013-05-07 09:03"));

    for (const char* state : {"0", "1"}) {
        env.store->run({QStringLiteral("update invoiceMaster set FOK=?"), {QString::fromLatin1(state)}, {}});
        env.clock.advance(3600 * 1000);
        const QList<ImportedLine> three(3, ImportedLine{QStringLiteral("b"), QStringLiteral("5"), QStringLiteral("5")});
        EXPECT_EQ(StoreImportedDocument(*env.store, env.clock, document(QStringLiteral("P1"), three, 75)),
                  StoreOutcome::AlreadyPresent);
        const Rows h = env.header(QStringLiteral("P1"));
        EXPECT_EQ(h.value(0, QStringLiteral("FInDate")), QStringLiteral("2013-05-07 09:03"));
        EXPECT_EQ(h.value(0, QStringLiteral("FNoTaxSum")), QStringLiteral("2.00"));
        EXPECT_EQ(h.value(0, QStringLiteral("FOK")), QString::fromLatin1(state));
        EXPECT_EQ(env.lines(QStringLiteral("P1")).count(), 1);
    }
}

TEST(StoreImportedDocument, LeftoverLinesAreReplacedAndLinesNumbered)
{
    ImportEnv env;
    for (int i = 1; i <= 3; ++i)
        env.store->run({QStringLiteral("insert into invoiceDetail(FCustOrderId,FNo,FItem) values(?,?,?)"),
                        {QStringLiteral("L'1"), i, QStringLiteral("old")},
                        {}});
    QList<ImportedLine> twelve;
    for (int i = 1; i <= 12; ++i)
        twelve.append({QStringLiteral("new%1").arg(i), QStringLiteral("1"), QStringLiteral("1")});
    EXPECT_EQ(StoreImportedDocument(*env.store, env.clock, document(QStringLiteral("L'1"), twelve)),
              StoreOutcome::Stored);
    const Rows lines = env.lines(QStringLiteral("L'1"));
    ASSERT_EQ(lines.count(), 12);
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(lines.value(i, QStringLiteral("FNo")), QString::number(i + 1));
        EXPECT_EQ(lines.value(i, QStringLiteral("FItem")), QStringLiteral("new%1").arg(i + 1));
    }
}

TEST(StoreImportedDocument, RemarkCutIntoFivePiecesOfAtMostHundredGbkBytes)
{
    const struct {
        QString remark;
        QStringList pieces;
    } cases[] = {
        {QString(120, QChar(u'中')),
         {QString(50, QChar(u'中')), QString(50, QChar(u'中')), QString(20, QChar(u'中')), {}, {}}},
        {QString(300, QChar(u'中')),
         {QString(50, QChar(u'中')), QString(50, QChar(u'中')), QString(50, QChar(u'中')), QString(50, QChar(u'中')),
          QString(50, QChar(u'中'))}},
        // A character that would straddle byte 100 stays whole.
        {QStringLiteral("a") + QString(60, QChar(u'中')),
         {QStringLiteral("a") + QString(49, QChar(u'中')), QString(11, QChar(u'中')), {}, {}, {}}},
        {QStringLiteral("x;y"), {QStringLiteral("x;y"), {}, {}, {}, {}}},
    };
    ImportEnv env;
    int n = 0;
    for (const auto& c : cases) {
        const QString id = QStringLiteral("R%1").arg(++n);
        ImportedDocument d = document(id, {{QStringLiteral("a"), QStringLiteral("1"), QStringLiteral("1")}});
        d.Remark = c.remark;
        StoreImportedDocument(*env.store, env.clock, d);
        const Rows h = env.header(id);
        for (int p = 0; p < 5; ++p)
            EXPECT_EQ(h.value(0, QStringLiteral("FMM%1").arg(p + 1)), c.pieces.at(p)) << n << " FMM" << p + 1;
    }
}

TEST(StoreImportedDocument, FailedInsertTakesTheWholeDocumentBack)
{
    ImportEnv env;
    // A line insert the store refuses, after the header went in.
    env.where.refuse(*env.store, QStringLiteral("insert"), QStringLiteral("invoiceDetail"),
                     QStringLiteral("new.FItem = 'bad'"));
    const QList<ImportedLine> lines{{QStringLiteral("ok"), QStringLiteral("1"), QStringLiteral("1")},
                                    {QStringLiteral("bad"), QStringLiteral("1"), QStringLiteral("1")}};
    EXPECT_THROW(StoreImportedDocument(*env.store, env.clock, document(QStringLiteral("X1"), lines)), Failure);
    EXPECT_EQ(rowCount(*env.store, "invoiceMaster"), 0);
    EXPECT_EQ(rowCount(*env.store, "invoiceDetail"), 0);
    // Inside a caller's transaction only the document's own part is taken back.
    env.store->beginTransaction();
    StoreImportedDocument(*env.store, env.clock, document(QStringLiteral("X0"), {lines.first()}));
    EXPECT_THROW(StoreImportedDocument(*env.store, env.clock, document(QStringLiteral("X1"), lines)), Failure);
    EXPECT_EQ(env.store->transactionDepth(), 1);
    env.store->commit();
    EXPECT_EQ(env.storedIds(), QStringList{QStringLiteral("X0")});
}
