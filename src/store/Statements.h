#pragma once

#include "store/SqlStatement.h"

namespace corvina::Statements {

// The statements run against the local store. Every value is bound; none enters the text.

// Existence test before storing an imported document.
SqlStatement existenceTest(const QString& orderId);
// What the store holds of a document about to be imported, in one reading: its headers (0 or 1)
// and its lines (leftovers when there is no header); holds the document's lock as existenceTest.
SqlStatement importCheck(const QString& orderId);
// Leftovers of a new document: header, then lines.
SqlStatement clearHeader(const QString& orderId);
SqlStatement clearLines(const QString& orderId);
// The import's inserts use named parameters; bind every value as text.
QString insertHeaderText();
QString insertLineText();
// `count` line items in one statement, positional values in DocumentFields::Line order, line after
// line: one round trip to a server for a document's lines.
QString insertLinesText(int count);
// `count` headers in one statement, positional values in DocumentFields::Imported order.
QString insertHeadersText(int count);
// The same with the issued columns after them (Imported, then Issued): a document carried whole
// from another store.
QString insertWholeHeadersText(int count);
// Marks a document issued with this code and number unless it is issued already or a run holds an
// attempt on it; the rows changed say which.
SqlStatement markIssuedWhereNot(const QString& code, const QString& number, const QString& orderId);
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
// The documents that hold an invoice code and number; inside a transaction it holds the pair's
// lock, so that two desks giving out one pair decide one after the other.
SqlStatement invoiceHolders(const QString& code, const QString& number);
// Every issued document whose code and number another issued document also holds (stores written
// before the pair was kept to one document), ordered by the pair.
SqlStatement duplicateInvoices();

// The issuing journal: one row per attempt to issue a document. An attempt is open until the
// invoice is recorded or the clerk settles it; at most one attempt per document is open.
// The document's state and numbers, read when an attempt begins; inside the claim's transaction
// it holds the document's lock, so that two stations claim one after the other.
SqlStatement documentState(const QString& orderId);
// Attempts carry FLeaseLive: 1 while a run still holds them (their lease, renewed by the run, has
// not run out by the store's clock).
SqlStatement openAttempt(const QString& orderId);
SqlStatement openAttemptsWithInvoice(const QString& code, const QString& number);
SqlStatement openAttemptDocuments();
// A new open attempt, held by its run for `leaseSeconds` from now.
SqlStatement beginAttempt(const QString& orderId, const QString& code, const QString& number, const QString& startedAt,
                          const QString& station, int leaseSeconds);
// The code and number an open attempt will issue under, once the book is read.
SqlStatement numberAttempt(qint64 id, const QString& code, const QString& number);
// The run still holds its open attempt: `leaseSeconds` more from now. A released lease stays released.
SqlStatement renewLease(qint64 id, int leaseSeconds);
// The run has let go of the attempt (it ended, leaving it open): the clerk may settle it.
SqlStatement releaseLease(qint64 id);
// A claim given up before anything went to the invoicing program.
SqlStatement withdrawAttempt(qint64 id);
SqlStatement attemptById(qint64 id);
// The outcome found by the run; closedAt is empty for an outcome that leaves the attempt open.
SqlStatement finishAttempt(qint64 id, const QString& outcome, const QString& finishedAt, const QString& closedAt);
// The clerk's settling of an open attempt: the state, code and number stored by hand, and who
// settled it and how.
SqlStatement settleAttempt(qint64 id, const QString& closedAt, const QString& stateValue, const QString& code,
                           const QString& number, const QString& settledBy);
// Attempts begun between two stamps, and every attempt still open, in the order they began.
SqlStatement journalListing(const QString& from, const QString& to);

} // namespace corvina::Statements
