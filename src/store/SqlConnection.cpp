#include "store/SqlConnection.h"

#include "app/Failure.h"
#include "store/PostgresConnection.h"
#include "store/ServerAddress.h"
#include "store/SqliteConnection.h"

#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <atomic>

namespace corvina {

namespace {

std::atomic<int> g_connectionCounter{0};

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

} // namespace

QString sqlErrorText(const QSqlError& error)
{
    QString text = error.databaseText().trimmed();
    if (text.isEmpty())
        text = error.text().trimmed();
    if (text.isEmpty())
        text = error.driverText().trimmed();
    // A server's message as the clerk can read it: without its severity word, the context lines
    // of the server's own functions and the trailing error code.
    static const QRegularExpression severity(QStringLiteral("^(ERROR|FATAL|PANIC):\\s+"));
    static const QRegularExpression context(QStringLiteral("\\n(CONTEXT|LOCATION):[^\\n]*"));
    static const QRegularExpression code(QStringLiteral("\\n\\([0-9A-Z]{5}\\)$"));
    if (text.contains(severity)) {
        text.remove(severity);
        text.remove(context);
        text.remove(code);
    }
    return text.trimmed();
}

SqlConnection::SqlConnection(QString location, Options options)
    : m_path(std::move(location)), m_options(std::move(options)),
      m_name(QStringLiteral("corvina-%1").arg(++g_connectionCounter))
{
}

SqlConnection::~SqlConnection()
{
    closeConnection();
    if (QSqlDatabase::contains(m_name))
        QSqlDatabase::removeDatabase(m_name);
}

std::unique_ptr<SqlConnection> SqlConnection::forLocation(const QString& location, Options options)
{
    if (ServerAddress::isServerAddress(location))
        return std::make_unique<PostgresConnection>(location, std::move(options));
    return std::make_unique<SqliteConnection>(location, std::move(options));
}

bool SqlConnection::open(QString* reason)
{
    if (isOpen())
        return true;
    // A connection that broke off (a server that went away) is dropped before a new one is made.
    if (m_connected || QSqlDatabase::contains(m_name))
        close();
    return openDatabase(reason);
}

QString SqlConnection::shownLocation() const
{
    return shownStoreLocation(m_path);
}

void SqlConnection::addMissingColumns()
{
    const QString count = columnCountSql();
    for (const QStringList& column : m_options.addedColumns)
        if (select({count, {column.value(0), column.value(1)}, {}}).value(0, QStringLiteral("n")) == QLatin1String("0"))
            execText(QStringLiteral("alter table %1 add column %2 %3")
                         .arg(column.value(0), column.value(1), column.value(2)));
}

bool SqlConnection::isOpen() const
{
    return m_connected && QSqlDatabase::contains(m_name) && QSqlDatabase::database(m_name, false).isOpen();
}

void SqlConnection::close()
{
    closeConnection();
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
    m_connected = false;
    m_readOnly = false;
}

void SqlConnection::begin()
{
    execText(QStringLiteral("BEGIN"));
}

void SqlConnection::commit()
{
    execText(QStringLiteral("COMMIT"));
}

void SqlConnection::rollback()
{
    execText(QStringLiteral("ROLLBACK"));
}

void SqlConnection::lockKey(const QString&)
{
}

void SqlConnection::lockKeys(const QStringList& keys)
{
    for (const QString& key : keys)
        lockKey(key);
}

QString SqlConnection::dialect(const QString& text) const
{
    // Jet's "delete * from" is a plain delete elsewhere.
    static const QRegularExpression deleteStar(QStringLiteral("^\\s*delete\\s+\\*\\s+from\\b"),
                                               QRegularExpression::CaseInsensitiveOption);
    QString out = text;
    out.replace(deleteStar, QStringLiteral("delete from"));
    // The store's own clock in whole seconds since 1970: the server's for a shared store, so that
    // desks whose clocks differ agree on it.
    out.replace(QLatin1String("{storeNow}"), storeNowSql());
    out.replace(QLatin1String("{rowOrder}"), rowOrderSql());
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
