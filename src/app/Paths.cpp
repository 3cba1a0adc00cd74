#include "app/Paths.h"

namespace corvina {

QString nativePath(const QString& windowsStyle)
{
#ifdef _WIN32
    return windowsStyle;
#else
    QString out = windowsStyle;
    out.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return out;
#endif
}

} // namespace corvina
