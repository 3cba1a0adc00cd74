#include "app/Gbk.h"
#include "app/CodePage.h"

namespace corvina {

namespace {

// Making a converter looks the code page up each time; one per thread is kept instead.
const CodePage& gbk()
{
    thread_local const CodePage page(936);
    return page;
}

QByteArray encode(QStringView text)
{
    return gbk().encode(text);
}

} // namespace

QByteArray gbkEncode(const QString& text)
{
    return encode(text);
}

QString gbkDecode(const QByteArray& bytes)
{
    return gbk().decode(bytes);
}

QStringList cutGbkPieces(const QString& text, int count, int pieceBytes)
{
    QStringList pieces;
    QString current;
    int used = 0;
    for (qsizetype i = 0; i < text.size() && pieces.size() < count;) {
        // One code point at a time, so a surrogate pair is never split.
        const qsizetype len = (text.at(i).isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
        const QStringView cp = QStringView(text).mid(i, len);
        const int bytes = cp.at(0).unicode() < 0x80 ? 1 : static_cast<int>(encode(cp).size());
        if (used + bytes > pieceBytes) {
            pieces << current;
            current.clear();
            used = 0;
            continue; // the same character opens the next piece
        }
        current += cp;
        used += bytes;
        i += len;
    }
    if (pieces.size() < count && !current.isEmpty())
        pieces << current;
    while (pieces.size() < count)
        pieces << QString();
    return pieces;
}

QString trimControl(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin).unicode() <= 32)
        ++begin;
    while (end > begin && text.at(end - 1).unicode() <= 32)
        --end;
    return (begin == 0 && end == text.size()) ? text : text.mid(begin, end - begin);
}

} // namespace corvina
