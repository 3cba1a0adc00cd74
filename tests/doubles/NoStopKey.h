#pragma once

#include "platform/StopKey.h"

namespace corvina {

// No key at all, for runs without a desktop: registering succeeds and nothing is ever pressed.
class NoStopKey : public StopKey {
public:
    bool isAvailable() const override { return true; }
    bool registerKey(std::function<void()>) override { return true; }
    void release() override {}
};

} // namespace corvina
