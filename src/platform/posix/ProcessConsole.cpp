#include "platform/ProcessConsole.h"

namespace corvina {

// A program started from a terminal writes to it already.
void useParentConsole()
{
}

} // namespace corvina
