#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QVariant>

// Writes small Jet 4 (Access 2000/2003) .mdb files for the tests of the Access import, so they need no
// Access files checked in. Only what MDB Tools reads back is written: tables and their rows, no indexes,
// relationships, queries or properties.
namespace corvina::test {

enum class JetType { Text, Memo, Long, Double, Currency, DateTime, Boolean };

struct JetColumn {
    QString name;
    JetType type;
    int textLength = 255; // characters, Text only
};

// A null QVariant is a null cell (a null Boolean reads back as false: Access keeps booleans in the null mask).
// Text/Memo: QString; Long: int; Double: double; Currency: an integer in ten-thousandths (Access stores money as
// 64-bit integer * 10000), a double, or a QString like "12.3456"; DateTime: QDateTime, stored as its wall-clock
// date and time to the second; Boolean: bool.
struct JetTable {
    QString name;
    QList<JetColumn> columns;
    QList<QVariantList> rows;
};

struct JetFile {
    QList<JetTable> tables;
    QString databasePassword; // empty for none; at most 20 characters, as in Access
    // Creation date in the header (it also masks the password). Invalid: a fixed date, so that the same
    // input always gives the same bytes.
    QDateTime created;
    // Access's "Unicode compression" of text: characters below U+0100 take one byte.
    bool compressText = true;
};

// The file's bytes, or an empty array with *error set (when error is not null).
QByteArray jet4FileBytes(const JetFile& file, QString* error);
bool writeJet4File(const QString& path, const JetFile& file, QString* error);

} // namespace corvina::test
