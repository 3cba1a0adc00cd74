#include "store/PostgresConnection.h"

#include "app/Failure.h"
#include "store/ServerAddress.h"
#include "store/Texts.h"

#include <QSqlError>

namespace corvina {

namespace {

// Advisory lock keys on a server: one for creating the tables, and a space of document keys.
constexpr qint64 kSchemaLock = 0x436F7276696E61LL;
constexpr int kKeySpace = 0x436F7276;

// How long a statement on a server waits for a lock another desk holds (a document being stored
// or claimed there) before it fails with the server's reason instead of hanging.
const QString kServerSession = QStringLiteral("set lock_timeout = '30s'");
// A commit returns only once the server has it on its disk, whatever the server's own setting: an
// issuing attempt committed before "保存" must survive the server's power cut too.
const QString kServerDurability = QStringLiteral("set synchronous_commit = on");

} // namespace

PostgresConnection::PostgresConnection(QString address, Options options)
    : SqlConnection(address.trimmed(), std::move(options))
{
}

PostgresConnection::~PostgresConnection() = default;

void PostgresConnection::commit()
{
    // A server answers COMMIT of a transaction in which a statement failed with a rollback, and
    // no error: the driver's commit tells the two apart.
    QSqlDatabase db = database();
    if (!db.isOpen())
        throw Failure(StoreTexts::ConnectionLost.arg(sqlErrorText(db.lastError())));
    if (!db.commit())
        throw Failure(StoreTexts::CommitRolledBack.arg(sqlErrorText(db.lastError())));
}

void PostgresConnection::lockKey(const QString& key)
{
    select({QStringLiteral("select pg_advisory_xact_lock(?, hashtext(?))"), {kKeySpace, key}, {}});
}

void PostgresConnection::lockKeys(const QStringList& keys)
{
    // One round trip for a group of documents: the keys travel as one text, cut at a separator no
    // document number holds; unnest hands them to the locks in the order given. A key that holds
    // the separator is locked on its own, after the others.
    const QChar separator(0x1F);
    QStringList joined;
    QStringList alone;
    for (const QString& key : keys)
        (key.contains(separator) ? alone : joined) << key;
    if (!joined.isEmpty())
        select({QStringLiteral("select count(pg_advisory_xact_lock(?, hashtext(k))) as n"
                               " from unnest(string_to_array(?, chr(31))) as k"),
                {kKeySpace, joined.join(separator)},
                {}});
    for (const QString& key : alone)
        lockKey(key);
}

QString PostgresConnection::storeNowSql() const
{
    // The server's clock, so that desks whose clocks differ agree on it.
    return QStringLiteral("cast(extract(epoch from clock_timestamp()) as bigint)");
}

QString PostgresConnection::rowOrderSql() const
{
    // A server keeps no insertion order (an updated row moves): the document number orders ties.
    return QStringLiteral("FCustOrderId");
}

QString PostgresConnection::columnCountSql() const
{
    // The catalogue, not information_schema: that one hides the columns of tables the desk's user
    // has no right on.
    return QStringLiteral("select count(*) as n from pg_attribute where attrelid = cast(to_regclass(?) as oid) and "
                          "attname = lower(?) and not attisdropped");
}

bool PostgresConnection::openDatabase(QString* reason)
{
    ServerAddress address;
    if (!ServerAddress::parse(path(), &address, reason))
        return false;
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL"))) {
        *reason = StoreTexts::NoServerDriver.arg(address.shown());
        return false;
    }
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name());
        db.setHostName(address.host);
        db.setDatabaseName(address.database);
        db.setUserName(address.user);
        db.setPassword(address.password);
        db.setConnectOptions(address.connectOptions());
        if (!db.open()) {
            const QString why = address.withoutPassword(sqlErrorText(db.lastError()));
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(name());
            *reason = StoreTexts::ServerOpenFailed.arg(address.shown(), why);
            return false;
        }
    }
    markConnected();
    try {
        execText(kServerSession);
        execText(kServerDurability);
        ensureServerSchema();
    } catch (const Failure& f) {
        *reason = StoreTexts::ServerSchemaFailed.arg(address.shown(), address.withoutPassword(f.message()));
        close();
        return false;
    }
    return true;
}

void PostgresConnection::ensureServerSchema()
{
    bool missing = false;
    for (const QString& table : options().serverTables)
        missing = missing || select({QStringLiteral("select to_regclass(?) as found"), {table}, {}})
                                 .value(0, QStringLiteral("found"))
                                 .isEmpty();
    if (missing) {
        // Two desks starting at once on an empty database: one creates, the other waits and finds.
        begin();
        try {
            select({QStringLiteral("select pg_advisory_xact_lock(?)"), {kSchemaLock}, {}});
            for (const QString& stmt : options().serverSchema.split(QLatin1Char(';'), Qt::SkipEmptyParts))
                if (!stmt.trimmed().isEmpty())
                    execText(stmt);
            commit();
        } catch (const Failure&) {
            try {
                rollback();
            } catch (const Failure&) {
            }
            throw;
        }
    }
    addMissingColumns();
    for (const QStringList& index : options().addedServerIndexes) {
        if (!select({QStringLiteral("select to_regclass(?) as found"), {index.value(0).toLower()}, {}})
                 .value(0, QStringLiteral("found"))
                 .isEmpty())
            continue;
        try {
            execText(index.value(1));
        } catch (const Failure&) {
            // A desk's user without the right to create it: its owner's next start does.
        }
    }
}

} // namespace corvina
