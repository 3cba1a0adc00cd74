#include "issuing/StopKey.h"

#ifdef _WIN32
#include "issuing/Win32StopKey.h"
#else
#include "issuing/X11StopKey.h"
#endif

namespace corvina {

std::unique_ptr<StopKey> createPlatformStopKey()
{
#ifdef _WIN32
    return std::make_unique<Win32StopKey>();
#else
    return std::make_unique<X11StopKey>();
#endif
}

bool RegisterStopKey(StopKey& key, std::atomic<bool>& BatchRunning)
{
    return key.registerKey([&BatchRunning] { BatchRunning = false; });
}

void ReleaseStopKey(StopKey& key)
{
    key.release();
}

} // namespace corvina
