#include "invoices/InvoiceQuery.h"

#include "app/Gbk.h"
#include "invoices/Texts.h"
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

// The list's columns 2 to 14 in order, then the remark pieces and the state.
const char* const kFields[] = {"FInDate",
                               "FCustOrderId",
                               "FInvCode",
                               "FInvNumber",
                               "FCustName",
                               "FNoTaxSum",
                               "FCustPo",
                               "FCustOutportNo",
                               "FCustAcc",
                               "FCustSinature",
                               "FCustContractNo",
                               "FCustCX",
                               "FCustVF",
                               "FMM1",
                               "FMM2",
                               "FMM3",
                               "FMM4",
                               "FMM5",
                               "FOK"};
constexpr size_t kFieldCount = std::size(kFields);

} // namespace

std::vector<InvoiceRow> runInvoiceQuery(LocalStore& store, const QString& stateValue, const QDateTime& from,
                                        const QDateTime& to)
{
    // Streamed straight into list rows: a big result is never held a second time.
    std::vector<InvoiceRow> out;
    std::array<int, kFieldCount> pos{}; // position of each field in the result, -1 when absent
    store.selectEach(
        Statements::invoiceQuery(stateValue, queryTimeText(from), queryTimeText(to)),
        [&](const QStringList& names) {
            const Rows header(names);
            for (size_t i = 0; i < kFieldCount; ++i)
                pos[i] = header.columnIndex(QLatin1String(kFields[i]));
        },
        [&](std::vector<QString>& values) {
            auto take = [&](size_t field) {
                return pos[field] < 0 ? QString() : std::move(values[static_cast<size_t>(pos[field])]);
            };
            InvoiceRow& row = out.emplace_back();
            row.text(ColNumber) = QString::number(out.size());
            for (size_t i = 0; i < 13; ++i)
                row.text(ColInDate + static_cast<int>(i)) = take(i);
            QString remark;
            for (size_t piece = 13; piece < 18; ++piece)
                remark += trimControl(take(piece));
            row.text(ColRemark) = remark;
            row.text(ColState) = listStateText(take(18));
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
