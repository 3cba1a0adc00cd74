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

} // namespace corvina
