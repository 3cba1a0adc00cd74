#include "platform/x11/X11ErrorTrap.h"

#include <X11/Xlib.h>

#include <map>
#include <mutex>

namespace corvina {

namespace {

std::mutex trapMutex;
std::map<Display*, int> firstErrors;
XErrorHandler previousHandler = nullptr;
std::once_flag installed;

int recordError(Display* display, XErrorEvent* event)
{
    XErrorHandler previous = nullptr;
    {
        std::lock_guard<std::mutex> lock(trapMutex);
        auto it = firstErrors.find(display);
        if (it != firstErrors.end()) {
            if (it->second == 0)
                it->second = event->error_code;
            return 0;
        }
        previous = previousHandler;
    }
    return previous ? previous(display, event) : 0;
}

} // namespace

void X11ErrorTrap::watch(_XDisplay* display)
{
    std::call_once(installed, [] {
        XErrorHandler previous = XSetErrorHandler(recordError);
        std::lock_guard<std::mutex> lock(trapMutex);
        previousHandler = previous;
    });
    std::lock_guard<std::mutex> lock(trapMutex);
    firstErrors[display] = 0;
}

void X11ErrorTrap::unwatch(_XDisplay* display)
{
    std::lock_guard<std::mutex> lock(trapMutex);
    firstErrors.erase(display);
}

int X11ErrorTrap::takeError(_XDisplay* display)
{
    XSync(display, False);
    std::lock_guard<std::mutex> lock(trapMutex);
    auto it = firstErrors.find(display);
    if (it == firstErrors.end())
        return 0;
    const int code = it->second;
    it->second = 0;
    return code;
}

} // namespace corvina
