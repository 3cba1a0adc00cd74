#pragma once

namespace corvina {

// The command line's output when the program was started from a console. On Windows corvina.exe is
// a windowed program (the clerk gets no console window beside the main window), so a command run
// from a console attaches to it; elsewhere there is nothing to do. Each backend defines it.
void useParentConsole();

} // namespace corvina
