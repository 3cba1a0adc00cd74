#include "StandinWindows.h"

#include <cstdio>

namespace corvina::standin {

// A build without a window system, or without the GUI, has folder and intake only.
int runStandinWindows(int, char**, const WindowOptions&, const WindowActions&)
{
    std::fprintf(stderr, "invoicing-standin: built without windows; use --init, --intake or --advance\n");
    return 2;
}

} // namespace corvina::standin
