#pragma once

// Independent readers for workbooks our export writes: openpyxl (system Python) and LibreOffice.

#include "support/QtPrinters.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QUrl>

namespace corvina::test {

// The workbook as openpyxl sees it (tests/data/export/read_xlsx.py); an empty object on failure,
// with the reason in *error.
inline QJsonObject readWithOpenpyxl(const QString& path, QString* error = nullptr)
{
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"), {dataPath(QStringLiteral("export/read_xlsx.py")), path});
    if (!python.waitForFinished(120000) || python.exitStatus() != QProcess::NormalExit || python.exitCode() != 0) {
        if (error)
            *error = QString::fromUtf8(python.readAllStandardError());
        return {};
    }
    return QJsonDocument::fromJson(python.readAllStandardOutput()).object();
}

// The first worksheet converted to UTF-8 CSV by LibreOffice headless, with a private profile so
// it neither meets nor leaves a user installation. Empty when the conversion failed.
inline QString convertWithLibreOffice(const QString& path)
{
    QTemporaryDir work;
    const QString profile = QUrl::fromLocalFile(work.path() + QStringLiteral("/profile")).toString();
    QProcess soffice;
    soffice.start(QStringLiteral("soffice"),
                  {QStringLiteral("-env:UserInstallation=") + profile, QStringLiteral("--headless"),
                   QStringLiteral("--convert-to"), QStringLiteral("csv:Text - txt - csv (StarCalc):44,34,76"),
                   QStringLiteral("--outdir"), work.path() + QStringLiteral("/out"), path});
    if (!soffice.waitForFinished(180000))
        soffice.kill();
    QFile csv(work.path() + QStringLiteral("/out/") + QFileInfo(path).completeBaseName() + QStringLiteral(".csv"));
    if (!csv.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(csv.readAll());
}

inline QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace corvina::test

