#include "issuing/BatchRun.h"

#include "app/Gbk.h"
#include "app/Prompter.h"
#include "invoices/InvoiceList.h"
#include "issuing/BatchTexts.h"
#include "store/LocalStore.h"
#include "store/Statements.h"

namespace corvina {

BatchEnd RunBatchIssue(InvoiceList& list, LocalStore& store, Prompter& prompter, std::atomic<bool>& BatchRunning,
                       IssuingSteps& steps, const BatchRunHooks& hooks)
{
    auto normalEnd = [&] {
        if (hooks.setCaption)
            hooks.setCaption(BatchTexts::StartCaption);
        return BatchEnd::Normal;
    };
    if (!steps.ReadPrintSettings())
        return BatchEnd::Abnormal;

    const int rows = list.rowCount();
    for (int row = 0; row < rows; ++row) {
        // Rows are read when the run reaches them (the clerk may still tick or untick rows ahead);
        // the ones passed over are read in one step up to the next pending row. A row beyond the
        // list's current end is never addressed.
        row = list.nextRowInState(row, rows, BatchTexts::NotIssuedState);
        if (row < 0)
            break;
        if (!BatchRunning.load())
            return normalEnd();
        if (!steps.PrepareIssue(row)) {
            if (hooks.setCaption)
                hooks.setCaption(BatchTexts::StartCaption);
            BatchRunning.store(false);
            return BatchEnd::Normal;
        }
        if (!steps.OpenIssueDialog() || !steps.FindIssueButtons())
            return BatchEnd::Abnormal;
        steps.PressIssueButtons();

        const QString orderId = trimControl(list.text(row, ColOrderId));
        const QString code = steps.invoiceCode();
        const QString number = steps.invoiceNumber();
        const bool recorded = store.execute(Statements::markIssued(code, number, orderId));
        // The invoicing program has issued it either way: the list says so, so that it is not
        // issued a second time from this list.
        list.setChecked(row, false);
        list.setText(row, ColInvCode, code);
        list.setText(row, ColInvNumber, number);
        list.setText(row, ColState, BatchTexts::IssuedState);
        if (hooks.repaint)
            hooks.repaint();
        if (!recorded) {
            // The store still reads "未开票": stop before anything else goes out, and give the
            // clerk what to record by hand.
            ShowMessageBox(prompter, BoxOwner::MainWindow, BatchTexts::RecordByHand.arg(orderId, code, number),
                           MessageBoxKind::Error);
            BatchRunning.store(false);
            return normalEnd();
        }
        if (hooks.issued)
            hooks.issued(orderId, code, number);
    }
    return normalEnd();
}

} // namespace corvina
