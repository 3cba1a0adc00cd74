#include "issuing/InvoicingProgramSteps.h"

#include "app/Settings.h"
#include "issuing/InfoBoxes.h"
#include "issuing/PlatformWindowServices.h"
#include "issuing/ReadPrintSettings.h"

namespace corvina {

InvoicingProgramSteps::InvoicingProgramSteps(const AppSettings& settings, InvoiceList& list, LocalStore& store,
                                             IssuingState& state, WindowServices& windows, Clock& clock,
                                             Prompter& prompter)
    : m_controlFile(settings.configFile(QStringLiteral("invoice.xml"))), m_state(state), m_prompter(prompter),
      m_database(settings.IssuingDatabasePath, prompter),
      m_writer(list, state.data, state.offsets, store, clock, prompter), m_automation(windows, infoBoxes(prompter)),
      m_preparer(*this, m_database, m_writer, state.data, clock, prompter, settings.InvoicingSoftwareFolder)
{
}

bool InvoicingProgramSteps::ReadPrintSettings()
{
    return corvina::ReadPrintSettings(m_controlFile, m_prompter, m_state.offsets);
}

bool InvoicingProgramSteps::CheckInvoicingReady()
{
    return m_automation.CheckInvoicingReady();
}

bool InvoicingProgramSteps::PrepareIssue(int row)
{
    return m_preparer.PrepareIssue(row);
}

bool InvoicingProgramSteps::OpenIssueDialog()
{
    m_dialog = m_automation.OpenIssueDialog();
    return m_dialog != NoWindow;
}

bool InvoicingProgramSteps::FindIssueButtons()
{
    return m_automation.FindIssueButtons(m_dialog);
}

void InvoicingProgramSteps::PressIssueButtons()
{
    m_automation.PressIssueButtons();
}

namespace {

// The window services are made before, and outlive, the steps that use them.
struct WindowServicesHolder {
    std::unique_ptr<WindowServices> windows = createPlatformWindowServices();
};

class PlatformIssuingSteps : private WindowServicesHolder, public InvoicingProgramSteps {
public:
    PlatformIssuingSteps(const AppSettings& settings, InvoiceList& list, LocalStore& store, IssuingState& state,
                         Clock& clock, Prompter& prompter)
        : InvoicingProgramSteps(settings, list, store, state, *windows, clock, prompter)
    {
    }
};

} // namespace

std::unique_ptr<IssuingSteps> createPlatformIssuingSteps(const AppSettings& settings, InvoiceList& list,
                                                         LocalStore& store, IssuingState& state, Clock& clock,
                                                         Prompter& prompter)
{
    return std::make_unique<PlatformIssuingSteps>(settings, list, store, state, clock, prompter);
}

} // namespace corvina
