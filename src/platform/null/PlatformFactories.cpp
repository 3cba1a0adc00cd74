#include "platform/PlatformWindowServices.h"
#include "platform/null/NoWindowSystem.h"

#include <chrono>
#include <thread>

namespace corvina {

void NoWindowServices::sleep(int milliseconds)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

std::unique_ptr<WindowServices> createPlatformWindowServices()
{
    return std::make_unique<NoWindowServices>();
}

std::unique_ptr<StopKey> createPlatformStopKey()
{
    return std::make_unique<NoWindowSystemStopKey>();
}

} // namespace corvina
