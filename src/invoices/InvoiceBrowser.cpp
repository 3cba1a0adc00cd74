#include "invoices/InvoiceBrowser.h"

#include "app/Failure.h"
#include "app/NumberText.h"
#include "app/Prompter.h"
#include "invoices/InvoiceCaptions.h"
#include "invoices/InvoiceList.h"
#include "invoices/InvoiceQuery.h"
#include "invoices/Texts.h"
#include "store/IssueJournal.h"
#include "store/LocalStore.h"
#include "store/Rows.h"
#include "store/Statements.h"
#include "store/Texts.h"

namespace corvina {

InvoiceBrowser::InvoiceBrowser(LocalStore& store, Prompter& prompter, const Clock& clock)
    : m_store(store), m_prompter(prompter), m_clock(clock)
{
}

InvoiceBrowser::Totals InvoiceBrowser::selectionTotals(const InvoiceList& list)
{
    Totals totals;
    for (int row = 0; row < list.rowCount(); ++row) {
        if (!list.isChecked(row))
            continue;
        const QString amount = list.text(row, ColNoTaxSum);
        double value = 0;
        if (!parseDecimal(amount.trimmed(), &value)) {
            totals.failure = BrowserTexts::AmountNotANumber.arg(list.text(row, ColOrderId), amount);
            return totals;
        }
        totals.sum += value;
        ++totals.count;
    }
    totals.ok = true;
    totals.amountLabel = BrowserTexts::AmountPrefix + formatGrouped(totals.sum);
    totals.countLabel = BrowserTexts::CountPrefix + QString::number(totals.count);
    return totals;
}

std::vector<QStringList> InvoiceBrowser::lineItems(const QString& orderId)
{
    const Rows rows = m_store.select(Statements::lineItems(orderId));
    std::vector<QStringList> items;
    items.reserve(static_cast<size_t>(rows.count()));
    for (int r = 0; r < rows.count(); ++r) {
        QStringList item;
        for (int c = 0; c < kLineColumns; ++c)
            item << rows.value(r, lineField(c));
        items.push_back(item);
    }
    return items;
}

InvoiceBrowser::Deletion InvoiceBrowser::deleteTicked(const InvoiceList& list)
{
    Deletion result;
    if (list.rowCount() == 0) {
        ShowMessageBox(m_prompter, BoxOwner::MainWindow, BrowserTexts::DeleteNothingListed, MessageBoxKind::Info);
        return result;
    }
    QStringList documents;
    for (int row = 0; row < list.rowCount(); ++row)
        if (list.isChecked(row))
            documents << list.text(row, ColOrderId);
    if (documents.isEmpty()) {
        result.outcome = DeleteOutcome::NothingTicked;
        ShowMessageBox(m_prompter, BoxOwner::MainWindow, BrowserTexts::DeleteNothingTicked, MessageBoxKind::Info);
        return result;
    }
    if (ShowMessageBox(m_prompter, BoxOwner::MainWindow, BrowserTexts::DeleteQuestion, MessageBoxKind::YesNo) ==
        ButtonCode::No) {
        result.outcome = DeleteOutcome::Refused;
        return result;
    }

    result.outcome = DeleteOutcome::Deleted;
    for (const QString& document : documents) {
        try {
            m_store.beginTransaction();
        } catch (const Failure&) {
            ++result.failed; // the rerun query still lists it
            continue;
        }
        // Header and lines go together: when one delete fails (its reason shown once), the other
        // is undone, so no lines are left without their header or a header without its lines.
        const bool done =
            m_store.execute(Statements::deleteHeader(document)) && m_store.execute(Statements::deleteLines(document));
        try {
            if (done) {
                m_store.commit();
                ++result.deleted;
                continue;
            }
            m_store.rollback();
        } catch (const Failure&) {
            try {
                m_store.rollback();
            } catch (const Failure&) {
            }
        }
        ++result.failed;
    }
    return result;
}

InvoiceBrowser::EditOutcome InvoiceBrowser::applyEdit(InvoiceList& list, const Edit& edit)
{
    const QString stateValue = mappedStateValue(editStateEntries(), edit.state);
    if (stateValue.isEmpty()) {
        // An empty state would hide the document from both choices of the query for good.
        ShowMessageBox(m_prompter, BoxOwner::MainWindow, BrowserTexts::EditStateUnknown, MessageBoxKind::Info);
        return EditOutcome::Refused;
    }
    // The store gets the boxes' texts as typed; the list shows them trimmed. The document's state
    // and the settling of its open issuing attempt go together or not at all.
    if (!m_store.isOpen() && !m_store.open())
        return EditOutcome::Failed; // after the connection message
    const int depth = m_store.transactionDepth();
    try {
        m_store.beginTransaction();
        if (!m_store.execute(Statements::editUpdate(edit.code, edit.number, stateValue, edit.orderId))) {
            m_store.rollbackTo(depth);
            return EditOutcome::Failed;
        }
        IssueJournal(m_store, m_clock, m_prompter).settle(edit.orderId, stateValue, edit.code, edit.number);
        m_store.commit();
    } catch (const Failure& failure) {
        m_store.rollbackTo(depth);
        ShowMessageBox(m_prompter, BoxOwner::Application, StoreTexts::StatementError + failure.message(),
                       MessageBoxKind::Error);
        return EditOutcome::Failed;
    }
    if (edit.rowIndex >= 0 && edit.rowIndex < list.rowCount()) {
        list.setText(edit.rowIndex, ColInvCode, edit.code.trimmed());
        list.setText(edit.rowIndex, ColInvNumber, edit.number.trimmed());
        list.setText(edit.rowIndex, ColState, edit.state.trimmed());
    }
    return EditOutcome::Saved;
}

} // namespace corvina
