#pragma once

#include <QByteArray>
#include <QString>

namespace corvina {

// What a database file is, told by its first bytes: the engine follows the file, not its name
// (the invoicing program's "DB_KP.mdb" may be SQLite or a real Access file).
enum class DatabaseFileKind { Unknown, Sqlite, Access };

DatabaseFileKind databaseFileKind(const QByteArray& head);

// The first bytes of a file: empty for a missing or empty file. False with a reason when the file
// exists but cannot be read.
bool readDatabaseHead(const QString& nativePath, QByteArray* head, QString* reason);

// A connection of this process on a database file, counted for as long as the hold is taken. The
// file's first bytes are read through a descriptor of our own only while no connection of this
// process has the file open: POSIX drops every lock a process holds on a file when it closes any
// descriptor of that file, and SQLite's locks are what keep another process from folding in and
// deleting the write-ahead log under a connection of ours (the commits made after that would be
// lost). Meanwhile the head read when the first connection opened is given.
class DatabaseFileHold {
public:
    DatabaseFileHold() = default;
    ~DatabaseFileHold() { release(); }
    DatabaseFileHold(const DatabaseFileHold&) = delete;
    DatabaseFileHold& operator=(const DatabaseFileHold&) = delete;

    // Takes the hold on `nativePath` (releasing any other first) and gives its first bytes, as
    // readDatabaseHead does. False, without a hold, when the file cannot be read.
    bool take(const QString& nativePath, QByteArray* head, QString* reason);
    // The connection made the missing file an SQLite database: later holds are told so.
    void createdSqlite();
    void release();

private:
    QString m_key;
};

} // namespace corvina
