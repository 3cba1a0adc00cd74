#include "issuing/StopKey.h"

namespace corvina {

bool RegisterStopKey(StopKey& key, std::atomic<bool>& BatchRunning)
{
    return key.registerKey([&BatchRunning] { BatchRunning = false; });
}

void ReleaseStopKey(StopKey& key)
{
    key.release();
}

} // namespace corvina
