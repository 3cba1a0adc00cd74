#include "store/LocalStore.h"

#include "app/Failure.h"
#include "app/Paths.h"
#include "app/Prompter.h"
#include "store/Schema.h"
#include "store/ServerAddress.h"
#include "store/SqlConnection.h"
#include "store/Texts.h"

namespace corvina {

LocalStore::LocalStore(QString location, Prompter& prompter)
    : m_db(SqlConnection::forLocation(
          ServerAddress::isServerAddress(location) ? location.trimmed() : nativePath(location), storeSchema())),
      m_prompter(prompter)
{
}

LocalStore::~LocalStore() = default;

QString LocalStore::path() const
{
    return m_db->path();
}

QString LocalStore::shownLocation() const
{
    return m_db->shownLocation();
}

void LocalStore::ensureOpen()
{
    // A connection that broke off inside a transaction is not made again behind the caller's
    // back: the server has undone the transaction, and what follows would run outside it.
    if (m_depth > 0 && !m_db->isOpen())
        throw Failure(StoreTexts::ConnectionLost.arg(m_db->shownLocation()));
    QString reason;
    if (!m_db->open(&reason))
        throw Failure(reason);
}

void LocalStore::ready(const SqlStatement& statement)
{
    if (m_observer)
        m_observer(statement);
    ensureOpen();
    // Inside a transaction, a statement about one document holds that document's lock to the end.
    if (!statement.lockKey.isEmpty() && m_depth > 0 && !m_heldKeys.contains(statement.lockKey))
        m_db->lockKey(statement.lockKey);
}

void LocalStore::lockKeys(QStringList keys)
{
    // Only at the outermost level: a lock taken inside a savepoint goes when it is rolled back.
    if (m_depth != 1)
        return;
    ensureOpen();
    keys.sort();
    keys.removeDuplicates();
    QStringList wanted;
    for (const QString& key : keys)
        if (!m_heldKeys.contains(key))
            wanted << key;
    if (wanted.isEmpty())
        return;
    m_db->lockKeys(wanted);
    for (const QString& key : wanted)
        m_heldKeys.insert(key);
}

bool LocalStore::isOpen() const
{
    return m_db->isOpen();
}

bool LocalStore::open()
{
    QString reason;
    if (m_db->open(&reason))
        return true;
    ShowMessageBox(m_prompter, BoxOwner::Application, StoreTexts::ConnectionError + reason, MessageBoxKind::Error);
    return false;
}

Rows LocalStore::select(const SqlStatement& statement)
{
    ready(statement);
    return m_db->select(statement);
}

void LocalStore::selectEach(const SqlStatement& statement, const std::function<void(const QStringList&)>& onColumns,
                            const std::function<void(std::vector<QString>&)>& onRow)
{
    ready(statement);
    m_db->selectEach(statement, onColumns, onRow);
}

int LocalStore::run(const SqlStatement& statement)
{
    refuseWhenReadOnly();
    ready(statement);
    return m_db->exec(statement);
}

bool LocalStore::execute(const SqlStatement& statement)
{
    if (!isOpen() && !open())
        return false;
    const int depthBefore = m_depth;
    try {
        beginTransaction();
        run(statement);
        commit();
        return true;
    } catch (const Failure& failure) {
        rollbackTo(depthBefore);
        ShowMessageBox(m_prompter, BoxOwner::Application, StoreTexts::StatementError + failure.message(),
                       MessageBoxKind::Error);
        return false;
    }
}

void LocalStore::refuseWhenReadOnly() const
{
    if (m_db->isReadOnly())
        throw Failure(StoreTexts::ReadOnlyStore.arg(m_db->path()));
}

bool LocalStore::isReadOnly() const
{
    return m_db->isReadOnly();
}

void LocalStore::beginTransaction()
{
    ensureOpen();
    refuseWhenReadOnly();
    if (m_depth == 0)
        m_db->begin();
    else
        m_db->execText(QStringLiteral("SAVEPOINT sp%1").arg(m_depth));
    ++m_depth;
}

void LocalStore::commit()
{
    if (m_depth == 0)
        throw Failure(QStringLiteral("no transaction is active"));
    // A failed commit leaves the depth for the caller's rollback (a server's own rollback makes
    // that one a harmless warning).
    if (m_depth == 1) {
        m_db->commit();
        m_heldKeys.clear();
    } else {
        ensureOpen();
        m_db->execText(QStringLiteral("RELEASE sp%1").arg(m_depth - 1));
    }
    --m_depth;
}

void LocalStore::rollback()
{
    if (m_depth == 0)
        throw Failure(QStringLiteral("no transaction is active"));
    --m_depth;
    if (m_depth == 0) {
        m_heldKeys.clear();
        m_db->rollback();
    } else {
        m_db->execText(QStringLiteral("ROLLBACK TO sp%1").arg(m_depth));
        m_db->execText(QStringLiteral("RELEASE sp%1").arg(m_depth));
    }
}

int LocalStore::transactionDepth() const
{
    return m_depth;
}

void LocalStore::rollbackTo(int depth) noexcept
{
    try {
        while (m_depth > depth)
            rollback();
    } catch (const std::exception&) {
        m_depth = depth;
    }
    if (m_depth == 0)
        m_heldKeys.clear();
}

void LocalStore::setStatementObserver(std::function<void(const SqlStatement&)> observer)
{
    m_observer = std::move(observer);
}

} // namespace corvina
