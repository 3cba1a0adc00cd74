#pragma once

#include "store/IssueJournal.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace corvina {

class Clock;
class InvoiceList;
class LocalStore;
class Prompter;

// What the invoice browser does besides the query: the totals of the ticked rows, the line items
// of a document, the deletion of ticked documents and the edit dialog's update. No widgets here:
// the window and the command line both drive it.
class InvoiceBrowser {
public:
    // `station` is this desk's name in the issuing journal: settlings made here carry it.
    InvoiceBrowser(LocalStore& store, Prompter& prompter, const Clock& clock, QString station = QString());

    // Count and sum of the ticked rows with the two label texts, or the reason they cannot be
    // added up (a ticked amount that is not a number); the labels then keep their texts.
    struct Totals {
        bool ok = false;
        int count = 0;
        double sum = 0;
        QString countLabel;
        QString amountLabel;
        QString failure;
    };
    static Totals selectionTotals(const InvoiceList& list);

    // FNo, FItem, FCount, FPrice, FSum of each line item, as stored, in line order. A failing
    // select throws Failure.
    std::vector<QStringList> lineItems(const QString& orderId);

    // Deletes every ticked document after the clerk's Yes, each header with its lines in one
    // transaction: a document goes whole or not at all. The caller reruns the query on Deleted.
    // A document with an open issuing attempt stays (one box says why: a run is issuing it, or
    // the attempt must be settled first); the check and the delete happen under its lock.
    enum class DeleteOutcome { NothingListed, NothingTicked, Refused, Deleted };
    struct Deletion {
        DeleteOutcome outcome = DeleteOutcome::NothingListed;
        int deleted = 0;
        int failed = 0;
    };
    Deletion deleteTicked(const InvoiceList& list);

    // The edit dialog's OK: the texts as typed into its boxes. The list row changes only after
    // the store took the update; Refused after one box (the state text is neither entry, a run is
    // issuing the document, "已开票" without a code and a number, a code and number another
    // document holds, or the clerk's No), Failed after the store's own message. Under the
    // document's lock, an open issuing attempt is settled with the update, in one transaction:
    // "未开票", or "已开票" with its code and number; another code and number only after the
    // clerk's Yes to a question that shows both.
    enum class EditOutcome { Saved, Refused, Failed };
    struct Edit {
        int rowIndex = -1;
        QString orderId;
        QString code;
        QString number;
        QString state;
    };
    EditOutcome applyEdit(InvoiceList& list, const Edit& edit);

private:
    // Why the document's open attempt may not be settled by this edit (a run holds it, "已开票"
    // without a code and a number); empty when it may, or when there is none.
    QString settlingRefusal(const Edit& edit, const QString& stateValue,
                            const std::optional<IssueAttempt>& attempt) const;
    void refuse(const QString& text);

    LocalStore& m_store;
    Prompter& m_prompter;
    const Clock& m_clock;
    QString m_station;
};

} // namespace corvina
