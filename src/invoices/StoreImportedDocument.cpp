#include "invoices/StoreImportedDocument.h"

#include "app/Clock.h"
#include "app/Failure.h"
#include "app/Gbk.h"
#include "app/NumberText.h"
#include "invoices/Texts.h"
#include "store/DocumentFields.h"
#include "store/LocalStore.h"
#include "store/Statements.h"

#include <QSet>
#include <algorithm>
#include <cmath>
#include <vector>

namespace corvina {

namespace {

constexpr int kRemarkPieces = 5;
constexpr int kRemarkPieceBytes = 100;
// Rows per insert statement: many documents or lines in one round trip, each statement's values
// (17 a header, 6 a line) within the 999 that every SQLite build binds.
constexpr int kHeadersPerInsert = 50;
constexpr int kLinesPerInsert = 150;

double readNumber(const QString& text, const QString& reason)
{
    double value = 0;
    if (!parseDecimal(text, &value))
        throw Failure(reason);
    return value;
}

// A document made ready to write: its numbers checked, its header's and lines' values in the
// tables' field order.
struct Prepared {
    QVariantList header;
    QVariantList lines; // six values a line
    int lineCount = 0;
};

// Checks every line's numbers (also of a document already stored) and lays out the values; throws
// Failure with the first wrong line's reason before anything is written.
Prepared prepare(const Clock& clock, const ImportedDocument& doc)
{
    const QString& id = doc.FCustOrderId;
    Prepared p;
    p.lineCount = static_cast<int>(doc.Lines.size());
    p.lines.reserve(p.lineCount * 6);
    for (int i = 0; i < p.lineCount; ++i) {
        const ImportedLine& line = doc.Lines.at(i);
        const int row = i < doc.lineRows.size() ? doc.lineRows.at(i) : i + 1;
        const double count =
            readNumber(line.FCount, ImportTexts::BadQuantity.arg(id, QString::number(row), line.FCount));
        const double price = readNumber(line.FPrice, ImportTexts::BadPrice.arg(id, QString::number(row), line.FPrice));
        // Two numbers near the top of the range multiply to an infinity, which is no amount.
        const double sum = count * price;
        if (!std::isfinite(sum))
            throw Failure(ImportTexts::BadLineSum.arg(id, QString::number(row)));
        // In DocumentFields::Line order.
        p.lines << id << QString::number(i + 1) << line.FItem << line.FCount << line.FPrice << formatFixed(sum, 4);
    }
    const QStringList remark = cutGbkPieces(doc.Remark, kRemarkPieces, kRemarkPieceBytes);
    // In DocumentFields::Imported order.
    p.header << id << doc.FCustName << doc.FCustPo << doc.FCustOutportNo << doc.FCustAcc << doc.FCustSinature
             << doc.FCustContractNo << doc.FCustCX << doc.FCustVF << remark.value(0) << remark.value(1)
             << remark.value(2) << remark.value(3) << remark.value(4)
             << clock.now().toString(QStringLiteral("yyyy-MM-dd HH:mm")) << QStringLiteral("0")
             << formatFixed(doc.AmountSum, 2);
    Q_ASSERT(p.header.size() == static_cast<qsizetype>(DocumentFields::Imported.size()));
    return p;
}

// Runs `insertText(n)` over `values`, `perRow` values a row, at most `rowsPerStatement` rows a
// statement.
void insertRows(LocalStore& store, QString (*insertText)(int), const QVariantList& values, int perRow,
                int rowsPerStatement)
{
    const int rows = static_cast<int>(values.size()) / perRow;
    for (int first = 0; first < rows; first += rowsPerStatement) {
        const int n = std::min(rowsPerStatement, rows - first);
        store.run({insertText(n),
                   values.mid(static_cast<qsizetype>(first) * perRow, static_cast<qsizetype>(n) * perRow),
                   {}});
    }
}

} // namespace

StoreOutcome StoreImportedDocument(LocalStore& store, const Clock& clock, const ImportedDocument& document)
{
    const int depthBefore = store.transactionDepth();
    store.beginTransaction();
    try {
        const QString& id = document.FCustOrderId;
        const Rows held = store.select(Statements::importCheck(id));
        const Prepared p = prepare(clock, document);
        StoreOutcome outcome = StoreOutcome::AlreadyPresent;
        if (held.value(0, QStringLiteral("headers")).toInt() == 0) {
            // Lines without a header are leftovers; a failure clearing them is shown by the
            // store and does not stop the document.
            if (held.value(0, QStringLiteral("lines")).toInt() > 0)
                store.execute(Statements::clearLines(id));
            insertRows(store, Statements::insertHeadersText, p.header, static_cast<int>(p.header.size()), 1);
            insertRows(store, Statements::insertLinesText, p.lines, 6, kLinesPerInsert);
            outcome = StoreOutcome::Stored;
        }
        store.commit();
        return outcome;
    } catch (...) {
        if (store.transactionDepth() > depthBefore) {
            try {
                store.rollback();
            } catch (const Failure&) {
                // The original error is the one the clerk needs to see.
            }
        }
        throw;
    }
}

std::vector<StoreOutcome> StoreImportedGroup(LocalStore& store, const Clock& clock,
                                             const std::vector<const ImportedDocument*>& documents)
{
    std::vector<StoreOutcome> outcomes;
    if (documents.empty())
        return outcomes;
    QStringList marks;
    QVariantList ids;
    for (const ImportedDocument* doc : documents) {
        marks << QStringLiteral("?");
        ids << doc->FCustOrderId;
    }
    const QString in = QStringLiteral(" where FCustOrderId in (") + marks.join(QLatin1Char(',')) + QLatin1Char(')');
    QSet<QString> headers;
    QSet<QString> leftovers;
    const Rows stored = store.select({QStringLiteral("select FCustOrderId from invoiceMaster") + in, ids, {}});
    for (int i = 0; i < stored.count(); ++i)
        headers.insert(stored.value(i, QStringLiteral("FCustOrderId")));
    const Rows lines = store.select({QStringLiteral("select distinct FCustOrderId from invoiceDetail") + in, ids, {}});
    for (int i = 0; i < lines.count(); ++i)
        leftovers.insert(lines.value(i, QStringLiteral("FCustOrderId")));

    QVariantList headerValues;
    QVariantList lineValues;
    int perHeader = 0;
    for (const ImportedDocument* doc : documents) {
        const Prepared p = prepare(clock, *doc);
        if (headers.contains(doc->FCustOrderId)) {
            outcomes.push_back(StoreOutcome::AlreadyPresent);
            continue;
        }
        if (leftovers.contains(doc->FCustOrderId))
            store.run(Statements::clearLines(doc->FCustOrderId));
        perHeader = static_cast<int>(p.header.size());
        headerValues += p.header;
        lineValues += p.lines;
        outcomes.push_back(StoreOutcome::Stored);
    }
    if (perHeader > 0)
        insertRows(store, Statements::insertHeadersText, headerValues, perHeader, kHeadersPerInsert);
    insertRows(store, Statements::insertLinesText, lineValues, 6, kLinesPerInsert);
    return outcomes;
}

} // namespace corvina
