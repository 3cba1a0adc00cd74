#include "support/TestSupport.h"

#include <QDir>
#include <QFile>

namespace corvina::test {

QString dataPath(const QString& relative)
{
    return QStringLiteral(CORVINA_TEST_DATA "/") + relative;
}

TempFolder::TempFolder() : m_dir(QDir::tempPath() + QStringLiteral("/corvina-test-XXXXXX")) {}

QString TempFolder::path() const
{
    return m_dir.path() + QLatin1Char('/');
}

void TempFolder::write(const QString& name, const QByteArray& bytes) const
{
    QFile f(file(name));
    QDir().mkpath(QFileInfo(f.fileName()).absolutePath());
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
}

} // namespace corvina::test
