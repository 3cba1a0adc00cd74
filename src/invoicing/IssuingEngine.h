#pragma once

#include "invoicing/IssuingRead.h"
#include "store/Rows.h"

#include <QString>
#include <QStringList>

namespace corvina {

// What a column of a database file holds, as far as carrying its values as text needs to know.
enum class CellKind { Text, Integer, Decimal, Money, DateTime, Boolean, Other };

// What reads the invoicing program's database file: Qt Sql for SQLite files, the build's Access
// backend for Jet and ACE files. Reads never change the file. Failures of a read throw Failure
// with a text a clerk can read.
class IssuingEngine {
public:
    virtual ~IssuingEngine() = default;

    // False with a reason after "连接错误:".
    virtual bool open(QString* reason) = 0;
    virtual bool isOpen() const = 0;
    virtual void close() = 0;

    // The rows in the order the file gives them, each value as text (null as empty text), the
    // columns named as asked.
    virtual Rows read(const IssuingRead& read) = 0;
    // The file's own tables (no system tables), in the order the file lists them.
    virtual QStringList tableNames() = 0;
    // Every column and row of one table.
    virtual Rows table(const QString& name) = 0;
    // What each column of table() holds, in its order; empty where the engine cannot tell (every
    // value is then its text).
    virtual QList<CellKind> columnKinds(const QString& name)
    {
        Q_UNUSED(name);
        return {};
    }
};

} // namespace corvina
