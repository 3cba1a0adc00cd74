#include "store/InvoiceQuery.h"

#include "app/Gbk.h"
#include "store/LocalStore.h"
#include "store/Rows.h"
#include "store/Statements.h"
#include "store/Texts.h"

namespace corvina {

const StateEntries& queryStateEntries()
{
    static const StateEntries entries{{StoreTexts::QueryNotIssued, QStringLiteral("0")},
                                      {StoreTexts::QueryIssued, QStringLiteral("1")}};
    return entries;
}

const StateEntries& editStateEntries()
{
    static const StateEntries entries{{StoreTexts::NotIssued, QStringLiteral("0")},
                                      {StoreTexts::Issued, QStringLiteral("1")}};
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
    return trimControl(fok) == QLatin1String("1") ? StoreTexts::Issued : StoreTexts::NotIssued;
}

QString queryTimeText(const QDateTime& t)
{
    return t.toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}

InvoiceRow invoiceRowFromRecord(const Rows& rows, int index, int number)
{
    // Column positions looked up once per call; the caller's loop is short compared with the read.
    static const char* const fields[] = {"FInDate", "FCustOrderId", "FInvCode", "FInvNumber", "FCustName",
                                         "FNoTaxSum", "FCustPo", "FCustOutportNo", "FCustAcc", "FCustSinature",
                                         "FCustContractNo", "FCustCX", "FCustVF"};
    InvoiceRow row;
    row.text(ColNumber) = QString::number(number);
    const QStringList& values = rows.row(index);
    auto get = [&](const char* name) {
        const int c = rows.columnIndex(QLatin1String(name));
        return c < 0 ? QString() : values.at(c);
    };
    for (int i = 0; i < 13; ++i)
        row.text(ColInDate + i) = get(fields[i]);
    QString remark;
    for (const char* piece : {"FMM1", "FMM2", "FMM3", "FMM4", "FMM5"})
        remark += trimControl(get(piece));
    row.text(ColRemark) = remark;
    row.text(ColState) = listStateText(get("FOK"));
    return row;
}

std::vector<InvoiceRow> runInvoiceQuery(LocalStore& store, const QString& stateValue, const QDateTime& from,
                                        const QDateTime& to)
{
    const Rows rows = store.select(Statements::invoiceQuery(stateValue, queryTimeText(from), queryTimeText(to)));
    std::vector<InvoiceRow> out;
    out.reserve(static_cast<size_t>(rows.count()));
    for (int i = 0; i < rows.count(); ++i)
        out.push_back(invoiceRowFromRecord(rows, i, i + 1));
    return out;
}

} // namespace corvina
