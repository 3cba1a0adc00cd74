#pragma once

#include "issuing/WindowServices.h"

#include <memory>

namespace corvina {

// The desktop's window services: X11 on $DISPLAY, or the Windows functions. On X11 the result
// may have no display (check with the backend); its calls then find nothing.
std::unique_ptr<WindowServices> createPlatformWindowServices();

} // namespace corvina
