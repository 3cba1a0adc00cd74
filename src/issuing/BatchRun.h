#pragma once

#include <QString>
#include <atomic>
#include <functional>

namespace corvina {

class InvoiceList;
class LocalStore;
class Prompter;

// What the run needs of the invoicing program for one invoice, in the order it uses them.
class IssuingSteps {
public:
    virtual ~IssuingSteps() = default;
    // The print offsets of the control file, once per run; false ends the run abnormally.
    virtual bool ReadPrintSettings() = 0;
    // Readiness, issuing data and both request files for the row; false after its message.
    virtual bool PrepareIssue(int row) = 0;
    // The issuing dialog, opened and enabled; false after its message.
    virtual bool OpenIssueDialog() = 0;
    virtual bool FindIssueButtons() = 0;
    virtual void PressIssueButtons() = 0;
    // Code and number of the invoice prepared last (FPDM, DQKYH).
    virtual QString invoiceCode() const = 0;
    virtual QString invoiceNumber() const = 0;
};

enum class BatchEnd { Normal, Abnormal };

struct BatchRunHooks {
    std::function<void(const QString& caption)> setCaption; // the start/stop button
    std::function<void()> repaint;
    // After an invoice was issued and recorded (the command line prints it).
    std::function<void(const QString& orderId, const QString& code, const QString& number)> issued;
};

// The batch run: visits the rows present at its start, issues each pending one (ticked and
// "未开票"), records it in the store and the list, and stops at the first failure or when
// BatchRunning is cleared. The list is reached only through `list` (on the window, an accessor
// that runs each call on the UI thread).
BatchEnd RunBatchIssue(InvoiceList& list, LocalStore& store, Prompter& prompter, std::atomic<bool>& BatchRunning,
                       IssuingSteps& steps, const BatchRunHooks& hooks);

} // namespace corvina
