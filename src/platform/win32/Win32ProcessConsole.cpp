#include "platform/ProcessConsole.h"

#include <windows.h>

#include <cstdio>

namespace corvina {

void useParentConsole()
{
    // Output already going somewhere (a pipe, a file) stays there.
    const auto usable = [](DWORD which) {
        const HANDLE handle = GetStdHandle(which);
        return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetFileType(handle) != FILE_TYPE_UNKNOWN;
    };
    if (usable(STD_OUTPUT_HANDLE) && usable(STD_ERROR_HANDLE))
        return;
    if (!AttachConsole(ATTACH_PARENT_PROCESS))
        return;
    if (!usable(STD_OUTPUT_HANDLE))
        std::freopen("CONOUT$", "w", stdout);
    if (!usable(STD_ERROR_HANDLE))
        std::freopen("CONOUT$", "w", stderr);
    if (!usable(STD_INPUT_HANDLE))
        std::freopen("CONIN$", "r", stdin);
}

} // namespace corvina
