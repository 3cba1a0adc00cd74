#include "support/TestStore.h"

#include "pgcluster/PgCluster.h"
#include "store/LocalStore.h"

#include <gtest/gtest.h>
#include <memory>
#include <stdexcept>
#include <utility>

namespace corvina::test {

namespace {

std::unique_ptr<PgCluster>& cluster()
{
    static std::unique_ptr<PgCluster> instance;
    return instance;
}

bool& ownCluster()
{
    static bool own = false;
    return own;
}

// Stops a cluster this process started, once every test has run (the application still exists).
class ClusterCleanup : public ::testing::Environment {
public:
    void TearDown() override
    {
        if (ownCluster() && cluster())
            cluster()->stop();
    }
};

const bool g_cleanupRegistered = [] {
    ::testing::AddGlobalTestEnvironment(new ClusterCleanup);
    return true;
}();

} // namespace

bool testsUseServer()
{
    return qEnvironmentVariable("CORVINA_TEST_STORE") == QLatin1String("postgresql");
}

const PgCluster& testCluster()
{
    (void)g_cleanupRegistered;
    if (cluster())
        return *cluster();
    const QString state = qEnvironmentVariable("CORVINA_TEST_PG");
    if (!state.isEmpty()) {
        cluster() = PgCluster::load(state);
        if (!cluster())
            throw std::runtime_error("CORVINA_TEST_PG names no running cluster: " + state.toStdString());
        return *cluster();
    }
    auto own = std::make_unique<PgCluster>();
    QString reason;
    if (!own->start(&reason))
        throw std::runtime_error("cannot start a PostgreSQL cluster: " + reason.toStdString());
    cluster() = std::move(own);
    ownCluster() = true;
    return *cluster();
}

TestStore::TestStore(const TempFolder& folder)
{
    if (testsUseServer())
        makeDatabase();
    else
        m_location = folder.file(QStringLiteral("SysData.mdb"));
}

TestStore TestStore::onServer()
{
    TestStore store;
    store.makeDatabase();
    return store;
}

void TestStore::makeDatabase()
{
    const PgCluster& c = testCluster();
    QString reason;
    m_database = c.createDatabase(&reason);
    if (m_database.isEmpty())
        throw std::runtime_error("cannot create a test database: " + reason.toStdString());
    m_location = c.url(m_database);
}

TestStore::TestStore(TestStore&& other) noexcept
    : m_location(std::move(other.m_location)), m_database(std::exchange(other.m_database, QString()))
{
}

void TestStore::refuse(LocalStore& store, const QString& event, const QString& table, const QString& condition,
                       const QString& reason) const
{
    static int counter = 0;
    const QString name = QStringLiteral("refuse_%1").arg(++counter);
    if (!isServer()) {
        store.run({QStringLiteral("create trigger %1 before %2 on %3 when %4 begin select raise(abort, '%5'); end")
                       .arg(name, event, table, condition, reason),
                   {},
                   {}});
        return;
    }
    const QString row = event == QLatin1String("delete") ? QStringLiteral("old") : QStringLiteral("new");
    QString why;
    if (!testCluster().admin(
            m_database,
            {QStringLiteral("create function %1() returns trigger language plpgsql as $$ begin if %2 then "
                            "raise exception '%4'; end if; return %3; end $$")
                 .arg(name, condition, row, reason),
             QStringLiteral("create trigger %1 before %2 on %3 for each row execute function %1()")
                 .arg(name, event, table)},
            &why))
        throw std::runtime_error("cannot make the store refuse: " + why.toStdString());
}

TestStore::~TestStore()
{
    if (!m_database.isEmpty())
        testCluster().dropDatabase(m_database);
}

} // namespace corvina::test
