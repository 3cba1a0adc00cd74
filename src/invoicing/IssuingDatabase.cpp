#include "invoicing/IssuingDatabase.h"

#include "app/Paths.h"
#include "app/Prompter.h"
#include "invoicing/AccessEngine.h"
#include "invoicing/QtSqlIssuingEngine.h"
#include "store/DatabaseFile.h"
#include "store/Texts.h"

namespace corvina {

namespace {

// The invoicing program's database password.
const QString kIssuingDatabasePassword = QStringLiteral("TolvanReceiptTracker");

std::unique_ptr<IssuingEngine> engineFor(const QString& path, DatabaseFileHold& hold, QString* reason)
{
    QByteArray head;
    if (!hold.take(path, &head, reason))
        return nullptr;
    if (head.isEmpty()) {
        *reason = StoreTexts::FileMissing.arg(path);
        return nullptr;
    }
    switch (databaseFileKind(head)) {
    case DatabaseFileKind::Sqlite:
        return std::make_unique<QtSqlIssuingEngine>(
            QtSqlIssuingEngine::Settings{QStringLiteral("QSQLITE"),
                                         path,
                                         QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=10000"),
                                         {},
                                         {},
                                         QStringLiteral("select count(*) from sqlite_master")});
    case DatabaseFileKind::Access:
        return makeAccessEngine(path, kIssuingDatabasePassword);
    case DatabaseFileKind::Unknown:
        break;
    }
    *reason = StoreTexts::NotADatabase.arg(path);
    return nullptr;
}

} // namespace

IssuingDatabase::IssuingDatabase(QString path, Prompter& prompter) : m_path(nativePath(path)), m_prompter(prompter)
{
}

IssuingDatabase::~IssuingDatabase() = default;

QString IssuingDatabase::path() const
{
    return m_path;
}

bool IssuingDatabase::openEngine(QString* reason)
{
    if (isOpen())
        return true;
    // The file may have been replaced since the last open: its engine is chosen afresh.
    m_engine = engineFor(m_path, m_hold, reason);
    if (m_engine && m_engine->open(reason))
        return true;
    close();
    return false;
}

bool IssuingDatabase::open()
{
    QString reason;
    if (openEngine(&reason))
        return true;
    ShowMessageBox(m_prompter, BoxOwner::Application, StoreTexts::ConnectionError + reason, MessageBoxKind::Error);
    return false;
}

bool IssuingDatabase::isOpen() const
{
    return m_engine && m_engine->isOpen();
}

void IssuingDatabase::close()
{
    m_engine.reset();
    m_hold.release();
}

bool IssuingDatabase::reopenQuietly(QString* reason)
{
    close();
    QString why;
    const bool opened = openEngine(&why);
    if (reason)
        *reason = why;
    return opened;
}

bool IssuingDatabase::ready()
{
    return isOpen() || open();
}

std::optional<Rows> IssuingDatabase::select(const IssuingRead& read)
{
    if (!ready())
        return std::nullopt;
    return m_engine->read(read);
}

std::optional<QStringList> IssuingDatabase::tableNames()
{
    if (!ready())
        return std::nullopt;
    return m_engine->tableNames();
}

std::optional<Rows> IssuingDatabase::table(const QString& name)
{
    if (!ready())
        return std::nullopt;
    return m_engine->table(name);
}

} // namespace corvina
