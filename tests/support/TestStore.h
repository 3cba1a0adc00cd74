#pragma once

#include "support/TestSupport.h"

#include <QString>

namespace corvina {
class LocalStore;
}

namespace corvina::test {

class PgCluster;

// True when this run's engine-aware tests work on the shared store (CORVINA_TEST_STORE=postgresql).
bool testsUseServer();

// The PostgreSQL cluster of this test run: the one CTest's fixture started (CORVINA_TEST_PG names
// its state file), else one started for this process and removed when its tests end. Throws when
// none can be had, which fails the test: a server test is never quietly skipped.
const PgCluster& testCluster();

// The store an engine-aware test works on: SysData.mdb in the test's folder, or on the shared
// engine a fresh database of its own on the test cluster, dropped when the test ends.
class TestStore {
public:
    explicit TestStore(const TempFolder& folder);
    // A database on the cluster whatever the run's engine, for the tests of the shared store itself.
    static TestStore onServer();
    ~TestStore();
    TestStore(TestStore&& other) noexcept;
    TestStore(const TestStore&) = delete;
    TestStore& operator=(const TestStore&) = delete;
    TestStore& operator=(TestStore&&) = delete;

    // What LocalStore takes: the file's path or the superuser's postgresql:// address.
    const QString& location() const { return m_location; }
    bool isServer() const { return !m_database.isEmpty(); }
    // The database's name on the cluster (empty for a file).
    const QString& database() const { return m_database; }

    // Makes the store refuse `event` ("insert", "update" or "delete") on `table` for the rows where
    // `condition` holds (SQL over old. or new. columns): the statement fails with `reason`.
    void refuse(LocalStore& store, const QString& event, const QString& table, const QString& condition,
                const QString& reason = QStringLiteral("row locked")) const;

private:
    TestStore() = default;
    void makeDatabase();
    QString m_location;
    QString m_database;
};

} // namespace corvina::test
