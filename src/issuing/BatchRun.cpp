#include "issuing/BatchRun.h"

#include "app/Failure.h"
#include "app/Gbk.h"
#include "app/Prompter.h"
#include "invoices/InvoiceList.h"
#include "invoices/InvoiceQuery.h"
#include "invoices/Texts.h"
#include "issuing/Texts.h"
#include "store/IssueJournal.h"
#include "store/Texts.h"

#include <QHash>

namespace corvina {

namespace {

void errorBox(Prompter& prompter, const QString& text)
{
    ShowMessageBox(prompter, BoxOwner::MainWindow, text, MessageBoxKind::Error);
}

// A row the run is done with: unticked, and showing the document's invoice and state.
void settleRow(InvoiceList& list, int row, const QString& code, const QString& number, const QString& state,
               const BatchRunHooks& hooks)
{
    list.setChecked(row, false);
    list.setText(row, ColInvCode, code);
    list.setText(row, ColInvNumber, number);
    list.setText(row, ColState, state);
    if (hooks.repaint)
        hooks.repaint();
}

} // namespace

BatchEnd RunBatchIssue(InvoiceList& list, IssueJournal& journal, Prompter& prompter, std::atomic<bool>& BatchRunning,
                       IssuingSteps& steps, const BatchRunHooks& hooks)
{
    // A stop after a message: the run ends normally, and the next start press begins afresh.
    auto stopped = [&] {
        BatchRunning.store(false);
        return BatchEnd::Normal;
    };
    if (!steps.ReadPrintSettings())
        return BatchEnd::Abnormal;

    // Code and number of every invoice recorded by this run, with the document it went to.
    QHash<QString, QString> recorded;
    const auto key = [](const QString& code, const QString& number) { return code + QLatin1Char('\n') + number; };

    const int rows = list.rowCount();
    for (int row = 0; row < rows; ++row) {
        // Rows are read when the run reaches them (the clerk may still tick or untick rows ahead);
        // the ones passed over, and the pending row's texts, are read in one step. A row beyond the
        // list's current end is never addressed.
        InvoiceRow pending;
        row = list.nextRowInState(row, rows, BrowserTexts::NotIssued, &pending);
        if (row < 0)
            break;
        if (!BatchRunning.load())
            return BatchEnd::Normal;
        const QString orderId = trimControl(pending.text(ColOrderId));

        // The claim: no other station (nor a later run) takes the document while it is in hand.
        IssueJournal::Begun claim = journal.claim(orderId);
        const auto passOver = [&](const QString& why) {
            settleRow(list, row, claim.storedCode, claim.storedNumber, listStateText(claim.storedState), hooks);
            if (hooks.passedOver)
                hooks.passedOver(orderId, why);
        };
        switch (claim.outcome) {
        case IssueJournal::BeginOutcome::Started:
            break;
        case IssueJournal::BeginOutcome::AlreadyOpen:
            if (!journal.isOwn(claim.attempt)) {
                passOver(IssuingTexts::ClaimedElsewhere.arg(orderId, claim.attempt.station, claim.attempt.startedAt));
                continue;
            }
            // An attempt of this station's left open may have issued an invoice: only the clerk can say.
            errorBox(prompter, claim.attempt.hasNumbers()
                                   ? IssuingTexts::AttemptOpen.arg(orderId, claim.attempt.code, claim.attempt.number)
                                   : IssuingTexts::AttemptOpenUnnumbered.arg(orderId));
            return stopped();
        case IssueJournal::BeginOutcome::AlreadyIssued:
            passOver(IssuingTexts::IssuedElsewhere.arg(orderId, claim.storedCode, claim.storedNumber));
            continue;
        case IssueJournal::BeginOutcome::NotStored:
            errorBox(prompter, IssuingTexts::NoLongerStored.arg(orderId));
            return stopped();
        case IssueJournal::BeginOutcome::Failed:
            return stopped();
        }
        IssueAttempt& attempt = claim.attempt;
        // Until "保存" nothing went out: a run that stops gives the claim back.
        const auto giveBack = [&](BatchEnd end) {
            journal.withdraw(attempt);
            if (end == BatchEnd::Normal)
                BatchRunning.store(false);
            return end;
        };

        if (!steps.PrepareIssue(pending))
            return giveBack(BatchEnd::Normal);
        const QString code = steps.invoiceCode();
        const QString number = steps.invoiceNumber();
        if (recorded.contains(key(code, number))) {
            errorBox(prompter,
                     IssuingTexts::NumberAlreadyRecorded.arg(orderId, code, number, recorded.value(key(code, number))));
            return giveBack(BatchEnd::Normal);
        }
        if (!steps.OpenIssueDialog() || !steps.FindIssueButtons())
            return giveBack(BatchEnd::Abnormal);
        if (!steps.BookAsPrepared(orderId))
            return giveBack(BatchEnd::Normal);

        // Committed before "保存": if the tool dies from here on, the next run finds them open.
        if (!journal.setNumbers(attempt, code, number))
            return giveBack(BatchEnd::Normal);

        steps.PressIssueButtons();
        if (!steps.ConfirmIssue()) {
            // Nothing is recorded; the attempt stays open so that no run issues the document again
            // before the clerk has looked.
            journal.recordUnconfirmed(attempt);
            errorBox(prompter, IssuingTexts::NotConfirmed.arg(orderId, code, number));
            return stopped();
        }

        const bool stored = journal.recordIssued(attempt);
        // The invoicing program has issued it either way: the list says so, so that it is not
        // issued a second time from this list.
        settleRow(list, row, code, number, BrowserTexts::Issued, hooks);
        if (!stored) {
            // The store still reads "未开票" and the attempt stays open: stop before anything else
            // goes out, and give the clerk what to record by hand.
            errorBox(prompter, IssuingTexts::RecordByHand.arg(orderId, code, number));
            return stopped();
        }
        recorded.insert(key(code, number), orderId);
        if (hooks.issued)
            hooks.issued(orderId, code, number);
    }
    return BatchEnd::Normal;
}

} // namespace corvina
