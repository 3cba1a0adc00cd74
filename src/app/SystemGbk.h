#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <optional>

namespace corvina {

// GBK (code page 936) from the operating system, for a Qt without a converter of its own for it
// (Qt for Windows is built without ICU). nullopt where the system offers none; each window-system
// backend defines these.
std::optional<QByteArray> systemGbkEncode(QStringView text);
std::optional<QString> systemGbkDecode(const QByteArray& bytes);

} // namespace corvina
