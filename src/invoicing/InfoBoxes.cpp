#include "invoicing/InfoBoxes.h"

#include "invoicing/Texts.h"

namespace corvina {

QString problemText(WindowAutomation::Problem problem)
{
    using Problem = WindowAutomation::Problem;
    switch (problem) {
    case Problem::WindowSystemUnreachable:
        return InvoicingTexts::WindowSystemUnreachable;
    case Problem::InvoicingNotRunning:
        return InvoicingTexts::InvoicingNotRunning;
    case Problem::InvoicingTooSlow:
        return InvoicingTexts::InvoicingTooSlow;
    case Problem::IssuingUnavailable:
        return InvoicingTexts::IssuingUnavailable;
    case Problem::IssueDialogTooSlow:
        return InvoicingTexts::IssueDialogTooSlow;
    }
    return QString();
}

WindowAutomation::InfoSink infoBoxes(Prompter& prompter)
{
    return [&prompter](WindowAutomation::Problem problem) {
        ShowMessageBox(prompter, BoxOwner::MainWindow, problemText(problem), MessageBoxKind::Info);
    };
}

} // namespace corvina
