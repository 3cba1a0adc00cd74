#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <optional>

namespace corvina {

// Text in a Windows code page from the operating system's own tables, for a Qt without converters
// of its own for them (Qt for Windows is built without ICU). nullopt where the system offers none
// or does not know the code page; each window-system backend defines these.
std::optional<QByteArray> systemEncode(int codePage, QStringView text);
std::optional<QString> systemDecode(int codePage, QByteArrayView bytes);

} // namespace corvina
