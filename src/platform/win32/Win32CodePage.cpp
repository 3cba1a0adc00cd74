#include "platform/SystemCodePage.h"

#include <windows.h>

namespace corvina {

// Every Windows carries the tables of the code pages asked for here (936 among them), whatever its
// own ANSI code page is.
std::optional<QByteArray> systemEncode(int codePage, QStringView text)
{
    if (codePage <= 0 || !IsValidCodePage(UINT(codePage)))
        return std::nullopt;
    if (text.isEmpty())
        return QByteArray();
    const auto* wide = reinterpret_cast<const wchar_t*>(text.utf16());
    const int length = WideCharToMultiByte(UINT(codePage), 0, wide, int(text.size()), nullptr, 0, nullptr, nullptr);
    if (length <= 0)
        return std::nullopt;
    QByteArray bytes(length, '\0');
    WideCharToMultiByte(UINT(codePage), 0, wide, int(text.size()), bytes.data(), length, nullptr, nullptr);
    return bytes;
}

std::optional<QString> systemDecode(int codePage, QByteArrayView bytes)
{
    if (codePage <= 0 || !IsValidCodePage(UINT(codePage)))
        return std::nullopt;
    if (bytes.isEmpty())
        return QString();
    const int length = MultiByteToWideChar(UINT(codePage), 0, bytes.data(), int(bytes.size()), nullptr, 0);
    if (length <= 0)
        return std::nullopt;
    QString text(length, Qt::Uninitialized);
    MultiByteToWideChar(UINT(codePage), 0, bytes.data(), int(bytes.size()), reinterpret_cast<wchar_t*>(text.data()),
                        length);
    return text;
}

} // namespace corvina
