#include "store/DatabaseFile.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <mutex>

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

namespace {

struct HeldFile {
    int connections = 0;
    QByteArray head;
};

std::mutex g_heldMutex;
QHash<QString, HeldFile>& heldFiles()
{
    static QHash<QString, HeldFile> held;
    return held;
}

} // namespace

bool DatabaseFileHold::take(const QString& nativePath, QByteArray* head, QString* reason)
{
    release();
    const QString key = QFileInfo(nativePath).absoluteFilePath();
    std::lock_guard<std::mutex> lock(g_heldMutex);
    HeldFile& held = heldFiles()[key];
    if (held.connections == 0 && !readDatabaseHead(nativePath, &held.head, reason)) {
        heldFiles().remove(key);
        return false;
    }
    ++held.connections;
    *head = held.head;
    m_key = key;
    return true;
}

void DatabaseFileHold::createdSqlite()
{
    if (m_key.isEmpty())
        return;
    std::lock_guard<std::mutex> lock(g_heldMutex);
    heldFiles()[m_key].head = QByteArray("SQLite format 3\0", 16);
}

void DatabaseFileHold::release()
{
    if (m_key.isEmpty())
        return;
    std::lock_guard<std::mutex> lock(g_heldMutex);
    auto it = heldFiles().find(m_key);
    if (it != heldFiles().end() && --it->connections <= 0)
        heldFiles().erase(it);
    m_key.clear();
}

} // namespace corvina
