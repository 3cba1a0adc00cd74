#include "platform/PlatformWindowServices.h"
#include "platform/StopKey.h"
#include "platform/x11/X11StopKey.h"
#include "platform/x11/X11WindowServices.h"

namespace corvina {

std::unique_ptr<WindowServices> createPlatformWindowServices()
{
    return std::make_unique<X11WindowServices>();
}

std::unique_ptr<StopKey> createPlatformStopKey()
{
    return std::make_unique<X11StopKey>();
}

} // namespace corvina
