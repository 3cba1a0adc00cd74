#include "app/SystemGbk.h"

#include <windows.h>

namespace corvina {

// Every Windows carries the code page 936 tables, whatever its own ANSI code page is.
constexpr UINT Gbk = 936;

std::optional<QByteArray> systemGbkEncode(QStringView text)
{
    if (text.isEmpty())
        return QByteArray();
    const auto* wide = reinterpret_cast<const wchar_t*>(text.utf16());
    const int length = WideCharToMultiByte(Gbk, 0, wide, int(text.size()), nullptr, 0, nullptr, nullptr);
    if (length <= 0)
        return std::nullopt;
    QByteArray bytes(length, '\0');
    WideCharToMultiByte(Gbk, 0, wide, int(text.size()), bytes.data(), length, nullptr, nullptr);
    return bytes;
}

std::optional<QString> systemGbkDecode(const QByteArray& bytes)
{
    if (bytes.isEmpty())
        return QString();
    const int length = MultiByteToWideChar(Gbk, 0, bytes.constData(), int(bytes.size()), nullptr, 0);
    if (length <= 0)
        return std::nullopt;
    QString text(length, Qt::Uninitialized);
    MultiByteToWideChar(Gbk, 0, bytes.constData(), int(bytes.size()), reinterpret_cast<wchar_t*>(text.data()), length);
    return text;
}

} // namespace corvina
