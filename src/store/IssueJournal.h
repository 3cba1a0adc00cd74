#pragma once

#include <QDateTime>
#include <QString>
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
    QString station; // the station that made it; empty for attempts made before stations were kept

    bool isOpen() const { return closedAt.isEmpty(); }
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
    // The code and number the claimed document is about to be issued under, committed before
    // "保存" is pressed. False after one box ("出错原因：" + reason).
    bool setNumbers(IssueAttempt& attempt, const QString& code, const QString& number);
    // Gives a claim up when nothing went to the invoicing program (the preparation stopped the
    // run). False after one box; the attempt then stays open for the clerk.
    bool withdraw(const IssueAttempt& attempt);

    // The invoicing program's book shows the number used: the attempt is closed as issued and the
    // document recorded with its code and number, together or not at all. False after one box
    // ("出错原因：" + reason); the attempt then stays open.
    bool recordIssued(const IssueAttempt& attempt);
    // The issue was not confirmed: the attempt stays open, so the document waits for the clerk.
    // False after one box.
    bool recordUnconfirmed(const IssueAttempt& attempt);

    // The clerk's hand edit of a document, inside the caller's transaction: storing "0", or "1"
    // with a code and a number, closes the document's open attempt. Returns whether one was
    // closed. Failures throw Failure.
    bool settle(const QString& orderId, const QString& stateValue, const QString& code, const QString& number);

    // Attempts begun within [from, to] (stamps compared as text) and every attempt still open, in
    // the order they began. Failures throw Failure.
    std::vector<IssueAttempt> list(const QString& from, const QString& to);

    // The journal's form of a moment.
    static QString stamp(const QDateTime& moment);

private:
    bool finish(const IssueAttempt& attempt, const QString& outcome, bool markIssued);
    QString now() const;

    bool change(const SqlStatement& statement, const QString& orderId);

    LocalStore& m_store;
    const Clock& m_clock;
    Prompter& m_prompter;
    QString m_station;
};

} // namespace corvina
