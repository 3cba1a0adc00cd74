#pragma once

#include "app/Prompter.h"
#include "invoicing/WindowAutomation.h"

#include <QString>

namespace corvina {

// What the clerk reads when the automation stops.
QString problemText(WindowAutomation::Problem problem);
// The automation's problems as information boxes over the main window.
WindowAutomation::InfoSink infoBoxes(Prompter& prompter);

} // namespace corvina
