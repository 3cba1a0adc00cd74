#pragma once

#include <QString>
#include <atomic>
#include <functional>

namespace corvina {

class InvoiceList;
class IssueJournal;
class Prompter;
struct InvoiceRow;

// What the run needs of the invoicing program for one invoice, in the order it uses them. Each
// step that returns false has shown its own message.
class IssuingSteps {
public:
    virtual ~IssuingSteps() = default;
    // The print offsets of the control file, once per run; false ends the run abnormally.
    virtual bool ReadPrintSettings() = 0;
    // Readiness of the invoicing program, then the issuing data and both request files for the
    // pending row, given as the run found it.
    virtual bool PrepareIssue(const InvoiceRow& row) = 0;
    // The issuing dialog, opened and enabled.
    virtual bool OpenIssueDialog() = 0;
    virtual bool FindIssueButtons() = 0;
    // Right before "保存": the enabled book still offers the code and number the request carries.
    virtual bool BookAsPrepared(const QString& orderId) = 0;
    virtual void PressIssueButtons() = 0;
    // After the presses: the invoicing program's book shows the number used. Shows nothing.
    virtual bool ConfirmIssue() = 0;
    // Code and number of the invoice prepared last (FPDM, DQKYH).
    virtual QString invoiceCode() const = 0;
    virtual QString invoiceNumber() const = 0;
};

// Normal: the list was done, a stop was seen, or the run stopped after its message (the button
// offers to start again). Abnormal: the control file, the dialog or its buttons could not be used,
// or an unexpected failure came (the button keeps its stop caption until pressed).
enum class BatchEnd { Normal, Abnormal };

struct BatchRunHooks {
    std::function<void()> repaint; // after an issued invoice was written into the list
    // After an invoice was issued and recorded (the command line prints it).
    std::function<void(const QString& orderId, const QString& code, const QString& number)> issued;
    // A pending row another station sharing the store has claimed or issued was passed over;
    // `text` says so (the front ends log it, the command line also prints it).
    std::function<void(const QString& orderId, const QString& text)> passedOver;
};

// The batch run: visits the rows present at its start and issues each pending one (ticked and
// "未开票"). Before preparing a row the station claims its document in the journal; a document
// another station has claimed or issued is passed over (its row refreshed to what the store says)
// and the run goes on. The attempt's code and number are committed before "保存" is pressed, and
// the invoice is recorded in the store and the list only once the invoicing program's book shows
// its number used. The run stops at the first failure, at a document whose earlier attempt of
// this station is still open, or when BatchRunning is cleared. The list is reached only through `list` (on the
// window, an accessor that runs each call on the UI thread).
BatchEnd RunBatchIssue(InvoiceList& list, IssueJournal& journal, Prompter& prompter, std::atomic<bool>& BatchRunning,
                       IssuingSteps& steps, const BatchRunHooks& hooks);

} // namespace corvina
