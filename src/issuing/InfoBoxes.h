#pragma once

#include "app/Prompter.h"
#include "issuing/WindowAutomation.h"

namespace corvina {

// The automation's messages as information boxes over the main window.
WindowAutomation::InfoSink infoBoxes(Prompter& prompter);

} // namespace corvina
