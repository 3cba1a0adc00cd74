#include "store/IssueJournal.h"

#include "app/Clock.h"
#include "doubles/RecordingPrompter.h"
#include "store/LocalStore.h"
#include "support/BrowserSeed.h"
#include "support/IssuingRig.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace corvina;
using namespace corvina::test;

namespace {

struct JournalRig {
    TempFolder folder;
    RecordingPrompter prompter;
    FakeClock clock{QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9))};
    LocalStore store{folder.file(QStringLiteral("SysData.mdb")), prompter};
    IssueJournal journal{store, clock, prompter};

    explicit JournalRig(const QStringList& documents = {QStringLiteral("D1"), QStringLiteral("D2")})
    {
        EXPECT_TRUE(store.open());
        for (const QString& id : documents)
            seedDocument(store, {id});
    }
    QString path() const { return folder.file(QStringLiteral("SysData.mdb")); }
    // FOK, FInvCode, FInvNumber of a document.
    QStringList document(const QString& id) const
    {
        const auto rows = sqliteRows(
            path(),
            QStringLiteral("select FOK, FInvCode, FInvNumber from invoiceMaster where FCustOrderId='%1'").arg(id));
        return rows.value(0);
    }
    // Every attempt: document, code, number, outcome, started, finished, closed, settled state.
    QList<QStringList> attempts() const
    {
        return sqliteRows(path(), QStringLiteral("select FCustOrderId, FInvCode, FInvNumber, FOutcome, FStartedAt, "
                                                 "FFinishedAt, FClosedAt, FSettledState from issueJournal "
                                                 "order by FAttemptId"));
    }
};

} // namespace

// A store made before the journal existed gets it on its next open; its documents stay as they are.
TEST(IssueJournal, AddedToAStoreMadeWithoutIt)
{
    TempFolder folder;
    const QString path = folder.file(QStringLiteral("SysData.mdb"));
    ASSERT_TRUE(sqliteExec(path, QStringLiteral("create table invoiceMaster (FCustOrderId text, FCustName text, "
                                                "FCustPo text, FCustOutportNo text, FCustAcc text, FCustSinature text, "
                                                "FCustContractNo text, FCustCX text, FCustVF text, FMM1 text, "
                                                "FMM2 text, FMM3 text, FMM4 text, FMM5 text, FInDate text, FOK text, "
                                                "FNoTaxSum text, FInvCode text, FInvNumber text)")));
    ASSERT_TRUE(sqliteExec(path, QStringLiteral("insert into invoiceMaster (FCustOrderId, FOK) values ('OLD', '0')")));
    RecordingPrompter prompter;
    FakeClock clock;
    LocalStore store(path, prompter);
    ASSERT_TRUE(store.open());
    IssueJournal journal(store, clock, prompter);
    const IssueJournal::Begun begun = journal.begin(QStringLiteral("OLD"), QStringLiteral("C"), QStringLiteral("N"));
    EXPECT_EQ(begun.outcome, IssueJournal::BeginOutcome::Started);
    EXPECT_EQ(sqliteRows(path, QStringLiteral("select FCustOrderId, FOK from invoiceMaster")),
              (QList<QStringList>{{QStringLiteral("OLD"), QStringLiteral("0")}}));
    EXPECT_TRUE(prompter.shown().isEmpty());
}

TEST(IssueJournal, BeginClaimsADocumentOnlyOnce)
{
    struct Case {
        const char* name;
        QString document;
        std::function<void(JournalRig&)> before;
        IssueJournal::BeginOutcome outcome;
        int attemptsAfter;
    };
    const Case cases[] = {
        {"a pending document", QStringLiteral("D1"), {}, IssueJournal::BeginOutcome::Started, 1},
        {"an attempt already open", QStringLiteral("D1"),
         [](JournalRig& r) { r.journal.begin(QStringLiteral("D1"), QStringLiteral("C0"), QStringLiteral("N0")); },
         IssueJournal::BeginOutcome::AlreadyOpen, 1},
        {"an earlier attempt closed as issued, the document edited back to not issued", QStringLiteral("D1"),
         [](JournalRig& r) {
             const auto a = r.journal.begin(QStringLiteral("D1"), QStringLiteral("C0"), QStringLiteral("N0"));
             r.journal.recordIssued(a.attempt);
             sqliteExec(r.path(), QStringLiteral("update invoiceMaster set FOK='0' where FCustOrderId='D1'"));
         },
         IssueJournal::BeginOutcome::Started, 2},
        {"recorded as issued", QStringLiteral("D1"),
         [](JournalRig& r) {
             sqliteExec(r.path(), QStringLiteral("update invoiceMaster set FOK=' 1', FInvCode='C9', FInvNumber='N9' "
                                                 "where FCustOrderId='D1'"));
         },
         IssueJournal::BeginOutcome::AlreadyIssued, 0},
        {"not stored", QStringLiteral("D9"), {}, IssueJournal::BeginOutcome::NotStored, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        JournalRig r;
        if (c.before)
            c.before(r);
        const IssueJournal::Begun begun =
            r.journal.begin(c.document, QStringLiteral("3100071140"), QStringLiteral("00000007"));
        EXPECT_EQ(begun.outcome, c.outcome);
        EXPECT_EQ(r.attempts().size(), c.attemptsAfter);
        EXPECT_TRUE(r.prompter.shown().isEmpty());
        EXPECT_EQ(r.store.transactionDepth(), 0);
        if (c.outcome == IssueJournal::BeginOutcome::Started) {
            EXPECT_EQ(begun.attempt.code, QStringLiteral("3100071140"));
            EXPECT_EQ(begun.attempt.number, QStringLiteral("00000007"));
            EXPECT_EQ(begun.attempt.outcome, IssueJournal::Pending);
            EXPECT_EQ(begun.attempt.startedAt, QStringLiteral("2024-03-05 14:07:09"));
            EXPECT_TRUE(begun.attempt.isOpen());
        }
        if (c.outcome == IssueJournal::BeginOutcome::AlreadyOpen) {
            EXPECT_EQ(begun.attempt.number, QStringLiteral("N0"));
        }
        if (c.outcome == IssueJournal::BeginOutcome::AlreadyIssued) {
            EXPECT_EQ(begun.storedCode, QStringLiteral("C9"));
            EXPECT_EQ(begun.storedNumber, QStringLiteral("N9"));
        }
    }
}

// The store itself keeps a second open attempt out, whoever writes it.
TEST(IssueJournal, TheStoreRefusesASecondOpenAttempt)
{
    JournalRig r;
    ASSERT_EQ(r.journal.begin(QStringLiteral("D1"), QStringLiteral("C"), QStringLiteral("1")).outcome,
              IssueJournal::BeginOutcome::Started);
    const QString insert = QStringLiteral("insert into issueJournal (FCustOrderId, FInvCode, FInvNumber, FStartedAt, "
                                          "FOutcome) values ('%1', 'C', '2', 'x', 'pending')");
    QString error;
    EXPECT_FALSE(sqliteExec(r.path(), insert.arg(QStringLiteral("D1")), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("UNIQUE"), Qt::CaseInsensitive)) << error.toStdString();
    EXPECT_TRUE(sqliteExec(r.path(), insert.arg(QStringLiteral("D2"))));
    // Once closed, the document can be claimed again.
    ASSERT_TRUE(sqliteExec(r.path(), QStringLiteral("update issueJournal set FClosedAt='y' where FCustOrderId='D1'")));
    EXPECT_TRUE(sqliteExec(r.path(), insert.arg(QStringLiteral("D1"))));
}

// The outcome and the document's record land together or not at all.
TEST(IssueJournal, OutcomeAndRecordInOneTransaction)
{
    struct Case {
        const char* name;
        bool issued; // recordIssued, else recordUnconfirmed
        QString trigger;
        bool ok;
        QStringList document;
        QString outcome;
        bool open;
    };
    const QString c = QStringLiteral("3100071140");
    const QString n = QStringLiteral("00000007");
    const Case cases[] = {
        {"issued", true, {}, true, {QStringLiteral("1"), c, n}, IssueJournal::Issued, false},
        {"the record refused: the attempt stays as it was",
         true,
         QStringLiteral("create trigger t before update on invoiceMaster begin select raise(abort, '锁定'); end"),
         false,
         {QStringLiteral("0"), QString(), QString()},
         IssueJournal::Pending,
         true},
        {"the journal refused: the document stays as it was",
         true,
         QStringLiteral("create trigger t before update on issueJournal begin select raise(abort, '锁定'); end"),
         false,
         {QStringLiteral("0"), QString(), QString()},
         IssueJournal::Pending,
         true},
        {"not confirmed: nothing recorded, still open",
         false,
         {},
         true,
         {QStringLiteral("0"), QString(), QString()},
         IssueJournal::Unconfirmed,
         true},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        JournalRig r;
        const IssueJournal::Begun begun = r.journal.begin(QStringLiteral("D1"), c, n);
        ASSERT_EQ(begun.outcome, IssueJournal::BeginOutcome::Started);
        if (!k.trigger.isEmpty()) {
            ASSERT_TRUE(sqliteExec(r.path(), k.trigger));
        }
        r.clock.advance(1500);
        const IssueJournal::Outcome outcome =
            k.issued ? r.journal.recordIssued(begun.attempt) : r.journal.recordUnconfirmed(begun.attempt);
        EXPECT_EQ(outcome.done(), k.ok);
        EXPECT_EQ(r.document(QStringLiteral("D1")), k.document);
        const QList<QStringList> attempts = r.attempts();
        ASSERT_EQ(attempts.size(), 1);
        EXPECT_EQ(attempts[0][3], k.outcome);
        EXPECT_EQ(attempts[0][6].isEmpty(), k.open);
        if (k.ok) {
            EXPECT_EQ(attempts[0][5], QStringLiteral("2024-03-05 14:07:10"));
        }
        // The run says it once; the journal shows nothing.
        EXPECT_TRUE(r.prompter.shown().isEmpty());
        if (!k.ok) {
            EXPECT_EQ(outcome.kind, IssueJournal::Outcome::Kind::Failed);
            EXPECT_TRUE(outcome.reason.contains(QStringLiteral("锁定"))) << outcome.reason.toStdString();
        }
        EXPECT_EQ(r.store.transactionDepth(), 0);
        EXPECT_EQ(r.journal.openAttempt(QStringLiteral("D1")).has_value(), k.open);
    }
}

// What the run writes depends on what the store holds when it writes: a clerk's settlement, an
// edit or another document holding the number wins, and the run writes nothing.
TEST(IssueJournal, TheRunWritesOnlyWhatTheStoreStillExpects)
{
    const QString c = QStringLiteral("3100071140");
    struct Case {
        const char* name;
        std::function<void(JournalRig&, const IssueAttempt&)> meanwhile;
        QString reasonHas;
        QStringList attemptAfter; // outcome, settled state
    };
    const Case cases[] = {
        {"settled not issued meanwhile",
         [](JournalRig& r, const IssueAttempt& a) {
             r.store.beginTransaction();
             r.journal.settle(a, QStringLiteral("0"), QString(), QString());
             r.store.commit();
         },
         QStringLiteral("已被核对或关闭"),
         {IssueJournal::Pending, QStringLiteral("0")}},
        {"the document edited to issued meanwhile",
         [](JournalRig& r, const IssueAttempt&) {
             sqliteExec(r.path(), QStringLiteral("update invoiceMaster set FOK='1' where FCustOrderId='D1'"));
         },
         QStringLiteral("已不是“未开票”"),
         {IssueJournal::Pending, QString()}},
        {"the number recorded for another document meanwhile",
         [&](JournalRig& r, const IssueAttempt&) {
             sqliteExec(r.path(),
                        QStringLiteral("update invoiceMaster set FOK='1', FInvCode='%1', FInvNumber='00000007' "
                                       "where FCustOrderId='D2'")
                            .arg(c));
         },
         QStringLiteral("已记录给销售单据 D2"),
         {IssueJournal::Pending, QString()}},
        {"the document deleted meanwhile",
         [](JournalRig& r, const IssueAttempt&) {
             sqliteExec(r.path(), QStringLiteral("delete from invoiceMaster where FCustOrderId='D1'"));
         },
         QStringLiteral("已没有销售单据号为 D1"),
         {IssueJournal::Pending, QString()}},
    };
    for (const Case& k : cases) {
        for (const bool issued : {true, false}) {
            SCOPED_TRACE(std::string(k.name) + (issued ? ", recording issued" : ", recording unconfirmed"));
            JournalRig r;
            const IssueJournal::Begun begun = r.journal.begin(QStringLiteral("D1"), c, QStringLiteral("00000007"));
            ASSERT_EQ(begun.outcome, IssueJournal::BeginOutcome::Started);
            const QStringList before = r.document(QStringLiteral("D1"));
            k.meanwhile(r, begun.attempt);
            const QStringList meanwhile = r.document(QStringLiteral("D1"));
            const IssueJournal::Outcome outcome =
                issued ? r.journal.recordIssued(begun.attempt) : r.journal.recordUnconfirmed(begun.attempt);
            if (!issued && std::string(k.name).find("another document") != std::string::npos) {
                // Not recording an invoice needs no number of its own.
                EXPECT_TRUE(outcome.done());
                continue;
            }
            EXPECT_EQ(outcome.kind, IssueJournal::Outcome::Kind::Refused);
            EXPECT_TRUE(outcome.reason.contains(k.reasonHas)) << outcome.reason.toStdString();
            EXPECT_EQ(r.document(QStringLiteral("D1")), meanwhile);
            const QStringList attempt = r.attempts().value(0);
            EXPECT_EQ((QStringList{attempt.value(3), attempt.value(7)}), k.attemptAfter);
            EXPECT_EQ(r.store.transactionDepth(), 0);
            (void)before;
        }
    }
}

// A code and number belongs to one issued document and one open attempt in the whole store: the
// run never commits (and so never sends) a pair held elsewhere.
TEST(IssueJournal, ANumberHeldAnywhereIsNeverGivenOutAgain)
{
    const QString c = QStringLiteral("3100071140");
    struct Case {
        const char* name;
        QString setUp; // SQL on the store before D1 is numbered
        bool held;
        QString reasonHas;
    };
    const Case cases[] = {
        {"free", {}, false, {}},
        {"issued to D2",
         QStringLiteral("update invoiceMaster set FOK='1',FInvCode='%1',FInvNumber='00000001' where "
                        "FCustOrderId='D2'"),
         true, QStringLiteral("已记录给销售单据 D2")},
        {"stored on D2 as not issued (its boxes only)",
         QStringLiteral("update invoiceMaster set FOK='0',FInvCode='%1',FInvNumber='00000001' where FCustOrderId='D2'"),
         false,
         {}},
        {"an open attempt of D2 (unconfirmed, another station)",
         QStringLiteral("insert into issueJournal (FCustOrderId,FInvCode,FInvNumber,FStartedAt,FOutcome,FStation) "
                        "values ('D2','%1','00000001','2024-03-05 10:00:00','unconfirmed','乙站')"),
         true, QStringLiteral("销售单据 D2 尚未核对的开票（开票站“乙站”）")},
        {"a closed attempt of D2, settled not issued",
         QStringLiteral("insert into issueJournal (FCustOrderId,FInvCode,FInvNumber,FStartedAt,FOutcome,FClosedAt,"
                        "FSettledState) values ('D2','%1','00000001','2024-03-05 10:00:00','unconfirmed','x','0')"),
         false,
         {}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        JournalRig r;
        if (!k.setUp.isEmpty()) {
            ASSERT_TRUE(sqliteExec(r.path(), k.setUp.arg(c)));
        }
        IssueJournal::Begun mine = r.journal.claim(QStringLiteral("D1"));
        ASSERT_EQ(mine.outcome, IssueJournal::BeginOutcome::Started);
        const IssueJournal::Outcome numbered = r.journal.setNumbers(mine.attempt, c, QStringLiteral("00000001"));
        EXPECT_EQ(numbered.done(), !k.held);
        if (k.held) {
            EXPECT_EQ(numbered.kind, IssueJournal::Outcome::Kind::Refused);
            EXPECT_TRUE(numbered.reason.contains(k.reasonHas)) << numbered.reason.toStdString();
            // Nothing was committed for the pair.
            EXPECT_FALSE(r.journal.openAttempt(QStringLiteral("D1"))->hasNumbers());
        } else {
            EXPECT_EQ(r.journal.openAttempt(QStringLiteral("D1"))->number, QStringLiteral("00000001"));
        }
        // Either way the pair now has its one holder: D1's attempt, or the holder found.
        EXPECT_FALSE(r.journal.invoiceHolder(c, QStringLiteral("00000001"), QStringLiteral("D3")).isEmpty());
    }
}

TEST(IssueJournal, ListingTakesTheRangeAndEveryOpenAttempt)
{
    JournalRig r({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"), QStringLiteral("D")});
    // A: yesterday, issued. B: yesterday, left open. C: today, issued. D: tomorrow, issued.
    const auto at = [&](const char* id, const QDateTime& moment, bool issued) {
        r.clock.set(moment);
        const auto begun = r.journal.begin(QLatin1String(id), QStringLiteral("C"), QLatin1String(id));
        if (issued)
            r.journal.recordIssued(begun.attempt);
    };
    at("A", QDateTime(QDate(2024, 3, 4), QTime(10, 0)), true);
    at("B", QDateTime(QDate(2024, 3, 4), QTime(11, 0)), false);
    at("C", QDateTime(QDate(2024, 3, 5), QTime(0, 0)), true);
    at("D", QDateTime(QDate(2024, 3, 6), QTime(9, 0)), true);
    const auto ids = [&](const QString& from, const QString& to) {
        QStringList out;
        for (const IssueAttempt& a : r.journal.list(from, to))
            out << a.orderId + (a.isOpen() ? QStringLiteral("*") : QString());
        return out;
    };
    EXPECT_EQ(ids(QStringLiteral("2024-03-05 00:00:00"), QStringLiteral("2024-03-05 23:59:59")),
              (QStringList{QStringLiteral("B*"), QStringLiteral("C")}));
    EXPECT_EQ(ids(QStringLiteral("2024-03-04 10:00:00"), QStringLiteral("2024-03-04 10:00:59")),
              (QStringList{QStringLiteral("A"), QStringLiteral("B*")}));
    EXPECT_EQ(ids(QStringLiteral("2024-01-01 00:00:00"), QStringLiteral("2024-12-31 23:59:59")),
              (QStringList{QStringLiteral("A"), QStringLiteral("B*"), QStringLiteral("C"), QStringLiteral("D")}));
}

// A journal made before stations were kept gains the column; its attempts count as this station's.
TEST(IssueJournal, StationAddedToAJournalMadeWithoutIt)
{
    TempFolder folder;
    const QString path = folder.file(QStringLiteral("SysData.mdb"));
    // The document tables, and the journal as the previous build made it.
    {
        RecordingPrompter prompter;
        LocalStore made(path, prompter);
        ASSERT_TRUE(made.open());
    }
    for (const char* statement :
         {"drop table issueJournal",
          "create table issueJournal (FAttemptId integer primary key autoincrement, FCustOrderId text not null, "
          "FInvCode text not null, FInvNumber text not null, FStartedAt text not null, FOutcome text not null, "
          "FFinishedAt text, FClosedAt text, FSettledState text, FSettledCode text, FSettledNumber text)",
          "insert into issueJournal (FCustOrderId, FInvCode, FInvNumber, FStartedAt, FOutcome) values "
          "('D1', 'C', 'N', '2024-03-04 10:00:00', 'pending')"})
        ASSERT_TRUE(sqliteExec(path, QString::fromLatin1(statement)));
    RecordingPrompter prompter;
    FakeClock clock;
    LocalStore store(path, prompter);
    ASSERT_TRUE(store.open()) << prompter.texts().join(QLatin1Char('\n')).toStdString();
    seedDocument(store, {QStringLiteral("D1")});
    IssueJournal journal(store, clock, prompter, QStringLiteral("甲站"));
    const IssueJournal::Begun again = journal.claim(QStringLiteral("D1"));
    ASSERT_EQ(again.outcome, IssueJournal::BeginOutcome::AlreadyOpen);
    EXPECT_EQ(again.attempt.station, QString());
    EXPECT_TRUE(journal.isOwn(again.attempt));
    EXPECT_TRUE(prompter.shown().isEmpty());
}

// A claim, its numbers once the book is read, and a claim given up before anything went out.
TEST(IssueJournal, ClaimNumbersAndWithdrawal)
{
    JournalRig r;
    IssueJournal here(r.store, r.clock, r.prompter, QStringLiteral("甲站"));
    IssueJournal there(r.store, r.clock, r.prompter, QStringLiteral("乙站"));

    IssueJournal::Begun mine = here.claim(QStringLiteral("D1"));
    ASSERT_EQ(mine.outcome, IssueJournal::BeginOutcome::Started);
    EXPECT_FALSE(mine.attempt.hasNumbers());
    EXPECT_EQ(mine.attempt.station, QStringLiteral("甲站"));
    EXPECT_EQ(mine.storedState, QStringLiteral("0"));

    // The other station finds the claim, and it is not its own.
    const IssueJournal::Begun theirs = there.claim(QStringLiteral("D1"));
    ASSERT_EQ(theirs.outcome, IssueJournal::BeginOutcome::AlreadyOpen);
    EXPECT_EQ(theirs.attempt.id, mine.attempt.id);
    EXPECT_FALSE(there.isOwn(theirs.attempt));
    EXPECT_TRUE(here.isOwn(theirs.attempt));

    ASSERT_TRUE(here.setNumbers(mine.attempt, QStringLiteral("3100071140"), QStringLiteral("00000001")).done());
    EXPECT_TRUE(mine.attempt.hasNumbers());
    EXPECT_EQ(r.attempts().value(0).mid(0, 4), (QStringList{QStringLiteral("D1"), QStringLiteral("3100071140"),
                                                            QStringLiteral("00000001"), QStringLiteral("pending")}));

    // A claim of D2 given up: the document is free again, for the other station too.
    const IssueJournal::Begun given = here.claim(QStringLiteral("D2"));
    ASSERT_EQ(given.outcome, IssueJournal::BeginOutcome::Started);
    ASSERT_TRUE(here.withdraw(given.attempt).done());
    EXPECT_EQ(there.claim(QStringLiteral("D2")).outcome, IssueJournal::BeginOutcome::Started);

    // An attempt that has been closed meanwhile can no longer be numbered or withdrawn; the run
    // says so, the journal shows nothing.
    ASSERT_TRUE(here.recordIssued(mine.attempt).done());
    EXPECT_EQ(here.setNumbers(mine.attempt, QStringLiteral("X"), QStringLiteral("Y")).kind,
              IssueJournal::Outcome::Kind::Refused);
    EXPECT_EQ(here.withdraw(mine.attempt).kind, IssueJournal::Outcome::Kind::Failed);
    EXPECT_TRUE(r.prompter.texts().isEmpty());
    EXPECT_EQ(r.document(QStringLiteral("D1")),
              (QStringList{QStringLiteral("1"), QStringLiteral("3100071140"), QStringLiteral("00000001")}));
    // D1 issued (closed) and D2 claimed by the other station: the given-up claim left no row.
    EXPECT_EQ(r.attempts().size(), 2);
}
