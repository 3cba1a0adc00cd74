#include "store/SqlConnection.h"

#include "app/Failure.h"
#include "store/DatabaseFile.h"
#include "store/ServerAddress.h"
#include "store/Texts.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUrl>
#include <atomic>

namespace corvina {

namespace {

std::atomic<int> g_connectionCounter{0};

SqlConnection::Engine engineOf(const QByteArray& head)
{
    switch (databaseFileKind(head)) {
    case DatabaseFileKind::Sqlite:
        return SqlConnection::Engine::Sqlite;
    case DatabaseFileKind::Access:
        return SqlConnection::Engine::Access;
    case DatabaseFileKind::Unknown:
        break;
    }
    return SqlConnection::Engine::None;
}

// Values are texts: an empty text is stored as empty text, never as null, so that a statement
// comparing with '' finds it.
QVariant asText(const QVariant& v)
{
    if (v.typeId() == QMetaType::QString && v.toString().isNull())
        return QVariant(QStringLiteral(""));
    return v;
}

void bindAll(QSqlQuery& q, const SqlStatement& s)
{
    for (int i = 0; i < s.values.size(); ++i)
        q.bindValue(i, asText(s.values[i]));
    for (const auto& [name, v] : s.named)
        q.bindValue(name.startsWith(QLatin1Char(':')) ? name : QLatin1Char(':') + name, asText(v));
}

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

QString sqlErrorText(const QSqlError& error)
{
    QString text = error.databaseText().trimmed();
    if (text.isEmpty())
        text = error.text().trimmed();
    if (text.isEmpty())
        text = error.driverText().trimmed();
    return text;
}

SqlConnection::SqlConnection(QString location, Options options)
    : m_path(std::move(location)), m_options(std::move(options)),
      m_name(QStringLiteral("corvina-%1").arg(++g_connectionCounter))
{
}

SqlConnection::~SqlConnection()
{
    close();
    if (QSqlDatabase::contains(m_name))
        QSqlDatabase::removeDatabase(m_name);
}

bool SqlConnection::open(QString* reason)
{
    if (isOpen())
        return true;
    // A connection that broke off (a server that went away) is dropped before a new one is made.
    if (m_engine != Engine::None || QSqlDatabase::contains(m_name))
        close();
    return ServerAddress::isServerAddress(m_path) ? openServer(reason) : openFile(reason);
}

QString SqlConnection::shownLocation() const
{
    return shownStoreLocation(m_path);
}

bool SqlConnection::openServer(QString* reason)
{
    ServerAddress address;
    if (!ServerAddress::parse(m_path, &address, reason))
        return false;
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL"))) {
        *reason = StoreTexts::NoServerDriver.arg(address.shown());
        return false;
    }
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), m_name);
        db.setHostName(address.host);
        db.setDatabaseName(address.database);
        db.setUserName(address.user);
        db.setPassword(address.password);
        db.setConnectOptions(address.connectOptions());
        if (!db.open()) {
            const QString why = address.withoutPassword(sqlErrorText(db.lastError()));
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(m_name);
            *reason = StoreTexts::ServerOpenFailed.arg(address.shown(), why);
            return false;
        }
    }
    m_engine = Engine::Postgres;
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

void SqlConnection::ensureServerSchema()
{
    bool missing = false;
    for (const QString& table : m_options.serverTables)
        missing = missing || select({QStringLiteral("select to_regclass(?) as found"), {table}, {}})
                                 .value(0, QStringLiteral("found"))
                                 .isEmpty();
    if (missing) {
        // Two desks starting at once on an empty database: one creates, the other waits and finds.
        begin();
        try {
            select({QStringLiteral("select pg_advisory_xact_lock(?)"), {kSchemaLock}, {}});
            for (const QString& stmt : m_options.serverSchema.split(QLatin1Char(';'), Qt::SkipEmptyParts))
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
    for (const QStringList& index : m_options.addedServerIndexes) {
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

void SqlConnection::addMissingColumns()
{
    const QString count = m_engine == Engine::Postgres
                              // The catalogue, not information_schema: that one hides the columns of
                              // tables the desk's user has no right on.
                              ? QStringLiteral("select count(*) as n from pg_attribute where attrelid = "
                                               "cast(to_regclass(?) as oid) and attname = lower(?) and not "
                                               "attisdropped")
                              : QStringLiteral("select count(*) as n from pragma_table_info(?) where lower(name) = "
                                               "lower(?)");
    for (const QStringList& column : m_options.addedColumns)
        if (select({count, {column.value(0), column.value(1)}, {}}).value(0, QStringLiteral("n")) == QLatin1String("0"))
            execText(QStringLiteral("alter table %1 add column %2 %3")
                         .arg(column.value(0), column.value(1), column.value(2)));
}

bool SqlConnection::openFile(QString* reason)
{
    QByteArray head;
    if (!m_hold.take(m_path, &head, reason))
        return false;
    if (openKnownFile(head, reason))
        return true;
    m_hold.release();
    return false;
}

bool SqlConnection::openKnownFile(const QByteArray& head, QString* reason)
{
    Engine engine = engineOf(head);
    if (head.isEmpty()) {
        // Missing, or empty as a creation that died before its first write leaves it.
        if (!m_options.createWhenMissing) {
            *reason = StoreTexts::FileMissing.arg(m_path);
            return false;
        }
        engine = Engine::Sqlite;
    } else if (engine == Engine::None) {
        *reason = StoreTexts::NotADatabase.arg(m_path);
        return false;
    }

    if (engine == Engine::Sqlite) {
        if (openSqlite(m_options.readOnly ? SqliteMode::ReadOnly : SqliteMode::ReadWrite, head.isEmpty(), reason))
            return true;
        // A store on a folder or file this desk may only read (a share mounted read-only, a copy on
        // a CD) can still be listed: it opens read-only, and every write says why it cannot be made.
        const QFileInfo file(m_path);
        if (m_options.readOnly || head.isEmpty() || (file.isWritable() && QFileInfo(file.absolutePath()).isWritable()))
            return false;
        QString readOnlyReason;
        if (openSqlite(SqliteMode::ReadOnly, false, &readOnlyReason))
            return true;
        // Without the write-ahead log's index files, which a read-only folder cannot hold, SQLite
        // reads the file only as unchanging; that holds when no log with commits is beside it.
        if (!QFileInfo::exists(m_path + QStringLiteral("-wal")) &&
            openSqlite(SqliteMode::Unchanging, false, &readOnlyReason))
            return true;
        return false;
    }

    QSqlDatabase db;
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QODBC"))) {
        *reason = StoreTexts::NoAccessDriver.arg(m_path);
        return false;
    }
    db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), m_name);
    db.setDatabaseName(QStringLiteral("DRIVER={MDBTools};DBQ=") + m_path);
    if (!db.open()) {
        const QString why = sqlErrorText(db.lastError());
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_name);
        *reason = why.contains(QLatin1String("IM002")) || why.contains(QLatin1String("not found"), Qt::CaseInsensitive)
                      ? StoreTexts::NoAccessDriver.arg(m_path)
                      : StoreTexts::AccessOpenFailed.arg(m_path, why);
        return false;
    }
    if (db.tables().isEmpty()) {
        // The ODBC driver may accept a damaged file and fail only on the first read.
        *reason = StoreTexts::AccessOpenFailed.arg(m_path, sqlErrorText(db.lastError()));
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_name);
        return false;
    }
    m_engine = engine;
    return true;
}

bool SqlConnection::openSqlite(SqliteMode mode, bool creating, QString* reason)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
    QString opts = QStringLiteral("QSQLITE_BUSY_TIMEOUT=10000");
    if (mode == SqliteMode::Unchanging) {
        db.setDatabaseName(QUrl::fromLocalFile(QFileInfo(m_path).absoluteFilePath()).toString(QUrl::FullyEncoded) +
                           QStringLiteral("?mode=ro&immutable=1"));
        opts += QStringLiteral(";QSQLITE_OPEN_URI;QSQLITE_OPEN_READONLY");
    } else {
        db.setDatabaseName(m_path);
        if (mode == SqliteMode::ReadOnly)
            opts += QStringLiteral(";QSQLITE_OPEN_READONLY");
    }
    db.setConnectOptions(opts);
    if (!db.open()) {
        const QString why = sqlErrorText(db.lastError());
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_name);
        *reason = creating ? StoreTexts::CannotCreate.arg(m_path, why) : why;
        return false;
    }
    m_engine = Engine::Sqlite;
    m_readOnly = mode != SqliteMode::ReadWrite;
    if (creating)
        m_hold.createdSqlite();
    try {
        if (mode == SqliteMode::ReadWrite) {
            execText(QStringLiteral("PRAGMA journal_mode=WAL"));
            // Every commit is on the disk before it returns: an issuing attempt committed before
            // "保存" must survive a power cut, or the document would look never tried.
            execText(QStringLiteral("PRAGMA synchronous=FULL"));
            for (const QString& stmt : m_options.schema.split(QLatin1Char(';'), Qt::SkipEmptyParts))
                if (!stmt.trimmed().isEmpty())
                    execText(stmt);
            addMissingColumns();
        } else {
            // A read that fails here (no log index to be had) fails the open, not the first query.
            execText(QStringLiteral("select count(*) from sqlite_master"));
        }
    } catch (const Failure& f) {
        *reason = f.message();
        // The hold stays: openFile may try again in another mode, and releases it when it gives up.
        closeConnection();
        return false;
    }
    return true;
}

bool SqlConnection::isOpen() const
{
    return m_engine != Engine::None && QSqlDatabase::contains(m_name) && QSqlDatabase::database(m_name, false).isOpen();
}

void SqlConnection::close()
{
    closeConnection();
    m_hold.release();
}

void SqlConnection::closeConnection()
{
    m_prepared.clear();
    if (QSqlDatabase::contains(m_name)) {
        {
            QSqlDatabase db = QSqlDatabase::database(m_name, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(m_name);
    }
    m_engine = Engine::None;
    m_readOnly = false;
}

void SqlConnection::begin()
{
    execText(m_engine == Engine::Sqlite ? QStringLiteral("BEGIN IMMEDIATE") : QStringLiteral("BEGIN"));
}

void SqlConnection::commit()
{
    if (m_engine != Engine::Postgres) {
        execText(QStringLiteral("COMMIT"));
        return;
    }
    // A server answers COMMIT of a transaction in which a statement failed with a rollback, and
    // no error: the driver's commit tells the two apart.
    QSqlDatabase db = QSqlDatabase::database(m_name, false);
    if (!db.isOpen())
        throw Failure(StoreTexts::ConnectionLost.arg(sqlErrorText(db.lastError())));
    if (!db.commit())
        throw Failure(StoreTexts::CommitRolledBack.arg(sqlErrorText(db.lastError())));
}

void SqlConnection::rollback()
{
    execText(QStringLiteral("ROLLBACK"));
}

void SqlConnection::lockKey(const QString& key)
{
    if (m_engine == Engine::Postgres)
        select({QStringLiteral("select pg_advisory_xact_lock(?, hashtext(?))"), {kKeySpace, key}, {}});
}

QString SqlConnection::dialect(const QString& text) const
{
    if (m_engine != Engine::Sqlite && m_engine != Engine::Postgres)
        return text;
    // Jet's "delete * from" is a plain delete elsewhere.
    static const QRegularExpression deleteStar(QStringLiteral("^\\s*delete\\s+\\*\\s+from\\b"),
                                               QRegularExpression::CaseInsensitiveOption);
    QString out = text;
    out.replace(deleteStar, QStringLiteral("delete from"));
    // The store's own clock in whole seconds since 1970: the server's for a shared store, so that
    // desks whose clocks differ agree on it.
    out.replace(QLatin1String("{storeNow}"),
                m_engine == Engine::Postgres ? QLatin1String("cast(extract(epoch from clock_timestamp()) as bigint)")
                                             : QLatin1String("cast(strftime('%s','now') as integer)"));
    return out;
}

QSqlQuery* SqlConnection::reusable(const SqlStatement& statement)
{
    if (!statement.values.isEmpty() && !statement.named.isEmpty())
        return nullptr;
    QSqlQuery& q = prepared(statement.text);
    // Reused only when every placeholder gets a new value: none may keep the previous statement's.
    // A positional statement has no values until its first use.
    const qsizetype bound = q.boundValues().size();
    const qsizetype given = statement.values.size() + statement.named.size();
    if (bound == given || (bound == 0 && statement.named.isEmpty()))
        return &q;
    return nullptr;
}

void SqlConnection::selectEach(const SqlStatement& statement, const std::function<void(const QStringList&)>& onColumns,
                               const std::function<void(std::vector<QString>&)>& onRow)
{
    QSqlQuery fresh(QSqlDatabase::database(m_name, false));
    QSqlQuery* reused = reusable(statement);
    QSqlQuery& q = reused ? *reused : fresh;
    if (!reused) {
        q.setForwardOnly(true);
        if (!q.prepare(dialect(statement.text)))
            throw Failure(sqlErrorText(q.lastError()));
    }
    // A reused query is finished whatever happens, so that it holds no cursor or lock meanwhile.
    struct Finish {
        QSqlQuery& q;
        ~Finish() { q.finish(); }
    } finish{q};
    bindAll(q, statement);
    if (!q.exec())
        throw Failure(sqlErrorText(q.lastError()));
    const QSqlRecord rec = q.record();
    QStringList names;
    for (int i = 0; i < rec.count(); ++i)
        names << rec.fieldName(i);
    onColumns(names);
    const int n = rec.count();
    std::vector<QString> values(static_cast<size_t>(n));
    while (q.next()) {
        for (int i = 0; i < n; ++i)
            values[static_cast<size_t>(i)] = q.value(i).toString(); // null reads as empty text
        onRow(values);
    }
    if (q.lastError().isValid())
        throw Failure(sqlErrorText(q.lastError()));
}

Rows SqlConnection::select(const SqlStatement& statement)
{
    Rows rows;
    selectEach(
        statement, [&](const QStringList& names) { rows = Rows(names); },
        [&](std::vector<QString>& values) {
            for (QString& v : values)
                rows.appendValue(std::move(v));
        });
    return rows;
}

QSqlQuery& SqlConnection::prepared(const QString& text)
{
    // Statements are prepared once per connection: the import runs its statements a hundred
    // thousand times, and a server would otherwise prepare and free each one every time.
    auto it = m_prepared.find(text);
    if (it == m_prepared.end()) {
        QSqlQuery q(QSqlDatabase::database(m_name, false));
        q.setForwardOnly(true);
        if (!q.prepare(dialect(text)))
            throw Failure(sqlErrorText(q.lastError()));
        it = m_prepared.insert(text, q);
    }
    return *it;
}

int SqlConnection::exec(const SqlStatement& statement)
{
    if (QSqlQuery* reused = reusable(statement)) {
        QSqlQuery& q = *reused;
        bindAll(q, statement);
        if (!q.exec()) {
            const QString why = sqlErrorText(q.lastError());
            q.finish();
            throw Failure(why);
        }
        const int changed = q.numRowsAffected();
        q.finish();
        return changed;
    }
    QSqlQuery q(QSqlDatabase::database(m_name, false));
    if (!q.prepare(dialect(statement.text)))
        throw Failure(sqlErrorText(q.lastError()));
    bindAll(q, statement);
    if (!q.exec())
        throw Failure(sqlErrorText(q.lastError()));
    return q.numRowsAffected();
}

void SqlConnection::execText(const QString& text)
{
    QSqlQuery q(QSqlDatabase::database(m_name, false));
    if (!q.exec(text))
        throw Failure(sqlErrorText(q.lastError()));
}

} // namespace corvina
