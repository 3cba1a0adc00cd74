#include "issuing/InfoBoxes.h"

namespace corvina {

WindowAutomation::InfoSink infoBoxes(Prompter& prompter)
{
    return [&prompter](const std::string& text) {
        ShowMessageBox(prompter, BoxOwner::MainWindow, QString::fromStdString(text), MessageBoxKind::Info);
    };
}

} // namespace corvina
