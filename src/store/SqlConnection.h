#pragma once

#include "store/Rows.h"
#include "store/SqlStatement.h"

#include <QHash>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

namespace corvina {

// One named Qt Sql connection to our store, owned by the thread that made it. What every engine
// does alike is here: statements prepared once and reused, selects read through, transactions;
// each engine (SqliteConnection, PostgresConnection) opens its database and says how it differs.
class SqlConnection {
public:
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

    // The connection for `location`: a PostgreSQL server named by a postgresql:// address (see
    // ServerAddress), else a SQLite file at that native path.
    static std::unique_ptr<SqlConnection> forLocation(const QString& location, Options options);

    virtual ~SqlConnection();
    SqlConnection(const SqlConnection&) = delete;
    SqlConnection& operator=(const SqlConnection&) = delete;

    // Opens the database; on failure returns false with a reason a clerk can read.
    bool open(QString* reason);
    bool isOpen() const;
    virtual void close();
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
    virtual void begin();
    virtual void commit();
    void rollback();
    // Inside a transaction: waits until no other connection holds `key`'s lock, and holds it until
    // the transaction ends. Only a server needs it: a SQLite writer already has the whole file.
    virtual void lockKey(const QString& key);
    // Several keys' locks, taken in the order given.
    virtual void lockKeys(const QStringList& keys);

    const QString& path() const { return m_path; }
    // The location as messages show it: a server address without its password.
    QString shownLocation() const;

protected:
    SqlConnection(QString location, Options options);

    // Makes the Qt Sql connection named name() and calls markConnected(); false with a reason.
    virtual bool openDatabase(QString* reason) = 0;
    // The store's clock in whole seconds since 1970, as SQL: "{storeNow}" in a statement.
    virtual QString storeNowSql() const = 0;
    // What orders rows of equal keys as they were stored, as SQL: "{rowOrder}" in a statement.
    virtual QString rowOrderSql() const = 0;
    // A select counting the columns named by its two values {table, column}, as "n".
    virtual QString columnCountSql() const = 0;

    // Closes the Qt Sql connection only (a file's hold stays with the engine).
    void closeConnection();
    void addMissingColumns();
    QSqlDatabase database() const { return QSqlDatabase::database(m_name, false); }
    const QString& name() const { return m_name; }
    const Options& options() const { return m_options; }
    void markConnected(bool readOnly = false)
    {
        m_connected = true;
        m_readOnly = readOnly;
    }

private:
    QString dialect(const QString& text) const;
    QSqlQuery& prepared(const QString& text);
    QSqlQuery* reusable(const SqlStatement& statement);
    QString m_path;
    Options m_options;
    QString m_name;
    bool m_connected = false;
    bool m_readOnly = false;
    QHash<QString, QSqlQuery> m_prepared; // by statement text
};

// The message of a Qt Sql error, database text first.
QString sqlErrorText(const class QSqlError& error);

} // namespace corvina
