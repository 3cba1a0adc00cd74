#include "spreadsheet/PackagePath.h"

#include <QStringList>
#include <QUrl>

namespace corvina {

QString resolvePackageTarget(const QString& sourcePart, const QString& target)
{
    QString t = QUrl::fromPercentEncoding(target.toUtf8());
    t.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const qsizetype slash = sourcePart.lastIndexOf(QLatin1Char('/'));
    const QString folder = slash < 0 ? QString() : sourcePart.left(slash + 1);
    const QString joined = t.startsWith(QLatin1Char('/')) ? t.mid(1) : folder + t;
    QStringList out;
    for (const QString& piece : joined.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (piece == QLatin1String("."))
            continue;
        if (piece == QLatin1String("..")) {
            if (!out.isEmpty())
                out.removeLast();
            continue;
        }
        out.append(piece);
    }
    return out.join(QLatin1Char('/'));
}

} // namespace corvina
