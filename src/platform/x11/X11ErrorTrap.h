#pragma once

struct _XDisplay;

namespace corvina {

// Xlib's default error handler ends the process, and a window of another program can vanish
// between any two requests. Connections watched here have their errors recorded instead; errors
// of other connections go to the handler that was installed before.
class X11ErrorTrap {
public:
    static void watch(_XDisplay* display);
    static void unwatch(_XDisplay* display);
    // Waits for the server to answer every request made so far, then returns and clears the
    // first error code recorded since the last call (0 when none).
    static int takeError(_XDisplay* display);
};

} // namespace corvina
