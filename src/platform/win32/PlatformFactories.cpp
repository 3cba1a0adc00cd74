#include "platform/PlatformWindowServices.h"
#include "platform/StopKey.h"
#include "platform/win32/Win32StopKey.h"
#include "platform/win32/Win32WindowServices.h"

namespace corvina {

std::unique_ptr<WindowServices> createPlatformWindowServices()
{
    return std::make_unique<Win32WindowServices>();
}

std::unique_ptr<StopKey> createPlatformStopKey()
{
    return std::make_unique<Win32StopKey>();
}

} // namespace corvina
