#pragma once

#include <atomic>
#include <functional>
#include <memory>

namespace corvina {

// The stop key: F10 taken system-wide while the tool runs, whichever program has the focus.
class StopKey {
public:
    virtual ~StopKey() = default;
    // False when there is no window system to take the key from (no display).
    virtual bool isAvailable() const = 0;
    // Takes F10; pressed runs on a thread of the backend each time F10 goes down. False when the
    // key cannot be taken (another program holds it, no desktop to take it from).
    virtual bool registerKey(std::function<void()> pressed) = 0;
    // Gives F10 back; harmless when not registered. Once it returns, pressed is not called again.
    virtual void release() = 0;
};

// The platform's backend: X11 on $DISPLAY, or Windows hot keys.
std::unique_ptr<StopKey> createPlatformStopKey();

// Takes F10 so that pressing it clears BatchRunning. False when the key cannot be taken.
inline bool RegisterStopKey(StopKey& key, std::atomic<bool>& BatchRunning)
{
    return key.registerKey([&BatchRunning] { BatchRunning = false; });
}
inline void ReleaseStopKey(StopKey& key)
{
    key.release();
}

} // namespace corvina
