#include "issuing/InfoBoxes.h"

#include "issuing/Texts.h"

namespace corvina {

QString problemText(WindowAutomation::Problem problem)
{
    using Problem = WindowAutomation::Problem;
    switch (problem) {
    case Problem::WindowSystemUnreachable:
        return IssuingTexts::WindowSystemUnreachable;
    case Problem::InvoicingNotRunning:
        return IssuingTexts::InvoicingNotRunning;
    case Problem::InvoicingTooSlow:
        return IssuingTexts::InvoicingTooSlow;
    case Problem::IssuingUnavailable:
        return IssuingTexts::IssuingUnavailable;
    case Problem::IssueDialogTooSlow:
        return IssuingTexts::IssueDialogTooSlow;
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
