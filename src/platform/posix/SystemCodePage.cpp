#include "platform/SystemCodePage.h"

namespace corvina {

// Here Qt's own converters (ICU) know the code pages; the system is not asked.
std::optional<QByteArray> systemEncode(int, QStringView)
{
    return std::nullopt;
}

std::optional<QString> systemDecode(int, QByteArrayView)
{
    return std::nullopt;
}

} // namespace corvina
