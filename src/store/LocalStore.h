#pragma once

#include "store/Rows.h"
#include "store/SqlStatement.h"

#include <QSet>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

namespace corvina {

class Prompter;
class SqlConnection;

// The local store: SysData.mdb, or a database on a PostgreSQL server shared by several desks.
// One instance per thread: each holds its own named connection to the same store (SQLite in WAL
// mode with a busy timeout), so threads never share a cursor or a transaction. The tables are
// created when missing.
class LocalStore {
public:
    // `location` is the file's Windows-style or native path, or a postgresql:// address (see
    // ServerAddress); `prompter` shows the store's messages.
    LocalStore(QString location, Prompter& prompter);
    ~LocalStore();
    LocalStore(const LocalStore&) = delete;
    LocalStore& operator=(const LocalStore&) = delete;

    // OpenLocalStore: true when open afterwards; on failure shows "连接错误:" + reason
    // (kind Error, owner the application window).
    bool open();
    bool isOpen() const;
    // The store file could only be opened for reading (the desk may not write its folder): it is
    // listed, and every write fails with a reason that says so.
    bool isReadOnly() const;

    // SelectLocal: opens a closed connection on demand; any failure throws Failure. A statement
    // with a lock key, inside a transaction, first takes that key's lock (see SqlStatement).
    Rows select(const SqlStatement& statement);
    // The same select streamed row by row, for results too big to hold twice (see SqlConnection).
    void selectEach(const SqlStatement& statement, const std::function<void(const QStringList&)>& onColumns,
                    const std::function<void(std::vector<QString>&)>& onRow);

    // ExecuteLocal: runs a changing statement in its own (nested) transaction and commits it.
    // False after one box: the connection message of open(), or "出错原因：" + reason.
    // Inside a caller's transaction the caller's transaction stays active either way.
    bool execute(const SqlStatement& statement);

    // Runs a statement directly, without a transaction of its own; failures throw Failure.
    // Returns the number of rows changed.
    int run(const SqlStatement& statement);

    // Takes the locks of several documents at once, in one order (sorted), for the outermost
    // transaction: two desks storing overlapping sets of documents then wait for each other
    // instead of each holding what the other needs. Held to the transaction's end; statements
    // naming a held key do not ask again. Outside a transaction, or on an engine without such
    // locks, nothing.
    void lockKeys(QStringList keys);
    // Nested transactions: the outermost is a real transaction, inner ones are savepoints.
    // Failures throw Failure.
    void beginTransaction();
    void commit();
    void rollback();
    int transactionDepth() const;
    // Undoes every transaction begun above `depth`, for a failure's cleanup; a rollback that
    // itself fails leaves the depth at `depth` all the same.
    void rollbackTo(int depth) noexcept;

    // Sees every statement before it runs (tests use it to check order and count).
    void setStatementObserver(std::function<void(const SqlStatement&)> observer);

    QString path() const;
    // The location as messages may show it: a server address without its password.
    QString shownLocation() const;

private:
    void ensureOpen();
    void refuseWhenReadOnly() const;
    // Before any statement: the observer, an open connection, and the statement's lock.
    void ready(const SqlStatement& statement);
    std::unique_ptr<SqlConnection> m_db;
    Prompter& m_prompter;
    int m_depth = 0;
    QSet<QString> m_heldKeys; // taken by lockKeys in the outermost transaction
    std::function<void(const SqlStatement&)> m_observer;
};

} // namespace corvina
