#include "invoices/StoreImportedDocument.h"

#include "app/Clock.h"
#include "app/Failure.h"
#include "app/Gbk.h"
#include "app/NumberText.h"
#include "invoices/Texts.h"
#include "store/LocalStore.h"
#include "store/Statements.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace corvina {

namespace {

constexpr int kRemarkPieces = 5;
constexpr int kRemarkPieceBytes = 100;

double readNumber(const QString& text, const QString& reason)
{
    double value = 0;
    if (!parseDecimal(text, &value))
        throw Failure(reason);
    return value;
}

// Lines per insert statement: a document's lines in one round trip, well inside the engines'
// limits on bound values.
constexpr int kLinesPerInsert = 100;

StoreOutcome storeInside(LocalStore& store, const Clock& clock, const ImportedDocument& doc)
{
    const QString& id = doc.FCustOrderId;
    const Rows held = store.select(Statements::importCheck(id));
    const bool present = held.value(0, QStringLiteral("headers")).toInt() > 0;

    // Every line's numbers are checked before anything is written.
    std::vector<double> sums;
    sums.reserve(static_cast<size_t>(doc.Lines.size()));
    for (int i = 0; i < doc.Lines.size(); ++i) {
        const ImportedLine& line = doc.Lines.at(i);
        const int row = i < doc.lineRows.size() ? doc.lineRows.at(i) : i + 1;
        const double count =
            readNumber(line.FCount, ImportTexts::BadQuantity.arg(id, QString::number(row), line.FCount));
        const double price = readNumber(line.FPrice, ImportTexts::BadPrice.arg(id, QString::number(row), line.FPrice));
        // Two numbers near the top of the range multiply to an infinity, which is no amount.
        const double sum = count * price;
        if (!std::isfinite(sum))
            throw Failure(ImportTexts::BadLineSum.arg(id, QString::number(row)));
        sums.push_back(sum);
    }
    if (present)
        return StoreOutcome::AlreadyPresent;

    // Lines without a header are leftovers; a failure clearing them is shown by the store and
    // does not stop the document.
    if (held.value(0, QStringLiteral("lines")).toInt() > 0)
        store.execute(Statements::clearLines(id));

    const QStringList remark = cutGbkPieces(doc.Remark, kRemarkPieces, kRemarkPieceBytes);
    SqlStatement header{Statements::insertHeaderText(), {}, {}};
    header.named = {
        {QStringLiteral(":FCustOrderId"), id},
        {QStringLiteral(":FCustName"), doc.FCustName},
        {QStringLiteral(":FCustPo"), doc.FCustPo},
        {QStringLiteral(":FCustOutportNo"), doc.FCustOutportNo},
        {QStringLiteral(":FCustAcc"), doc.FCustAcc},
        {QStringLiteral(":FCustSinature"), doc.FCustSinature},
        {QStringLiteral(":FCustContractNo"), doc.FCustContractNo},
        {QStringLiteral(":FCustCX"), doc.FCustCX},
        {QStringLiteral(":FCustVF"), doc.FCustVF},
        {QStringLiteral(":FMM1"), remark.value(0)},
        {QStringLiteral(":FMM2"), remark.value(1)},
        {QStringLiteral(":FMM3"), remark.value(2)},
        {QStringLiteral(":FMM4"), remark.value(3)},
        {QStringLiteral(":FMM5"), remark.value(4)},
        {QStringLiteral(":FInDate"), clock.now().toString(QStringLiteral("yyyy-MM-dd HH:mm"))},
        {QStringLiteral(":FOK"), QStringLiteral("0")},
        {QStringLiteral(":FNoTaxSum"), formatFixed(doc.AmountSum, 2)},
    };
    store.run(header);

    for (int first = 0; first < doc.Lines.size(); first += kLinesPerInsert) {
        const int n = std::min(kLinesPerInsert, static_cast<int>(doc.Lines.size()) - first);
        SqlStatement insert{Statements::insertLinesText(n), {}, {}};
        insert.values.reserve(n * 6);
        for (int i = first; i < first + n; ++i) {
            const ImportedLine& line = doc.Lines.at(i);
            // In DocumentFields::Line order.
            insert.values << id << QString::number(i + 1) << line.FItem << line.FCount << line.FPrice
                          << formatFixed(sums[static_cast<size_t>(i)], 4);
        }
        store.run(insert);
    }
    return StoreOutcome::Stored;
}

} // namespace

StoreOutcome StoreImportedDocument(LocalStore& store, const Clock& clock, const ImportedDocument& document)
{
    const int depthBefore = store.transactionDepth();
    store.beginTransaction();
    try {
        const StoreOutcome outcome = storeInside(store, clock, document);
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

} // namespace corvina
