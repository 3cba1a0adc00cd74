#include "support/TestSupport.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>

namespace corvina::test {

QString dataPath(const QString& relative)
{
    return QStringLiteral(CORVINA_TEST_DATA "/") + relative;
}

QString programText(const QByteArray& bytes)
{
    return QString::fromUtf8(bytes).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

ProcessResult runProgram(const QString& name, const QStringList& args, int timeoutMs)
{
    return runProgram(name, args, {}, timeoutMs);
}

ProcessResult runProgram(const QString& name, const QStringList& args, const QList<QPair<QString, QString>>& env,
                         int timeoutMs)
{
    QProcess p;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const auto& [key, value] : env) {
        if (value.isEmpty())
            environment.remove(key);
        else
            environment.insert(key, value);
    }
    p.setProcessEnvironment(environment);
    p.setProgram(QStringLiteral(CORVINA_BIN_DIR "/") + name);
    p.setArguments(args);
    p.start();
    p.closeWriteChannel();
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        return {-1, programText(p.readAllStandardOutput()), QStringLiteral("timed out")};
    }
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, programText(p.readAllStandardOutput()),
            programText(p.readAllStandardError())};
}

TempFolder::TempFolder() : m_dir(QDir::tempPath() + QStringLiteral("/corvina-test-XXXXXX"))
{
}

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

// mdb-export's CSV: fields quoted with '"' (doubled inside) may hold newlines; a row ends at a
// newline outside quotes.
QList<QStringList> parseExportCsv(const QByteArray& bytes)
{
    const QString text = QString::fromUtf8(bytes);
    QList<QStringList> rows;
    QStringList row;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == QLatin1Char('"') && i + 1 < text.size() && text[i + 1] == QLatin1Char('"')) {
                field += c;
                ++i;
            } else if (c == QLatin1Char('"')) {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == QLatin1Char('"')) {
            quoted = true;
        } else if (c == QLatin1Char(',')) {
            row << field;
            field.clear();
        } else if (c == QLatin1Char('\n')) {
            row << field;
            rows << row;
            row.clear();
            field.clear();
        } else {
            field += c;
        }
    }
    if (!field.isEmpty() || !row.isEmpty())
        rows << (row << field);
    return rows;
}

QMap<QString, QByteArray> folderState(const QString& folder)
{
    QMap<QString, QByteArray> state;
    for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden))
        state.insert(name,
                     QCryptographicHash::hash(fileBytes(QDir(folder).filePath(name)), QCryptographicHash::Sha256));
    return state;
}

} // namespace corvina::test
