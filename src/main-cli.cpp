#include "cli/Commands.h"
#include "platform/ProcessConsole.h"
#include "platform/ProcessStart.h"

#include <cstdio>

// corvina built without the window (CORVINA_BUILD_GUI=OFF): every command, and a word instead of
// the window.
int main(int argc, char** argv)
{
    corvina::prepareProcess();
    if (corvina::cli::isCommandLine(argc, argv)) {
        corvina::useParentConsole();
        return corvina::cli::runCommandLine(argc, argv);
    }
    std::fputs("corvina: built without the window; name a command (corvina --help lists them)\n", stderr);
    return 2;
}
