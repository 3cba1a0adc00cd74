#pragma once

#include "store/SqlStatement.h"

namespace corvina::Statements {

// The statements run against the local store. Every value is bound; none enters the text.

// Existence test before storing an imported document.
SqlStatement existenceTest(const QString& orderId);
// Leftovers of a new document: header, then lines.
SqlStatement clearHeader(const QString& orderId);
SqlStatement clearLines(const QString& orderId);
// The import's inserts use named parameters; bind every value as text.
QString insertHeaderText();
QString insertLineText();
// The query of the main window; bounds are "YYYY-MM-DD hh:nn" texts.
SqlStatement invoiceQuery(const QString& stateValue, const QString& from, const QString& to);
// Line items of a document, in line order (list view and request file).
SqlStatement lineItems(const QString& orderId);
SqlStatement requestLineItems(const QString& orderId);
// Deletion of a document, header first.
SqlStatement deleteHeader(const QString& orderId);
SqlStatement deleteLines(const QString& orderId);
// The edit dialog's update.
SqlStatement editUpdate(const QString& code, const QString& number, const QString& stateValue, const QString& orderId);
// Recording an issued invoice.
SqlStatement markIssued(const QString& code, const QString& number, const QString& orderId);

} // namespace corvina::Statements
