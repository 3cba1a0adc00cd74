#pragma once

#include "platform/WindowServices.h"

#include <memory>

namespace corvina {

// The window services of the backend CMake built (src/platform/<name>). On X11 the result
// may have no display (check with the backend); its calls then find nothing.
std::unique_ptr<WindowServices> createPlatformWindowServices();

} // namespace corvina
