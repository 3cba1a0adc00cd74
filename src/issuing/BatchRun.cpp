#include "issuing/BatchRun.h"

#include "app/Failure.h"
#include "app/Gbk.h"
#include "app/Prompter.h"
#include "invoices/InvoiceList.h"
#include "invoices/InvoiceQuery.h"
#include "invoices/Texts.h"
#include "issuing/Texts.h"
#include "store/AttemptLease.h"
#include "store/IssueJournal.h"
#include "store/Texts.h"

#include <QHash>
#include <optional>
#include <utility>

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
            // Another station's, or a run of this station's that is issuing it right now (a second
            // program on the same folder): theirs to finish.
            if (!journal.isOwn(claim.attempt) || claim.attempt.leaseLive) {
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
        // The run holds the attempt while it works on it: nobody settles, edits or deletes the
        // document meanwhile. Whenever the run leaves the attempt open (a stop, a failure, an
        // exception) it lets go of it, so that the clerk may settle it at once.
        struct Hold {
            IssueJournal& journal;
            const IssueAttempt& attempt;
            std::optional<AttemptLease> lease;
            bool open = true;
            void end(bool stillOpen)
            {
                lease.reset();
                if (std::exchange(open, false) && stillOpen)
                    journal.releaseLease(attempt);
            }
            ~Hold() { end(true); }
        } hold{journal, attempt, std::nullopt};
        hold.lease.emplace(journal.storeLocation(), attempt.id, IssueJournal::LeaseRenewSeconds);
        // Until "保存" nothing went out: a run that stops gives the claim back. Its reason has been
        // shown once; a claim that cannot be given back waits for the clerk in the list.
        const auto giveBack = [&](BatchEnd end) {
            hold.end(!journal.withdraw(attempt).done());
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

        // Committed and synced before "保存": if the tool dies from here on, the next run finds them
        // open. A number that any document or other open attempt holds is never sent.
        if (const IssueJournal::Outcome numbered = journal.setNumbers(attempt, code, number); !numbered.done()) {
            errorBox(prompter, numbered.kind == IssueJournal::Outcome::Kind::Refused
                                   ? IssuingTexts::NumberHeld.arg(orderId, numbered.reason)
                                   : StoreTexts::StatementError + numbered.reason);
            return giveBack(BatchEnd::Normal);
        }

        steps.PressIssueButtons();
        if (!steps.ConfirmIssue()) {
            // Nothing is recorded; the attempt stays open so that no run issues the document again
            // before the clerk has looked.
            hold.end(!journal.recordUnconfirmed(attempt).done());
            errorBox(prompter, IssuingTexts::NotConfirmed.arg(orderId, code, number));
            return stopped();
        }

        const IssueJournal::Outcome stored = journal.recordIssued(attempt);
        hold.end(!stored.done());
        if (!stored.done()) {
            // The invoicing program has issued it: the list says so, so that it is not issued a
            // second time from this list. The store still reads as it did: stop before anything
            // else goes out, and give the clerk what to check.
            settleRow(list, row, code, number, BrowserTexts::Issued, hooks);
            errorBox(prompter, stored.kind == IssueJournal::Outcome::Kind::Refused
                                   ? IssuingTexts::RecordRefused.arg(orderId, code, number, stored.reason)
                                   : IssuingTexts::RecordByHand.arg(orderId, code, number) + QLatin1Char('\n') +
                                         StoreTexts::StatementError + stored.reason);
            return stopped();
        }
        settleRow(list, row, code, number, BrowserTexts::Issued, hooks);
        recorded.insert(key(code, number), orderId);
        if (hooks.issued)
            hooks.issued(orderId, code, number);
    }
    return BatchEnd::Normal;
}

} // namespace corvina
