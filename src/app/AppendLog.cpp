#include "app/AppendLog.h"

#include "app/Clock.h"
#include "app/Failure.h"
#include "app/Gbk.h"

#include <QFile>

namespace corvina {

void AppendLog(const QString& fileName, const QString& text, const Clock& clock)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadWrite))
        throw Failure(file.errorString());
    QByteArray line;
    if (file.size() > 0) {
        file.seek(file.size() - 1);
        if (file.read(1) != "\n")
            line += "\r\n";
    }
    file.seek(file.size());
    const QString stamped =
        QLatin1Char('[') + clock.now().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) + QStringLiteral("] ") + text;
    line += gbkEncode(stamped) + "\r\n";
    if (file.write(line) != line.size() || !file.flush())
        throw Failure(file.errorString());
}

} // namespace corvina
