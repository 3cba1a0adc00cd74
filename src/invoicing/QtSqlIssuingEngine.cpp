#include "invoicing/QtSqlIssuingEngine.h"

#include "app/Failure.h"
#include "store/SqlConnection.h"

#include <QDateTime>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <atomic>

namespace corvina {

namespace {

std::atomic<int> g_engineCounter{0};

// Values read as text the same way on every engine: date-times without the "T", bytes as hex.
QString textOf(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::QDateTime:
        return value.toDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    case QMetaType::QByteArray:
        return QString::fromLatin1(value.toByteArray().toHex().toUpper());
    default:
        return value.toString(); // null reads as empty text
    }
}

} // namespace

QtSqlIssuingEngine::QtSqlIssuingEngine(Settings settings)
    : m_settings(std::move(settings)), m_name(QStringLiteral("corvina-issuing-%1").arg(++g_engineCounter))
{
}

QtSqlIssuingEngine::~QtSqlIssuingEngine()
{
    close();
}

QSqlDatabase QtSqlIssuingEngine::database() const
{
    return QSqlDatabase::database(m_name, false);
}

bool QtSqlIssuingEngine::open(QString* reason)
{
    if (isOpen())
        return true;
    if (!QSqlDatabase::isDriverAvailable(m_settings.driver)) {
        *reason = m_settings.missingDriver;
        return false;
    }
    QString why;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(m_settings.driver, m_name);
        db.setDatabaseName(m_settings.databaseName);
        db.setConnectOptions(m_settings.connectOptions);
        if (db.open()) {
            QSqlQuery probe(db);
            if (m_settings.probe.isEmpty() || probe.exec(m_settings.probe))
                return true;
            why = sqlErrorText(probe.lastError());
        } else {
            why = sqlErrorText(db.lastError());
        }
    }
    QSqlDatabase::removeDatabase(m_name);
    *reason = m_settings.describeFailure ? m_settings.describeFailure(why) : why;
    return false;
}

bool QtSqlIssuingEngine::isOpen() const
{
    return QSqlDatabase::contains(m_name) && database().isOpen();
}

void QtSqlIssuingEngine::close()
{
    if (!QSqlDatabase::contains(m_name))
        return;
    database().close();
    QSqlDatabase::removeDatabase(m_name);
}

SqlStatement QtSqlIssuingEngine::statementOf(const IssuingRead& read)
{
    // Table and column names are the program's own constants; only the value comes from data.
    SqlStatement s{QStringLiteral("select ") + read.columns.join(QLatin1Char(',')) + QStringLiteral(" from ") +
                       read.table,
                   {},
                   {}};
    if (!read.whereColumn.isEmpty()) {
        s.text += QStringLiteral(" where ") + read.whereColumn + QStringLiteral("=?");
        s.values << read.equals;
    }
    return s;
}

Rows QtSqlIssuingEngine::run(const SqlStatement& statement)
{
    QSqlQuery q(database());
    q.setForwardOnly(true);
    if (!q.prepare(statement.text))
        throw Failure(sqlErrorText(q.lastError()));
    for (const QVariant& v : statement.values)
        q.addBindValue(v);
    if (!q.exec())
        throw Failure(sqlErrorText(q.lastError()));
    const QSqlRecord record = q.record();
    QStringList names;
    for (int i = 0; i < record.count(); ++i)
        names << record.fieldName(i);
    Rows rows(names);
    while (q.next())
        for (int i = 0; i < record.count(); ++i)
            rows.appendValue(textOf(q.value(i)));
    if (q.lastError().isValid())
        throw Failure(sqlErrorText(q.lastError()));
    return rows;
}

Rows QtSqlIssuingEngine::read(const IssuingRead& read)
{
    return run(statementOf(read));
}

QStringList QtSqlIssuingEngine::tableNames()
{
    return database().tables(QSql::Tables);
}

Rows QtSqlIssuingEngine::table(const QString& name)
{
    QSqlDatabase db = database();
    return run({QStringLiteral("select * from ") + db.driver()->escapeIdentifier(name, QSqlDriver::TableName), {}, {}});
}

} // namespace corvina
