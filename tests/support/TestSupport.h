#pragma once

#include "support/QtPrinters.h"
#include <QString>

#include <QEventLoop>
#include <QFileInfo>
#include <QMap>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>

namespace corvina::test {

// Folder of the committed fixtures (tests/data).
QString dataPath(const QString& relative);

// The outcome of a program run to its end.
struct ProcessResult {
    int status = -1;
    QString out;
    QString err;
};
// A file's bytes; empty when it cannot be read.
QByteArray fileBytes(const QString& path);
// A program's output as text, its lines ending in "\n" as on Linux (on Windows they end in CR LF).
QString programText(const QByteArray& bytes);

// Every file of a folder by name with the SHA-256 of its bytes: what "left as it was" compares.
QMap<QString, QByteArray> folderState(const QString& folder);

// mdb-export's CSV, every field kept (empty ones too): fields quoted with '"' (doubled inside) may
// hold newlines; a row ends at a newline outside quotes.
QList<QStringList> parseExportCsv(const QByteArray& bytes);

// Runs one of the project's executables (build/bin/NAME) with args and waits up to timeoutMs.
ProcessResult runProgram(const QString& name, const QStringList& args, int timeoutMs = 120000);
// The same with variables added to (or, with an empty value, removed from) its environment.
ProcessResult runProgram(const QString& name, const QStringList& args, const QList<QPair<QString, QString>>& env,
                         int timeoutMs = 120000);

// A fresh temporary folder ending in a separator, usable as an application folder.
class TempFolder {
public:
    TempFolder();
    QString path() const; // ends in "/"
    QString file(const QString& name) const { return path() + name; }
    void write(const QString& name, const QByteArray& bytes) const;

private:
    QTemporaryDir m_dir;
};

// Runs `start`, then this thread's events until `sender` emits `signal` (true) or `timeoutMs` pass.
template <typename Sender, typename Signal>
bool awaitSignal(Sender& sender, Signal signal, const std::function<void()>& start = {}, int timeoutMs = 30000)
{
    QEventLoop loop;
    bool emitted = false;
    QObject::connect(&sender, signal, &loop, [&] {
        emitted = true;
        loop.quit();
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    if (start)
        start();
    if (!emitted)
        loop.exec();
    return emitted;
}

} // namespace corvina::test
