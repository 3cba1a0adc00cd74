#pragma once

#include <QDateTime>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

namespace corvina {

class Clock;
class LocalStore;
class Prompter;
class Rows;
struct SqlStatement;

// One attempt to issue a document, as the journal holds it. Times are "YYYY-MM-DD hh:nn:ss".
struct IssueAttempt {
    qint64 id = 0;
    QString orderId;
    QString code;
    QString number;
    QString startedAt;
    QString outcome; // IssueJournal::Pending, Issued or Unconfirmed
    QString finishedAt;
    QString closedAt;     // empty while the attempt is open
    QString settledState; // what the clerk stored when settling: "0" or "1"
    QString settledCode;
    QString settledNumber;
    QString station;        // the station that made it; empty for attempts made before stations were kept
    QString settledBy;      // the station whose clerk settled it
    bool leaseLive = false; // a run still holds it (by the store's clock): nobody else may touch it

    bool isOpen() const { return closedAt.isEmpty(); }
    // The clerk settled it as issued under another code and number than the attempt's own.
    bool settledWithOtherNumbers() const
    {
        return settledState == QLatin1String("1") && (settledCode != code || settledNumber != number);
    }
    // Claimed, but the invoicing program's book was never read for it: nothing went out.
    bool hasNumbers() const { return !code.isEmpty() || !number.isEmpty(); }
};

// The issuing journal in the local store. An attempt is written and committed before the
// invoicing program is asked to issue; its outcome is written with the document's own record, in
// one transaction. An attempt left open (the tool died in its middle, or the issue was never
// confirmed) keeps every run off its document until the clerk settles it by hand.
// The store itself admits one open attempt per document (a unique index on FCustOrderId over the
// rows whose FClosedAt is null), so an open attempt is a claim on the document: a second claim,
// from this station or another sharing the store, fails instead of issuing twice.
class IssueJournal {
public:
    static inline const QString Pending = QStringLiteral("pending");
    static inline const QString Issued = QStringLiteral("issued");
    static inline const QString Unconfirmed = QStringLiteral("unconfirmed");

    // A run holds its open attempt for LeaseSeconds and renews the hold every LeaseRenewSeconds
    // (see AttemptLease); a run that died lets go of it once the lease runs out.
    static constexpr int LeaseSeconds = 30;
    static constexpr int LeaseRenewSeconds = 5;

    // What a run's write to the journal came to. Refused: the store holds something that forbids
    // it (the attempt was settled meanwhile, the document is no longer "未开票", another document
    // holds the code and number); `reason` says what. Failed: the store could not be written;
    // `reason` is its message. Nothing is shown: the run says it once.
    struct Outcome {
        enum class Kind { Done, Refused, Failed };
        Kind kind = Kind::Done;
        QString reason;
        bool done() const { return kind == Kind::Done; }
    };

    // `station` names the station whose attempts this journal makes (see AppSettings::Station).
    IssueJournal(LocalStore& store, const Clock& clock, Prompter& prompter, QString station = QString());

    const QString& station() const { return m_station; }
    // Whether an attempt is this station's own (attempts made before stations were kept are).
    bool isOwn(const IssueAttempt& attempt) const;

    // The document's open attempt, if any. A store that cannot be read throws Failure.
    std::optional<IssueAttempt> openAttempt(const QString& orderId);

    enum class BeginOutcome {
        Started,       // `attempt` is the new, open attempt
        AlreadyOpen,   // another attempt is open: `attempt` is that one
        AlreadyIssued, // the store already records the document as issued: `storedCode`, `storedNumber`
        NotStored,     // the document is no longer in the store
        Failed,        // the store refused; its message has been shown
    };
    struct Begun {
        BeginOutcome outcome = BeginOutcome::Failed;
        IssueAttempt attempt;
        // What the store holds for the document (unless NotStored or Failed).
        QString storedState;
        QString storedCode;
        QString storedNumber;
    };
    // Claims the document for one invoice: in one transaction, under the document's lock, checks
    // that it is still stored and not issued, and inserts an open attempt of this station, which
    // the store lets exist only once per document. A claim that loses to another station's reads
    // as AlreadyOpen.
    Begun begin(const QString& orderId, const QString& code, const QString& number);
    // The same before the invoicing program's book is read: the attempt has no numbers yet.
    Begun claim(const QString& orderId) { return begin(orderId, QString(), QString()); }
    // The code and number the claimed document is about to be issued under, committed (synced)
    // before "保存" is pressed. Under the document's and the pair's locks it checks that the
    // attempt is still open, the document still "未开票", and that no issued document and no
    // other open attempt holds the pair: a number held anywhere in the store is never sent.
    Outcome setNumbers(IssueAttempt& attempt, const QString& code, const QString& number);
    // Gives a claim up when nothing went to the invoicing program (the preparation stopped the
    // run). On failure the attempt stays open for the clerk.
    Outcome withdraw(const IssueAttempt& attempt);

    // The invoicing program's book shows the number used: the attempt is closed as issued and the
    // document recorded with its code and number, together or not at all, and only while the
    // attempt is still open, the document still "未开票" and no other document holds the pair.
    // Otherwise nothing is written; a settlement is never written over.
    Outcome recordIssued(const IssueAttempt& attempt);
    // The issue was not confirmed: the attempt stays open, so the document waits for the clerk,
    // and the run lets go of it.
    Outcome recordUnconfirmed(const IssueAttempt& attempt);
    // The run ends leaving the attempt open: the clerk may settle it from now on. Quiet.
    void releaseLease(const IssueAttempt& attempt) noexcept;

    // The clerk's settling of an open attempt, inside the caller's transaction, which holds the
    // document's lock: "0", or "1" with a code and a number, closes it. The caller has checked
    // that no run holds it and that the pair is free. Failures throw Failure.
    void settle(const IssueAttempt& attempt, const QString& stateValue, const QString& code, const QString& number);

    // Who else holds an invoice code and number: an issued document other than `orderId`, or an
    // open attempt for another document. Empty when the pair is free. Inside a transaction it holds
    // the pair's lock. Failures throw Failure.
    QString invoiceHolder(const QString& code, const QString& number, const QString& orderId);

    // Attempts begun within [from, to] (stamps compared as text) and every attempt still open, in
    // the order they began. Failures throw Failure.
    std::vector<IssueAttempt> list(const QString& from, const QString& to);
    // Documents whose code and number another document also holds (a store written before a pair
    // was kept to one document), as {code, number, document}, ordered by the pair. Failures throw.
    std::vector<QStringList> duplicateInvoices();
    // The store the journal writes to, as LocalStore takes it (for a second connection).
    QString storeLocation() const;

    // The journal's form of a moment.
    static QString stamp(const QDateTime& moment);

private:
    Outcome finish(const IssueAttempt& attempt, const QString& outcome, bool markIssued);
    // Runs `write` in a transaction of its own: committed when it returns an empty reason, undone
    // when it returns a reason (Refused) or throws (Failed).
    Outcome inTransaction(const std::function<QString()>& write);
    QString now() const;
    // Under the document's lock, inside the caller's transaction: why the run may no longer write
    // its outcome for `attempt` (empty when it may).
    QString whyNotStillPending(const IssueAttempt& attempt);

    LocalStore& m_store;
    const Clock& m_clock;
    Prompter& m_prompter;
    QString m_station;
};

} // namespace corvina
