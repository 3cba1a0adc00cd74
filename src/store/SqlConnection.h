#pragma once

#include "store/DatabaseFile.h"
#include "store/Rows.h"
#include "store/SqlStatement.h"

#include <QHash>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <functional>
#include <vector>

namespace corvina {

// One named Qt Sql connection, owned by the thread that made it: to a database file, whose
// engine is chosen by its first bytes (SQLite directly, Jet/ACE (Access) through ODBC), or to a
// PostgreSQL server named by a postgresql:// address (see ServerAddress).
class SqlConnection {
public:
    enum class Engine { None, Sqlite, Access, Postgres };
    struct Options {
        bool readOnly = false;
        bool createWhenMissing = false; // create an empty SQLite file when none exists
        QString schema;                 // statements (";"-separated) run on every open of SQLite
        // On a server: the tables that must exist, and the statements (";"-separated) that
        // create whichever are missing. Run only when one is missing, so that a desk's user
        // needs no right to create anything once they exist.
        QStringList serverTables;
        QString serverSchema;
        // Columns a table gained after stores were made with it, as {table, column, type}: added to
        // a store that lacks them, on either engine.
        QList<QStringList> addedColumns;
        // Indexes a server store gained after it was made, as {name, statement}: created when
        // missing, where the desk's user may (without them the store only reads slower).
        QList<QStringList> addedServerIndexes;
    };

    // `location` is a file's native path or a server address.
    SqlConnection(QString location, Options options);
    ~SqlConnection();
    SqlConnection(const SqlConnection&) = delete;
    SqlConnection& operator=(const SqlConnection&) = delete;

    // Opens the file; on failure returns false with a reason a clerk can read.
    bool open(QString* reason);
    bool isOpen() const;
    void close();
    Engine engine() const { return m_engine; }
    // A store file this desk may only read, opened for reading only: every write fails.
    bool isReadOnly() const { return m_readOnly; }

    // Failures throw Failure carrying the database's own message.
    Rows select(const SqlStatement& statement);
    // Streams a select: `onColumns` once with the column names, then `onRow` with each row's values
    // (null as empty text), which it may move from. Nothing of the result is kept here.
    void selectEach(const SqlStatement& statement, const std::function<void(const QStringList&)>& onColumns,
                    const std::function<void(std::vector<QString>&)>& onRow);
    int exec(const SqlStatement& statement);
    void execText(const QString& text);

    // The outermost transaction; nested ones are savepoints, run with execText. A commit that the
    // server turned into a rollback throws Failure.
    void begin();
    void commit();
    void rollback();
    // Inside a transaction: waits until no other connection holds `key`'s lock, and holds it until
    // the transaction ends. Only a server needs it: a SQLite writer already has the whole file.
    void lockKey(const QString& key);

    const QString& path() const { return m_path; }
    // The location as messages show it: a server address without its password.
    QString shownLocation() const;

private:
    bool openFile(QString* reason);
    bool openKnownFile(const QByteArray& head, QString* reason);
    enum class SqliteMode { ReadWrite, ReadOnly, Unchanging };
    bool openSqlite(SqliteMode mode, bool creating, QString* reason);
    // Closes the Qt Sql connection, keeping the file's hold.
    void closeConnection();
    bool openServer(QString* reason);
    void ensureServerSchema();
    void addMissingColumns();
    QString dialect(const QString& text) const;
    QSqlQuery& prepared(const QString& text);
    QSqlQuery* reusable(const SqlStatement& statement);
    QString m_path;
    Options m_options;
    QString m_name;
    Engine m_engine = Engine::None;
    bool m_readOnly = false;
    DatabaseFileHold m_hold;              // while a connection to a file is open
    QHash<QString, QSqlQuery> m_prepared; // by statement text
};

// The message of a Qt Sql error, database text first.
QString sqlErrorText(const class QSqlError& error);

} // namespace corvina
