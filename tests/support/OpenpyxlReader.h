#pragma once

// Independent readers for workbooks our export writes: openpyxl (system Python) and LibreOffice.

#include "support/QtPrinters.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
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

// The first worksheet of each workbook converted to UTF-8 CSV by LibreOffice headless in one run,
// with a private profile so it neither meets nor leaves a user installation. Keyed by file name
// without extension; a workbook LibreOffice could not convert is missing.
inline QMap<QString, QString> convertWithLibreOffice(const QStringList& paths)
{
    QTemporaryDir work;
    const QString profile = QUrl::fromLocalFile(work.path() + QStringLiteral("/profile")).toString();
    QStringList args = {QStringLiteral("-env:UserInstallation=") + profile,
                        QStringLiteral("--headless"),
                        QStringLiteral("--convert-to"),
                        QStringLiteral("csv:Text - txt - csv (StarCalc):44,34,76"),
                        QStringLiteral("--outdir"),
                        work.path() + QStringLiteral("/out")};
    args += paths;
    QProcess soffice;
    soffice.start(QStringLiteral("soffice"), args);
    if (!soffice.waitForFinished(300000))
        soffice.kill();
    QMap<QString, QString> out;
    for (const QString& path : paths) {
        const QString base = QFileInfo(path).completeBaseName();
        QFile csv(work.path() + QStringLiteral("/out/") + base + QStringLiteral(".csv"));
        if (csv.open(QIODevice::ReadOnly))
            out.insert(base, QString::fromUtf8(csv.readAll()));
    }
    return out;
}

inline QString convertWithLibreOffice(const QString& path)
{
    return convertWithLibreOffice(QStringList{path}).value(QFileInfo(path).completeBaseName());
}

// Rows of a CSV text as LibreOffice writes it (quotes around fields with commas, quotes or line
// breaks), trailing empty fields dropped.
inline QList<QStringList> parseCsv(const QString& text)
{
    QList<QStringList> rows;
    QStringList row;
    QString field;
    bool quoted = false;
    auto endRow = [&] {
        row << field;
        field.clear();
        while (!row.isEmpty() && row.last().isEmpty())
            row.removeLast();
        rows << row;
        row.clear();
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == u'"' && i + 1 < text.size() && text.at(i + 1) == u'"') {
                field += c;
                ++i;
            } else if (c == u'"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == u'"') {
            quoted = true;
        } else if (c == u',') {
            row << field;
            field.clear();
        } else if (c == u'\n') {
            endRow();
        } else if (c != u'\r') {
            field += c;
        }
    }
    if (!field.isEmpty() || !row.isEmpty())
        endRow();
    return rows;
}

} // namespace corvina::test
