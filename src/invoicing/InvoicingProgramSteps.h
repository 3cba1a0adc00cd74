#pragma once

#include "invoicing/IssuePreparer.h"
#include "invoicing/IssuingDatabase.h"
#include "invoicing/RequestFileWriter.h"
#include "invoicing/TIssuingData.h"
#include "invoicing/WindowAutomation.h"
#include "issuing/BatchRun.h"

#include <memory>

namespace corvina {

struct AppSettings;
class Clock;
class LocalStore;
class Prompter;

// What lives for the whole program run on the issuing side: the issuing data (its company part
// is read once) and the print offsets of the last run. Used by one batch thread at a time.
struct IssuingState {
    TIssuingData data;
    PrintOffsets offsets;
};

// The run's steps against the real invoicing program: its control file, its database (over the
// batch thread's own connection), the request files and its windows. `store` is the batch
// thread's connection to the local store (the documents' line items).
class InvoicingProgramSteps : public IssuingSteps {
public:
    InvoicingProgramSteps(const AppSettings& settings, LocalStore& store, IssuingState& state, WindowServices& windows,
                          Clock& clock, Prompter& prompter);

    bool ReadPrintSettings() override;
    bool PrepareIssue(const InvoiceRow& row) override;
    bool OpenIssueDialog() override;
    bool FindIssueButtons() override;
    bool BookAsPrepared(const QString& orderId) override;
    void PressIssueButtons() override;
    bool ConfirmIssue() override;
    QString invoiceCode() const override { return m_state.data.FPDM; }
    QString invoiceNumber() const override { return m_state.data.DQKYH; }

private:
    QString m_controlFile;
    IssuingState& m_state;
    Clock& m_clock;
    Prompter& m_prompter;
    IssuingDatabase m_database;
    RequestFileWriter m_writer;
    WindowAutomation m_automation;
    IssuePreparer m_preparer;
    WindowHandle m_dialog = NoWindow;
};

// The steps over the desktop's own window services, which they own.
std::unique_ptr<IssuingSteps> createPlatformIssuingSteps(const AppSettings& settings, LocalStore& store,
                                                         IssuingState& state, Clock& clock, Prompter& prompter);

} // namespace corvina
