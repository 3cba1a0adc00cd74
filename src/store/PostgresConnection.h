#pragma once

#include "store/SqlConnection.h"

namespace corvina {

// Our store shared by several desks on a PostgreSQL server: the tables made when missing (by
// whichever desk comes first), every commit durable and told apart from the server's rollback,
// statements waiting a bounded time for another desk's locks, and documents locked by key.
class PostgresConnection : public SqlConnection {
public:
    PostgresConnection(QString address, Options options);
    ~PostgresConnection() override;

    void commit() override;
    void lockKey(const QString& key) override;
    void lockKeys(const QStringList& keys) override;

protected:
    bool openDatabase(QString* reason) override;
    QString storeNowSql() const override;
    QString rowOrderSql() const override;
    QString columnCountSql() const override;

private:
    void ensureServerSchema();
};

} // namespace corvina
