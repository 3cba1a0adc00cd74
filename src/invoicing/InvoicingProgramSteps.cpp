#include "invoicing/InvoicingProgramSteps.h"

#include "app/Settings.h"
#include "invoicing/InfoBoxes.h"
#include "invoicing/IssueConfirmation.h"
#include "invoicing/ReadPrintSettings.h"
#include "invoicing/Texts.h"
#include "platform/PlatformWindowServices.h"

namespace corvina {

InvoicingProgramSteps::InvoicingProgramSteps(const AppSettings& settings, LocalStore& store, IssuingState& state,
                                             WindowServices& windows, Clock& clock, Prompter& prompter)
    : m_controlFile(settings.configFile(QStringLiteral("invoice.xml"))), m_state(state), m_clock(clock),
      m_prompter(prompter), m_database(settings.IssuingDatabasePath, prompter),
      m_writer(state.data, state.offsets, clock, prompter), m_automation(windows, infoBoxes(prompter)),
      m_preparer(m_database, store, m_writer, state.data, clock, prompter, settings.InvoicingSoftwareFolder)
{
}

bool InvoicingProgramSteps::ReadPrintSettings()
{
    return corvina::ReadPrintSettings(m_controlFile, m_prompter, m_state.offsets);
}

bool InvoicingProgramSteps::PrepareIssue(const InvoiceRow& row)
{
    return m_automation.CheckInvoicingReady() && m_preparer.PrepareIssue(row);
}

bool InvoicingProgramSteps::OpenIssueDialog()
{
    m_dialog = m_automation.OpenIssueDialog();
    return m_dialog != NoWindow;
}

bool InvoicingProgramSteps::FindIssueButtons()
{
    if (m_automation.FindIssueButtons(m_dialog))
        return true;
    // The first required button that is missing; the lookup stops there.
    const auto& buttons = m_automation.buttons();
    int missing = invoicing::CloseButton;
    for (const int slot : {invoicing::SaveButton, invoicing::PrintButton}) {
        if (buttons[static_cast<size_t>(slot)] == NoWindow) {
            missing = slot;
            break;
        }
    }
    ShowMessageBox(m_prompter, BoxOwner::MainWindow,
                   InvoicingTexts::IssueButtonMissing.arg(
                       QString::fromUtf8(invoicing::IssueButtonCaptions[static_cast<size_t>(missing)])),
                   MessageBoxKind::Error);
    return false;
}

bool InvoicingProgramSteps::BookAsPrepared(const QString& orderId)
{
    const QString code = m_state.data.FPDM;
    const QString number = m_state.data.DQKYH;
    const std::optional<EnabledBook> book = readEnabledBookQuietly(m_database);
    if (book && !IssueConfirmation::usedUp(*book, code, number))
        return true;
    QString now = InvoicingTexts::BookUnreadable;
    if (book)
        now = book->enabled ? InvoicingTexts::BookNow.arg(book->code, book->number) : InvoicingTexts::BookNoneEnabled;
    ShowMessageBox(m_prompter, BoxOwner::MainWindow, InvoicingTexts::BookChanged.arg(orderId, code, number, now),
                   MessageBoxKind::Error);
    return false;
}

void InvoicingProgramSteps::PressIssueButtons()
{
    m_automation.PressIssueButtons();
}

bool InvoicingProgramSteps::ConfirmIssue()
{
    return IssueConfirmation::ConfirmIssue(m_database, m_clock, m_state.data.FPDM, m_state.data.DQKYH);
}

namespace {

// The window services are made before, and outlive, the steps that use them.
struct WindowServicesHolder {
    std::unique_ptr<WindowServices> windows = createPlatformWindowServices();
};

class PlatformIssuingSteps : private WindowServicesHolder, public InvoicingProgramSteps {
public:
    PlatformIssuingSteps(const AppSettings& settings, LocalStore& store, IssuingState& state, Clock& clock,
                         Prompter& prompter)
        : InvoicingProgramSteps(settings, store, state, *windows, clock, prompter)
    {
    }
};

} // namespace

std::unique_ptr<IssuingSteps> createPlatformIssuingSteps(const AppSettings& settings, LocalStore& store,
                                                         IssuingState& state, Clock& clock, Prompter& prompter)
{
    return std::make_unique<PlatformIssuingSteps>(settings, store, state, clock, prompter);
}

} // namespace corvina
