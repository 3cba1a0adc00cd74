#include "platform/ProcessStart.h"

namespace corvina {

// Nothing to settle where the runtime's thread-exit clean-up is the C library's own.
void prepareProcess()
{
}

} // namespace corvina
