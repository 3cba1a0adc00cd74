#include "store/IssueJournal.h"

#include "app/Clock.h"
#include "app/Failure.h"
#include "app/Gbk.h"
#include "app/Prompter.h"
#include "store/LocalStore.h"
#include "store/Rows.h"
#include "store/Statements.h"
#include "store/Texts.h"

namespace corvina {

namespace {

IssueAttempt attemptAt(const Rows& rows, int row)
{
    IssueAttempt a;
    a.id = rows.value(row, QStringLiteral("FAttemptId")).toLongLong();
    a.orderId = rows.value(row, QStringLiteral("FCustOrderId"));
    a.code = rows.value(row, QStringLiteral("FInvCode"));
    a.number = rows.value(row, QStringLiteral("FInvNumber"));
    a.startedAt = rows.value(row, QStringLiteral("FStartedAt"));
    a.outcome = rows.value(row, QStringLiteral("FOutcome"));
    a.finishedAt = rows.value(row, QStringLiteral("FFinishedAt"));
    a.closedAt = rows.value(row, QStringLiteral("FClosedAt"));
    a.settledState = rows.value(row, QStringLiteral("FSettledState"));
    a.settledCode = rows.value(row, QStringLiteral("FSettledCode"));
    a.settledNumber = rows.value(row, QStringLiteral("FSettledNumber"));
    a.station = rows.value(row, QStringLiteral("FStation"));
    a.settledBy = rows.value(row, QStringLiteral("FSettledBy"));
    a.leaseLive = rows.value(row, QStringLiteral("FLeaseLive")) == QLatin1String("1");
    return a;
}

IssueJournal::Outcome refused(const QString& reason)
{
    return {IssueJournal::Outcome::Kind::Refused, reason};
}

IssueJournal::Outcome failed(const QString& reason)
{
    return {IssueJournal::Outcome::Kind::Failed, reason};
}

} // namespace

IssueJournal::IssueJournal(LocalStore& store, const Clock& clock, Prompter& prompter, QString station)
    : m_store(store), m_clock(clock), m_prompter(prompter), m_station(std::move(station))
{
}

bool IssueJournal::isOwn(const IssueAttempt& attempt) const
{
    return attempt.station.isEmpty() || attempt.station == m_station;
}

QString IssueJournal::stamp(const QDateTime& moment)
{
    return moment.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QString IssueJournal::now() const
{
    return stamp(m_clock.now());
}

std::optional<IssueAttempt> IssueJournal::openAttempt(const QString& orderId)
{
    const Rows rows = m_store.select(Statements::openAttempt(orderId));
    if (rows.isEmpty())
        return std::nullopt;
    return attemptAt(rows, 0);
}

IssueJournal::Begun IssueJournal::begin(const QString& orderId, const QString& code, const QString& number)
{
    Begun begun;
    const int depth = m_store.transactionDepth();
    try {
        m_store.beginTransaction();
        // The open attempt first, then the document: each read sees what was committed before it,
        // and a station closing its attempt marks the document issued in the same transaction, so
        // an attempt that closed after the first read shows as "已开票" in the second. Read the
        // other way round, a document issued between the reads looked free to claim again.
        const Rows open = m_store.select(Statements::openAttempt(orderId));
        const Rows document = m_store.select(Statements::documentState(orderId));
        begun.storedState = document.value(0, QStringLiteral("FOK"));
        begun.storedCode = document.value(0, QStringLiteral("FInvCode"));
        begun.storedNumber = document.value(0, QStringLiteral("FInvNumber"));
        if (document.isEmpty()) {
            begun.outcome = BeginOutcome::NotStored;
        } else if (trimControl(begun.storedState) == QLatin1String("1")) {
            begun.outcome = BeginOutcome::AlreadyIssued;
        } else if (!open.isEmpty()) {
            begun.outcome = BeginOutcome::AlreadyOpen;
            begun.attempt = attemptAt(open, 0);
        }
        if (begun.outcome != BeginOutcome::Failed) {
            m_store.rollbackTo(depth);
            return begun;
        }
        // The store's rule of one open attempt per document is what finally keeps a second claim out.
        m_store.run(Statements::beginAttempt(orderId, code, number, now(), m_station, LeaseSeconds));
        const Rows created = m_store.select(Statements::openAttempt(orderId));
        if (created.isEmpty())
            throw Failure(StoreTexts::AttemptNotWritten.arg(orderId));
        m_store.commit();
        begun.outcome = BeginOutcome::Started;
        begun.attempt = attemptAt(created, 0);
        return begun;
    } catch (const Failure& failure) {
        m_store.rollbackTo(depth);
        // A claim another station made in the meantime wins by the store's rule: not an error.
        try {
            if (auto other = openAttempt(orderId); other && other->station != m_station) {
                begun.outcome = BeginOutcome::AlreadyOpen;
                begun.attempt = *other;
                return begun;
            }
        } catch (const Failure&) {
        }
        ShowMessageBox(m_prompter, BoxOwner::Application, StoreTexts::StatementError + failure.message(),
                       MessageBoxKind::Error);
        begun = Begun();
        return begun;
    }
}

QString IssueJournal::whyNotStillPending(const IssueAttempt& attempt)
{
    // The document's lock first, as every writer of the document takes it.
    const Rows document = m_store.select(Statements::documentState(attempt.orderId));
    if (document.isEmpty())
        return StoreTexts::DocumentNotStored.arg(attempt.orderId);
    const Rows now = m_store.select(Statements::attemptById(attempt.id));
    if (now.isEmpty() || !now.value(0, QStringLiteral("FClosedAt")).isEmpty()) {
        const QString by = now.value(0, QStringLiteral("FSettledBy"));
        return StoreTexts::AttemptNoLongerOpen.arg(
            attempt.orderId, by.isEmpty() ? now.value(0, QStringLiteral("FClosedAt")) : StoreTexts::SettledBy.arg(by));
    }
    if (trimControl(document.value(0, QStringLiteral("FOK"))) != QLatin1String("0"))
        return StoreTexts::DocumentNoLongerPending.arg(attempt.orderId);
    return QString();
}

QString IssueJournal::invoiceHolder(const QString& code, const QString& number, const QString& orderId)
{
    const Rows documents = m_store.select(Statements::invoiceHolders(code, number));
    for (int r = 0; r < documents.count(); ++r) {
        const QString holder = documents.value(r, QStringLiteral("FCustOrderId"));
        // A document stored as not issued holds no invoice, whatever its boxes say.
        if (holder != orderId && trimControl(documents.value(r, QStringLiteral("FOK"))) == QLatin1String("1"))
            return StoreTexts::InvoiceHeldByDocument.arg(code, number, holder);
    }
    const Rows attempts = m_store.select(Statements::openAttemptsWithInvoice(code, number));
    for (int r = 0; r < attempts.count(); ++r) {
        const IssueAttempt other = attemptAt(attempts, r);
        if (other.orderId != orderId)
            return StoreTexts::InvoiceHeldByAttempt.arg(code, number, other.orderId, other.station);
    }
    return QString();
}

IssueJournal::Outcome IssueJournal::inTransaction(const std::function<QString()>& write)
{
    const int depth = m_store.transactionDepth();
    try {
        m_store.beginTransaction();
        const QString why = write();
        if (!why.isEmpty()) {
            m_store.rollbackTo(depth);
            return refused(why);
        }
        m_store.commit();
        return {};
    } catch (const Failure& failure) {
        m_store.rollbackTo(depth);
        return failed(failure.message());
    }
}

IssueJournal::Outcome IssueJournal::setNumbers(IssueAttempt& attempt, const QString& code, const QString& number)
{
    const Outcome outcome = inTransaction([&] {
        QString why = whyNotStillPending(attempt);
        if (why.isEmpty())
            why = invoiceHolder(code, number, attempt.orderId);
        if (why.isEmpty() && m_store.run(Statements::numberAttempt(attempt.id, code, number)) != 1)
            throw Failure(StoreTexts::AttemptNotWritten.arg(attempt.orderId));
        return why;
    });
    if (outcome.done()) {
        attempt.code = code;
        attempt.number = number;
    }
    return outcome;
}

IssueJournal::Outcome IssueJournal::withdraw(const IssueAttempt& attempt)
{
    return inTransaction([&] {
        if (m_store.run(Statements::withdrawAttempt(attempt.id)) != 1)
            throw Failure(StoreTexts::AttemptNotWritten.arg(attempt.orderId));
        return QString();
    });
}

IssueJournal::Outcome IssueJournal::finish(const IssueAttempt& attempt, const QString& outcome, bool markIssued)
{
    return inTransaction([&] {
        // Under the document's lock, as a claim is decided: another station deciding whether the
        // document is still free waits for this outcome instead of reading around it; a clerk
        // settling it meanwhile wins, and the run writes nothing.
        QString why = whyNotStillPending(attempt);
        if (why.isEmpty() && markIssued)
            why = invoiceHolder(attempt.code, attempt.number, attempt.orderId);
        if (!why.isEmpty())
            return why;
        const QString at = now();
        if (m_store.run(Statements::finishAttempt(attempt.id, outcome, at, markIssued ? at : QString())) != 1)
            throw Failure(StoreTexts::AttemptNotWritten.arg(attempt.orderId));
        if (markIssued && m_store.run(Statements::markIssued(attempt.code, attempt.number, attempt.orderId)) != 1)
            throw Failure(StoreTexts::DocumentNotStored.arg(attempt.orderId));
        return QString();
    });
}

IssueJournal::Outcome IssueJournal::recordIssued(const IssueAttempt& attempt)
{
    return finish(attempt, Issued, true);
}

IssueJournal::Outcome IssueJournal::recordUnconfirmed(const IssueAttempt& attempt)
{
    return finish(attempt, Unconfirmed, false);
}

void IssueJournal::releaseLease(const IssueAttempt& attempt) noexcept
{
    // On failure the lease runs out by itself.
    try {
        inTransaction([&] {
            m_store.run(Statements::releaseLease(attempt.id));
            return QString();
        });
    } catch (...) {
    }
}

void IssueJournal::settle(const IssueAttempt& attempt, const QString& stateValue, const QString& code,
                          const QString& number)
{
    if (m_store.run(Statements::settleAttempt(attempt.id, now(), stateValue, code, number, m_station)) != 1)
        throw Failure(StoreTexts::AttemptNotWritten.arg(attempt.orderId));
}

std::vector<IssueAttempt> IssueJournal::list(const QString& from, const QString& to)
{
    const Rows rows = m_store.select(Statements::journalListing(from, to));
    std::vector<IssueAttempt> attempts;
    attempts.reserve(static_cast<size_t>(rows.count()));
    for (int r = 0; r < rows.count(); ++r)
        attempts.push_back(attemptAt(rows, r));
    return attempts;
}

std::vector<QStringList> IssueJournal::duplicateInvoices()
{
    const Rows rows = m_store.select(Statements::duplicateInvoices());
    std::vector<QStringList> out;
    for (int r = 0; r < rows.count(); ++r)
        out.push_back({rows.value(r, QStringLiteral("FInvCode")), rows.value(r, QStringLiteral("FInvNumber")),
                       rows.value(r, QStringLiteral("FCustOrderId"))});
    return out;
}

QString IssueJournal::storeLocation() const
{
    return m_store.path();
}

} // namespace corvina
