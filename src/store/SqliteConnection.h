#pragma once

#include "store/DatabaseFile.h"
#include "store/SqlConnection.h"

namespace corvina {

// Our store in a SQLite file: made with its tables when missing (Options::createWhenMissing),
// written in WAL mode with every commit on the disk before it returns, and opened read-only where
// this desk may only read it. Another kind of file is refused untouched.
class SqliteConnection : public SqlConnection {
public:
    SqliteConnection(QString nativePath, Options options);
    ~SqliteConnection() override;

    void close() override;
    void begin() override;

protected:
    bool openDatabase(QString* reason) override;
    QString storeNowSql() const override;
    QString rowOrderSql() const override;
    QString columnCountSql() const override;

private:
    bool openKnownFile(const QByteArray& head, QString* reason);
    enum class SqliteMode { ReadWrite, ReadOnly, Unchanging };
    bool openSqlite(SqliteMode mode, bool creating, QString* reason);
    DatabaseFileHold m_hold; // while a connection to the file is open
};

} // namespace corvina
