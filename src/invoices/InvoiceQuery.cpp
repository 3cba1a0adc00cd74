#include "invoices/InvoiceQuery.h"
#include "invoices/InvoiceCaptions.h"

#include "app/Gbk.h"
#include "invoices/Texts.h"
#include "store/DocumentFields.h"
#include "store/LocalStore.h"
#include "store/Rows.h"
#include "store/Statements.h"

#include <QSet>
#include <array>
#include <iterator>

namespace corvina {

const StateEntries& queryStateEntries()
{
    static const StateEntries entries{{BrowserTexts::QueryNotIssued, QStringLiteral("0")},
                                      {BrowserTexts::QueryIssued, QStringLiteral("1")}};
    return entries;
}

const StateEntries& editStateEntries()
{
    static const StateEntries entries{{BrowserTexts::NotIssued, QStringLiteral("0")},
                                      {BrowserTexts::Issued, QStringLiteral("1")}};
    return entries;
}

QString mappedStateValue(const StateEntries& entries, const QString& text)
{
    for (const auto& [shown, value] : entries)
        if (shown.compare(text, Qt::CaseInsensitive) == 0)
            return value;
    return QString();
}

QString listStateText(const QString& fok)
{
    return trimControl(fok) == QLatin1String("1") ? BrowserTexts::Issued : BrowserTexts::NotIssued;
}

QString queryTimeText(const QDateTime& t)
{
    return t.toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}

namespace {

// What the list shows, in column order: columns 2 to 14 from the fields the column table names,
// then the remark's pieces and the state.
constexpr size_t kShownFields = ColVF - ColInDate + 1;
constexpr size_t kFieldCount = kShownFields + DocumentFields::RemarkPieces.size() + 1;

std::array<QString, kFieldCount> listedFields()
{
    std::array<QString, kFieldCount> fields;
    size_t i = 0;
    for (int column = ColInDate; column <= ColVF; ++column)
        fields[i++] = invoiceJsonKey(column);
    for (const QLatin1StringView piece : DocumentFields::RemarkPieces)
        fields[i++] = piece;
    fields[i] = QStringLiteral("FOK");
    return fields;
}

} // namespace

std::vector<InvoiceRow> runInvoiceQuery(LocalStore& store, const QString& stateValue, const QDateTime& from,
                                        const QDateTime& to)
{
    // Streamed straight into list rows: a big result is never held a second time.
    std::vector<InvoiceRow> out;
    static const std::array<QString, kFieldCount> fields = listedFields();
    std::array<int, kFieldCount> pos{}; // position of each field in the result, -1 when absent
    store.selectEach(
        Statements::invoiceQuery(stateValue, queryTimeText(from), queryTimeText(to)),
        [&](const QStringList& names) {
            const Rows header(names);
            for (size_t i = 0; i < kFieldCount; ++i)
                pos[i] = header.columnIndex(fields[i]);
        },
        [&](std::vector<QString>& values) {
            auto take = [&](size_t field) {
                return pos[field] < 0 ? QString() : std::move(values[static_cast<size_t>(pos[field])]);
            };
            InvoiceRow& row = out.emplace_back();
            row.text(ColNumber) = QString::number(out.size());
            for (size_t i = 0; i < kShownFields; ++i)
                row.text(ColInDate + static_cast<int>(i)) = take(i);
            QString remark;
            for (size_t piece = kShownFields; piece < kFieldCount - 1; ++piece)
                remark += trimControl(take(piece));
            row.text(ColRemark) = remark;
            row.text(ColState) = listStateText(take(kFieldCount - 1));
        });
    // A document whose issuing attempt waits to be settled is neither issued nor pending: the run
    // passes it over and the clerk sees it.
    const Rows open = store.select(Statements::openAttemptDocuments());
    if (!open.isEmpty()) {
        QSet<QString> waiting;
        for (int r = 0; r < open.count(); ++r)
            waiting.insert(open.at(r, 0));
        for (InvoiceRow& row : out)
            if (waiting.contains(row.text(ColOrderId)))
                row.text(ColState) = BrowserTexts::AwaitingCheck;
    }
    return out;
}

} // namespace corvina
