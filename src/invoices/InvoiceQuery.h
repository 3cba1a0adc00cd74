#pragma once

#include "invoices/InvoiceList.h"

#include <QDateTime>
#include <QList>
#include <QPair>
#include <vector>

namespace corvina {

class LocalStore;

// Entries of a state box: shown text and stored value.
using StateEntries = QList<QPair<QString, QString>>;
const StateEntries& queryStateEntries(); // "未开发票" 0, "已开发票" 1
const StateEntries& editStateEntries();  // "未开票" 0, "已开票" 1

// The stored value of the entry whose shown text equals `text` without regard to case; empty
// text when none matches.
QString mappedStateValue(const StateEntries& entries, const QString& text);

// "已开票" when the trimmed state is "1", otherwise "未开票".
QString listStateText(const QString& fok);

// A bound of the import-time range: "YYYY-MM-DD hh:nn", seconds dropped.
QString queryTimeText(const QDateTime& t);

// The query: every document in the state with an import time within [from, to], in store order,
// unchecked and numbered from 1; a document with an open issuing attempt reads "待核对". A failing
// select throws Failure.
std::vector<InvoiceRow> runInvoiceQuery(LocalStore& store, const QString& stateValue, const QDateTime& from,
                                        const QDateTime& to);

} // namespace corvina
