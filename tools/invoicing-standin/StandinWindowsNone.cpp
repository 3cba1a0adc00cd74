#include "StandinWindows.h"

#include <cstdio>

namespace corvina::standin {

// A build without a window system has folder and intake only.
int runStandinWindows(int, char**, const WindowOptions&, const WindowActions&)
{
    std::fprintf(stderr, "invoicing-standin: built without a window system; use --init or --intake\n");
    return 2;
}

} // namespace corvina::standin
