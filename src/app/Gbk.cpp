#include "app/Gbk.h"
#include "app/CodePage.h"

#include <QMutex>

namespace corvina {

namespace {

// One converter for the whole program, used under its lock: making one looks the code page up
// each time. Not one per thread (thread_local): the Windows toolchain emulates thread-local storage,
// and there an object's destructor at a thread's exit may run on storage already freed.
struct SharedGbk {
    QMutex mutex;
    CodePage page{936};
};

SharedGbk& shared()
{
    static SharedGbk gbk;
    return gbk;
}

} // namespace

QByteArray gbkEncode(const QString& text)
{
    SharedGbk& gbk = shared();
    QMutexLocker lock(&gbk.mutex);
    return gbk.page.encode(text);
}

QString gbkDecode(const QByteArray& bytes)
{
    SharedGbk& gbk = shared();
    QMutexLocker lock(&gbk.mutex);
    return gbk.page.decode(bytes);
}

QStringList cutGbkPieces(const QString& text, int count, int pieceBytes)
{
    SharedGbk& gbk = shared();
    QMutexLocker lock(&gbk.mutex);
    QStringList pieces;
    QString current;
    int used = 0;
    for (qsizetype i = 0; i < text.size() && pieces.size() < count;) {
        // One code point at a time, so a surrogate pair is never split.
        const qsizetype len = (text.at(i).isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
        const QStringView cp = QStringView(text).mid(i, len);
        const int bytes = cp.at(0).unicode() < 0x80 ? 1 : static_cast<int>(gbk.page.encode(cp).size());
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
