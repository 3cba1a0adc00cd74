#include "store/SqlConnection.h"

#include "app/Failure.h"
#include "store/DatabaseFile.h"
#include "store/Texts.h"

#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
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
    for (const QVariant& v : s.values)
        q.addBindValue(asText(v));
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
    return text;
}

SqlConnection::SqlConnection(QString nativePath, Options options)
    : m_path(std::move(nativePath)), m_options(std::move(options)),
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
    QByteArray head;
    if (!readDatabaseHead(m_path, &head, reason))
        return false;
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

    QSqlDatabase db;
    if (engine == Engine::Sqlite) {
        db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(m_path);
        QString opts = QStringLiteral("QSQLITE_BUSY_TIMEOUT=10000");
        if (m_options.readOnly)
            opts += QStringLiteral(";QSQLITE_OPEN_READONLY");
        db.setConnectOptions(opts);
    } else {
        if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QODBC"))) {
            *reason = StoreTexts::NoAccessDriver.arg(m_path);
            return false;
        }
        db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), m_name);
        db.setDatabaseName(QStringLiteral("DRIVER={MDBTools};DBQ=") + m_path);
    }
    if (!db.open()) {
        const QString why = sqlErrorText(db.lastError());
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_name);
        if (engine == Engine::Access)
            *reason =
                why.contains(QLatin1String("IM002")) || why.contains(QLatin1String("not found"), Qt::CaseInsensitive)
                    ? StoreTexts::NoAccessDriver.arg(m_path)
                    : StoreTexts::AccessOpenFailed.arg(m_path, why);
        else
            *reason = head.isEmpty() ? StoreTexts::CannotCreate.arg(m_path, why) : why;
        return false;
    }
    if (engine == Engine::Access && db.tables().isEmpty()) {
        // The ODBC driver may accept a damaged file and fail only on the first read.
        *reason = StoreTexts::AccessOpenFailed.arg(m_path, sqlErrorText(db.lastError()));
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_name);
        return false;
    }
    m_engine = engine;
    if (engine == Engine::Sqlite) {
        try {
            if (!m_options.readOnly) {
                execText(QStringLiteral("PRAGMA journal_mode=WAL"));
                // In WAL mode a commit survives the program dying without a flush of its own; only
                // a power cut may lose the last commits, never the file's consistency.
                execText(QStringLiteral("PRAGMA synchronous=NORMAL"));
                for (const QString& stmt : m_options.schema.split(QLatin1Char(';'), Qt::SkipEmptyParts))
                    if (!stmt.trimmed().isEmpty())
                        execText(stmt);
            }
        } catch (const Failure& f) {
            *reason = f.message();
            close();
            return false;
        }
    }
    return true;
}

bool SqlConnection::isOpen() const
{
    return m_engine != Engine::None && QSqlDatabase::contains(m_name) && QSqlDatabase::database(m_name, false).isOpen();
}

void SqlConnection::close()
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
}

QString SqlConnection::dialect(const QString& text) const
{
    if (m_engine != Engine::Sqlite)
        return text;
    // Jet's "delete * from" is a plain delete elsewhere.
    static const QRegularExpression deleteStar(QStringLiteral("^\\s*delete\\s+\\*\\s+from\\b"),
                                               QRegularExpression::CaseInsensitiveOption);
    QString out = text;
    out.replace(deleteStar, QStringLiteral("delete from"));
    return out;
}

void SqlConnection::selectEach(const SqlStatement& statement, const std::function<void(const QStringList&)>& onColumns,
                               const std::function<void(std::vector<QString>&)>& onRow)
{
    QSqlQuery q(QSqlDatabase::database(m_name, false));
    q.setForwardOnly(true);
    if (!q.prepare(dialect(statement.text)))
        throw Failure(sqlErrorText(q.lastError()));
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
    auto it = m_prepared.find(text);
    if (it == m_prepared.end()) {
        QSqlQuery q(QSqlDatabase::database(m_name, false));
        if (!q.prepare(dialect(text)))
            throw Failure(sqlErrorText(q.lastError()));
        it = m_prepared.insert(text, q);
    }
    return *it;
}

int SqlConnection::exec(const SqlStatement& statement)
{
    QSqlQuery* reusable =
        statement.values.isEmpty() && !statement.named.isEmpty() ? &prepared(statement.text) : nullptr;
    // Reused only when every placeholder gets a new value: none may keep the previous statement's.
    if (reusable && reusable->boundValues().size() == statement.named.size()) {
        QSqlQuery& q = *reusable;
        bindAll(q, statement);
        if (!q.exec())
            throw Failure(sqlErrorText(q.lastError()));
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
