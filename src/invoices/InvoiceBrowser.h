#pragma once

#include <QString>
#include <QStringList>
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
    InvoiceBrowser(LocalStore& store, Prompter& prompter, const Clock& clock);

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
    enum class DeleteOutcome { NothingListed, NothingTicked, Refused, Deleted };
    struct Deletion {
        DeleteOutcome outcome = DeleteOutcome::NothingListed;
        int deleted = 0;
        int failed = 0;
    };
    Deletion deleteTicked(const InvoiceList& list);

    // The edit dialog's OK: the texts as typed into its boxes. The list row changes only after
    // the store took the update; Refused when the state text is neither entry (after an
    // information box), Failed after the store's own message. Storing "未开票", or "已开票" with a
    // code and a number, also settles the document's open issuing attempt, in the same transaction.
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
    LocalStore& m_store;
    Prompter& m_prompter;
    const Clock& m_clock;
};

} // namespace corvina
