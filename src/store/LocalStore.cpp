#include "store/LocalStore.h"

#include "app/Failure.h"
#include "app/Paths.h"
#include "app/Prompter.h"
#include "store/ServerAddress.h"
#include "store/SqlConnection.h"
#include "store/Texts.h"

namespace corvina {

namespace {

// Every column is text but FNo, stored as a number so that "order by FNo" puts 10 after 9.
const QString kSchema =
    QStringLiteral("create table if not exists invoiceMaster ("
                   " FCustOrderId text, FCustName text, FCustPo text, FCustOutportNo text, FCustAcc text,"
                   " FCustSinature text, FCustContractNo text, FCustCX text, FCustVF text,"
                   " FMM1 text, FMM2 text, FMM3 text, FMM4 text, FMM5 text,"
                   " FInDate text, FOK text, FNoTaxSum text, FInvCode text, FInvNumber text);"
                   "create unique index if not exists invoiceMaster_id on invoiceMaster(FCustOrderId);"
                   "create index if not exists invoiceMaster_query on invoiceMaster(FOK, FInDate);"
                   "create table if not exists invoiceDetail ("
                   " FCustOrderId text, FNo integer, FItem text, FCount text, FPrice text, FSum text);"
                   "create index if not exists invoiceDetail_id on invoiceDetail(FCustOrderId, FNo)");

// The same tables on a shared server. Names are folded to lower case there; every statement
// spells them without quotes, so any spelling finds them.
const QStringList kServerTables = {QStringLiteral("invoiceMaster"), QStringLiteral("invoiceDetail")};
const QString kServerSchema =
    QStringLiteral("create table if not exists invoiceMaster ("
                   " FCustOrderId text, FCustName text, FCustPo text, FCustOutportNo text, FCustAcc text,"
                   " FCustSinature text, FCustContractNo text, FCustCX text, FCustVF text,"
                   " FMM1 text, FMM2 text, FMM3 text, FMM4 text, FMM5 text,"
                   " FInDate text, FOK text, FNoTaxSum text, FInvCode text, FInvNumber text);"
                   "create unique index if not exists invoiceMaster_id on invoiceMaster(FCustOrderId);"
                   "create index if not exists invoiceMaster_query on invoiceMaster(FOK, FInDate);"
                   "create table if not exists invoiceDetail ("
                   " FCustOrderId text, FNo integer, FItem text, FCount text, FPrice text, FSum text);"
                   "create index if not exists invoiceDetail_id on invoiceDetail(FCustOrderId, FNo)");

SqlConnection::Options storeOptions()
{
    SqlConnection::Options options;
    options.createWhenMissing = true;
    options.schema = kSchema;
    options.serverTables = kServerTables;
    options.serverSchema = kServerSchema;
    return options;
}

} // namespace

LocalStore::LocalStore(QString location, Prompter& prompter)
    : m_db(std::make_unique<SqlConnection>(
          ServerAddress::isServerAddress(location) ? location.trimmed() : nativePath(location), storeOptions())),
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
    if (m_observer)
        m_observer(statement);
    ensureOpen();
    if (!statement.lockKey.isEmpty() && m_depth > 0)
        m_db->lockKey(statement.lockKey);
    return m_db->select(statement);
}

void LocalStore::selectEach(const SqlStatement& statement, const std::function<void(const QStringList&)>& onColumns,
                            const std::function<void(std::vector<QString>&)>& onRow)
{
    if (m_observer)
        m_observer(statement);
    ensureOpen();
    if (!statement.lockKey.isEmpty() && m_depth > 0)
        m_db->lockKey(statement.lockKey);
    m_db->selectEach(statement, onColumns, onRow);
}

int LocalStore::run(const SqlStatement& statement)
{
    if (m_observer)
        m_observer(statement);
    ensureOpen();
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
        if (m_depth > depthBefore) {
            try {
                rollback();
            } catch (const Failure&) {
                m_depth = depthBefore;
            }
        }
        ShowMessageBox(m_prompter, BoxOwner::Application, StoreTexts::StatementError + failure.message(),
                       MessageBoxKind::Error);
        return false;
    }
}

void LocalStore::beginTransaction()
{
    ensureOpen();
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

void LocalStore::setStatementObserver(std::function<void(const SqlStatement&)> observer)
{
    m_observer = std::move(observer);
}

} // namespace corvina
