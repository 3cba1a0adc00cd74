#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace corvina {

// GBK (code page 936) is used only where files or byte limits demand it.
QByteArray gbkEncode(const QString& text);
QString gbkDecode(const QByteArray& bytes);

// Cuts text into `count` consecutive pieces of at most `pieceBytes` GBK bytes each. A character
// whose bytes would straddle a boundary closes the earlier piece short and opens the next one.
// Pieces past the end are empty; whatever does not fit in the last piece is dropped.
QStringList cutGbkPieces(const QString& text, int count, int pieceBytes);

// Removes leading and trailing characters with codes 0 to 32; other blanks such as U+3000 stay.
QString trimControl(const QString& text);

} // namespace corvina
