#include "store/DatabaseFile.h"

#include <QFile>

namespace corvina {

DatabaseFileKind databaseFileKind(const QByteArray& head)
{
    if (head.startsWith(QByteArray("SQLite format 3\0", 16)))
        return DatabaseFileKind::Sqlite;
    // Jet 3 and Jet 4 (.mdb) and ACE (.accdb) files name their engine at byte 4.
    const QByteArray tag = head.mid(4, 15);
    if (tag == "Standard Jet DB" || tag == "Standard ACE DB")
        return DatabaseFileKind::Access;
    return DatabaseFileKind::Unknown;
}

bool readDatabaseHead(const QString& nativePath, QByteArray* head, QString* reason)
{
    head->clear();
    QFile file(nativePath);
    if (!file.exists())
        return true;
    if (!file.open(QIODevice::ReadOnly)) {
        *reason = file.errorString() + QStringLiteral(": ") + nativePath;
        return false;
    }
    *head = file.read(32);
    return true;
}

} // namespace corvina
