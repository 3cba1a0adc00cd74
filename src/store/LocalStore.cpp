#include "store/LocalStore.h"

#include "app/Failure.h"
#include "app/Paths.h"
#include "app/Prompter.h"
#include "store/SqlConnection.h"
#include "store/Texts.h"

namespace corvina {

namespace {

// Every column of the two document tables is text but FNo, stored as a number so that "order by
// FNo" puts 10 after 9.
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
                   "create index if not exists invoiceDetail_id on invoiceDetail(FCustOrderId, FNo);"
                   // The issuing journal, added to stores made before it: one row per attempt, and
                   // at most one open attempt per document (the claim on the document).
                   "create table if not exists issueJournal ("
                   " FAttemptId integer primary key autoincrement, FCustOrderId text not null,"
                   " FInvCode text not null, FInvNumber text not null, FStartedAt text not null,"
                   " FOutcome text not null, FFinishedAt text, FClosedAt text,"
                   " FSettledState text, FSettledCode text, FSettledNumber text);"
                   "create unique index if not exists issueJournal_open on issueJournal(FCustOrderId)"
                   " where FClosedAt is null;"
                   "create index if not exists issueJournal_started on issueJournal(FStartedAt)");

} // namespace

LocalStore::LocalStore(QString path, Prompter& prompter)
    : m_db(std::make_unique<SqlConnection>(nativePath(path), SqlConnection::Options{false, true, kSchema})),
      m_prompter(prompter)
{
}

LocalStore::~LocalStore() = default;

QString LocalStore::path() const
{
    return m_db->path();
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
    QString reason;
    if (!m_db->open(&reason))
        throw Failure(reason);
    return m_db->select(statement);
}

void LocalStore::selectEach(const SqlStatement& statement, const std::function<void(const QStringList&)>& onColumns,
                            const std::function<void(std::vector<QString>&)>& onRow)
{
    if (m_observer)
        m_observer(statement);
    QString reason;
    if (!m_db->open(&reason))
        throw Failure(reason);
    m_db->selectEach(statement, onColumns, onRow);
}

int LocalStore::run(const SqlStatement& statement)
{
    if (m_observer)
        m_observer(statement);
    QString reason;
    if (!m_db->open(&reason))
        throw Failure(reason);
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

void LocalStore::beginTransaction()
{
    QString reason;
    if (!m_db->open(&reason))
        throw Failure(reason);
    if (m_depth == 0)
        m_db->execText(m_db->engine() == SqlConnection::Engine::Sqlite ? QStringLiteral("BEGIN IMMEDIATE")
                                                                       : QStringLiteral("BEGIN"));
    else
        m_db->execText(QStringLiteral("SAVEPOINT sp%1").arg(m_depth));
    ++m_depth;
}

void LocalStore::commit()
{
    if (m_depth == 0)
        throw Failure(QStringLiteral("no transaction is active"));
    if (m_depth == 1)
        m_db->execText(QStringLiteral("COMMIT"));
    else
        m_db->execText(QStringLiteral("RELEASE sp%1").arg(m_depth - 1));
    --m_depth;
}

void LocalStore::rollback()
{
    if (m_depth == 0)
        throw Failure(QStringLiteral("no transaction is active"));
    --m_depth;
    if (m_depth == 0) {
        m_db->execText(QStringLiteral("ROLLBACK"));
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
}

void LocalStore::setStatementObserver(std::function<void(const SqlStatement&)> observer)
{
    m_observer = std::move(observer);
}

} // namespace corvina
