#include "app/SystemGbk.h"

namespace corvina {

// Here Qt's own converter (ICU) does GBK; the system is not asked.
std::optional<QByteArray> systemGbkEncode(QStringView)
{
    return std::nullopt;
}

std::optional<QString> systemGbkDecode(const QByteArray&)
{
    return std::nullopt;
}

} // namespace corvina
