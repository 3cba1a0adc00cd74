#include "issuing/PlatformWindowServices.h"

#ifdef _WIN32
#include "issuing/Win32WindowServices.h"
#else
#include "issuing/X11WindowServices.h"
#endif

namespace corvina {

std::unique_ptr<WindowServices> createPlatformWindowServices()
{
#ifdef _WIN32
    return std::make_unique<Win32WindowServices>();
#else
    return std::make_unique<X11WindowServices>();
#endif
}

} // namespace corvina
