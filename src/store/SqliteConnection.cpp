#include "store/SqliteConnection.h"

#include "app/Failure.h"
#include "store/Texts.h"

#include <QFileInfo>
#include <QSqlError>
#include <QUrl>

namespace corvina {

SqliteConnection::SqliteConnection(QString nativePath, Options options)
    : SqlConnection(std::move(nativePath), std::move(options))
{
}

SqliteConnection::~SqliteConnection()
{
    SqliteConnection::close();
}

void SqliteConnection::close()
{
    closeConnection();
    m_hold.release();
}

void SqliteConnection::begin()
{
    // The write lock at once: a transaction that reads first and writes later would otherwise fail
    // on a busy file instead of waiting for it.
    execText(QStringLiteral("BEGIN IMMEDIATE"));
}

QString SqliteConnection::storeNowSql() const
{
    return QStringLiteral("cast(strftime('%s','now') as integer)");
}

QString SqliteConnection::rowOrderSql() const
{
    // The order rows were inserted in, which the query index gives ties anyway.
    return QStringLiteral("rowid");
}

QString SqliteConnection::columnCountSql() const
{
    return QStringLiteral("select count(*) as n from pragma_table_info(?) where lower(name) = lower(?)");
}

bool SqliteConnection::openDatabase(QString* reason)
{
    QByteArray head;
    if (!m_hold.take(path(), &head, reason))
        return false;
    if (openKnownFile(head, reason))
        return true;
    m_hold.release();
    return false;
}

bool SqliteConnection::openKnownFile(const QByteArray& head, QString* reason)
{
    DatabaseFileKind kind = databaseFileKind(head);
    if (head.isEmpty()) {
        // Missing, or empty as a creation that died before its first write leaves it.
        if (!options().createWhenMissing) {
            *reason = StoreTexts::FileMissing.arg(path());
            return false;
        }
        kind = DatabaseFileKind::Sqlite;
    } else if (kind == DatabaseFileKind::Unknown) {
        *reason = StoreTexts::NotADatabase.arg(path());
        return false;
    }

    if (kind == DatabaseFileKind::Sqlite) {
        if (openSqlite(options().readOnly ? SqliteMode::ReadOnly : SqliteMode::ReadWrite, head.isEmpty(), reason))
            return true;
        // A store on a folder or file this desk may only read (a share mounted read-only, a copy on
        // a CD) can still be listed: it opens read-only, and every write says why it cannot be made.
        const QFileInfo file(path());
        if (options().readOnly || head.isEmpty() || (file.isWritable() && QFileInfo(file.absolutePath()).isWritable()))
            return false;
        QString readOnlyReason;
        if (openSqlite(SqliteMode::ReadOnly, false, &readOnlyReason))
            return true;
        // Without the write-ahead log's index files, which a read-only folder cannot hold, SQLite
        // reads the file only as unchanging; that holds when no log with commits is beside it.
        if (!QFileInfo::exists(path() + QStringLiteral("-wal")) &&
            openSqlite(SqliteMode::Unchanging, false, &readOnlyReason))
            return true;
        return false;
    }

    // An Access file (the store of the program this one replaces) is moved into a new store, never
    // opened as one.
    *reason = StoreTexts::AccessStore.arg(path());
    return false;
}

bool SqliteConnection::openSqlite(SqliteMode mode, bool creating, QString* reason)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name());
    QString opts = QStringLiteral("QSQLITE_BUSY_TIMEOUT=10000");
    if (mode == SqliteMode::Unchanging) {
        db.setDatabaseName(QUrl::fromLocalFile(QFileInfo(path()).absoluteFilePath()).toString(QUrl::FullyEncoded) +
                           QStringLiteral("?mode=ro&immutable=1"));
        opts += QStringLiteral(";QSQLITE_OPEN_URI;QSQLITE_OPEN_READONLY");
    } else {
        db.setDatabaseName(path());
        if (mode == SqliteMode::ReadOnly)
            opts += QStringLiteral(";QSQLITE_OPEN_READONLY");
    }
    db.setConnectOptions(opts);
    if (!db.open()) {
        const QString why = sqlErrorText(db.lastError());
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name());
        *reason = creating ? StoreTexts::CannotCreate.arg(path(), why) : why;
        return false;
    }
    markConnected(mode != SqliteMode::ReadWrite);
    if (creating)
        m_hold.createdSqlite();
    try {
        if (mode == SqliteMode::ReadWrite) {
            execText(QStringLiteral("PRAGMA journal_mode=WAL"));
            // Every commit is on the disk before it returns: an issuing attempt committed before
            // "保存" must survive a power cut, or the document would look never tried.
            execText(QStringLiteral("PRAGMA synchronous=FULL"));
            for (const QString& stmt : options().schema.split(QLatin1Char(';'), Qt::SkipEmptyParts))
                if (!stmt.trimmed().isEmpty())
                    execText(stmt);
            addMissingColumns();
        } else {
            // A read that fails here (no log index to be had) fails the open, not the first query.
            execText(QStringLiteral("select count(*) from sqlite_master"));
        }
    } catch (const Failure& f) {
        *reason = f.message();
        // The hold stays: openDatabase may try again in another mode, and releases it when it gives up.
        closeConnection();
        return false;
    }
    return true;
}

} // namespace corvina
