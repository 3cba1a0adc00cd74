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

InvoiceBrowser::InvoiceBrowser(LocalStore& store, Prompter& prompter, const Clock& clock, QString station)
    : m_store(store), m_prompter(prompter), m_clock(clock), m_station(std::move(station))
{
}

void InvoiceBrowser::refuse(const QString& text)
{
    ShowMessageBox(m_prompter, BoxOwner::MainWindow, text, MessageBoxKind::Info);
}

InvoiceBrowser::Totals InvoiceBrowser::selectionTotals(const InvoiceList& list)
{
    Totals totals;
    for (int row = 0; row < list.rowCount(); ++row) {
        // A document waiting to be settled is counted with neither state.
        if (!list.isChecked(row) || list.text(row, ColState) == BrowserTexts::AwaitingCheck)
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
    if (m_store.isOpen() && m_store.isReadOnly()) {
        // Said once, before the question, rather than failing each document without a word.
        ShowMessageBox(m_prompter, BoxOwner::MainWindow,
                       StoreTexts::StatementError + StoreTexts::ReadOnlyStore.arg(m_store.shownLocation()),
                       MessageBoxKind::Error);
        result.outcome = DeleteOutcome::Refused;
        return result;
    }
    if (ShowMessageBox(m_prompter, BoxOwner::MainWindow, BrowserTexts::DeleteQuestion, MessageBoxKind::YesNo) ==
        ButtonCode::No) {
        result.outcome = DeleteOutcome::Refused;
        return result;
    }

    result.outcome = DeleteOutcome::Deleted;
    IssueJournal journal(m_store, m_clock, m_prompter, m_station);
    const int depth = m_store.transactionDepth();
    for (const QString& document : documents) {
        try {
            m_store.beginTransaction();
        } catch (const Failure&) {
            ++result.failed; // the rerun query still lists it
            continue;
        }
        // Under the document's lock: an attempt whose invoice may have gone out keeps its document,
        // or nobody could settle it, and a claim made a moment later finds the document gone.
        std::optional<IssueAttempt> open;
        try {
            m_store.select(Statements::documentState(document));
            open = journal.openAttempt(document);
        } catch (const Failure& failure) {
            m_store.rollbackTo(depth);
            ShowMessageBox(m_prompter, BoxOwner::Application, StoreTexts::StatementError + failure.message(),
                           MessageBoxKind::Error);
            ++result.failed;
            continue;
        }
        if (open) {
            m_store.rollbackTo(depth);
            refuse(open->leaseLive
                       ? BrowserTexts::RunIssuing.arg(document, open->station).arg(IssueJournal::LeaseSeconds)
                       : BrowserTexts::DeleteOpenAttempt.arg(document));
            ++result.failed;
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

QString InvoiceBrowser::settlingRefusal(const Edit& edit, const QString& stateValue,
                                        const std::optional<IssueAttempt>& attempt) const
{
    if (!attempt)
        return QString();
    if (attempt->leaseLive)
        return BrowserTexts::RunIssuing.arg(edit.orderId, attempt->station).arg(IssueJournal::LeaseSeconds);
    // Settling "已开票" takes the invoicing program's code and number.
    if (stateValue == QLatin1String("1") && (edit.code.trimmed().isEmpty() || edit.number.trimmed().isEmpty()))
        return BrowserTexts::SettleNeedsNumbers.arg(edit.orderId);
    return QString();
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
    IssueJournal journal(m_store, m_clock, m_prompter, m_station);
    const QString code = edit.code.trimmed();
    const QString number = edit.number.trimmed();
    const auto failed = [&](const Failure& failure) {
        ShowMessageBox(m_prompter, BoxOwner::Application, StoreTexts::StatementError + failure.message(),
                       MessageBoxKind::Error);
        return EditOutcome::Failed;
    };

    // What needs the clerk comes first, outside the transaction: no lock is held while a box waits.
    std::optional<IssueAttempt> seen;
    try {
        seen = journal.openAttempt(edit.orderId);
    } catch (const Failure& failure) {
        return failed(failure);
    }
    if (const QString why = settlingRefusal(edit, stateValue, seen); !why.isEmpty()) {
        refuse(why);
        return EditOutcome::Refused;
    }
    // The invoicing program used other numbers than the attempt's: only after the clerk says so.
    if (seen && stateValue == QLatin1String("1") && (code != seen->code || number != seen->number) &&
        ShowMessageBox(m_prompter, BoxOwner::MainWindow,
                       BrowserTexts::SettleOtherNumbers.arg(edit.orderId, seen->code, seen->number, code, number),
                       MessageBoxKind::YesNo) != ButtonCode::Yes)
        return EditOutcome::Refused;

    const int depth = m_store.transactionDepth();
    QString why;
    try {
        m_store.beginTransaction();
        // Under the document's lock, as the run takes it before writing its outcome: decided on
        // what is committed now, which may have changed while the clerk read the question.
        m_store.select(Statements::documentState(edit.orderId));
        const std::optional<IssueAttempt> attempt = journal.openAttempt(edit.orderId);
        if (attempt.has_value() != seen.has_value() || (attempt && attempt->id != seen->id))
            why = BrowserTexts::EditChangedMeanwhile.arg(edit.orderId);
        if (why.isEmpty())
            why = settlingRefusal(edit, stateValue, attempt);
        if (why.isEmpty() && stateValue == QLatin1String("1") && !code.isEmpty() && !number.isEmpty())
            if (const QString holder = journal.invoiceHolder(code, number, edit.orderId); !holder.isEmpty())
                why = BrowserTexts::InvoiceHeld.arg(holder, edit.orderId);
        if (why.isEmpty()) {
            m_store.run(Statements::editUpdate(edit.code, edit.number, stateValue, edit.orderId));
            if (attempt)
                journal.settle(*attempt, stateValue, code, number);
            m_store.commit();
        } else {
            m_store.rollbackTo(depth);
        }
    } catch (const Failure& failure) {
        m_store.rollbackTo(depth);
        return failed(failure);
    }
    if (!why.isEmpty()) {
        refuse(why);
        return EditOutcome::Refused;
    }
    if (edit.rowIndex >= 0 && edit.rowIndex < list.rowCount()) {
        list.setText(edit.rowIndex, ColInvCode, code);
        list.setText(edit.rowIndex, ColInvNumber, number);
        list.setText(edit.rowIndex, ColState, edit.state.trimmed());
    }
    return EditOutcome::Saved;
}

} // namespace corvina
