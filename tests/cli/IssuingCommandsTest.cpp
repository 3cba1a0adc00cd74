// `corvina journal`, the settling of an open attempt by `corvina edit`, and `corvina issue` ending
// on its message, run as the real executable.

#include "app/Clock.h"
#include "doubles/RecordingPrompter.h"
#include "store/IssueJournal.h"
#include "store/LocalStore.h"
#include "support/IssuingRig.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

using namespace corvina;
using namespace corvina::test;

namespace {

// A store with documents A, B, C and their attempts: A issued on 2024-03-04 10:00, B left open on
// 2024-03-04 11:00, C issued a moment ago.
struct JournalFolder {
    IssuingRig rig;
    RecordingPrompter prompter;

    JournalFolder()
    {
        rig.addDocuments({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
        LocalStore store(rig.storeLocation(), prompter);
        EXPECT_TRUE(store.open());
        FakeClock then(QDateTime(QDate(2024, 3, 4), QTime(10, 0, 5)));
        IssueJournal old(store, then, prompter, QStringLiteral("站甲"));
        EXPECT_TRUE(
            old.recordIssued(
                   old.begin(QStringLiteral("A"), QStringLiteral("3100071140"), QStringLiteral("00000001")).attempt)
                .done());
        then.set(QDateTime(QDate(2024, 3, 4), QTime(11, 0)));
        // Left open by a run that has ended.
        old.releaseLease(
            old.begin(QStringLiteral("B"), QStringLiteral("3100071140"), QStringLiteral("00000002")).attempt);
        SystemClock now;
        IssueJournal today(store, now, prompter);
        EXPECT_TRUE(
            today
                .recordIssued(
                    today.begin(QStringLiteral("C"), QStringLiteral("3100071140"), QStringLiteral("00000003")).attempt)
                .done());
    }
    ProcessResult run(QStringList args) const
    {
        args << QStringLiteral("--app-folder") << rig.appFolder();
        return runProgram(QStringLiteral("corvina"), args);
    }
};

QStringList lines(const QString& out)
{
    return out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace

TEST(IssuingCommands, JournalListsTheRangeAndWhatIsUnsettled)
{
    JournalFolder f;
    struct Case {
        const char* name;
        QStringList args;
        int status;
        QStringList documents; // first column of each row, after the captions
    };
    const Case cases[] = {
        {"today, and what waits to be settled",
         {QStringLiteral("journal")},
         0,
         {QStringLiteral("B"), QStringLiteral("C")}},
        {"the day of the old attempts",
         {QStringLiteral("journal"), QStringLiteral("--from"), QStringLiteral("2024-03-04 00:00"),
          QStringLiteral("--to"), QStringLiteral("2024-03-04 10:00")},
         0,
         {QStringLiteral("A"), QStringLiteral("B")}},
        {"a bad time", {QStringLiteral("journal"), QStringLiteral("--from"), QStringLiteral("yesterday")}, 2, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ProcessResult r = f.run(c.args);
        EXPECT_EQ(r.status, c.status) << r.err.toStdString();
        if (c.status != 0)
            continue;
        const QStringList rows = lines(r.out);
        ASSERT_FALSE(rows.isEmpty());
        EXPECT_EQ(rows[0],
                  QStringLiteral("销售单据号\t发票代码\t发票号码\t开始时间\t结果\t结束时间\t核对\t开票站\t核对站"));
        QStringList documents;
        for (const QString& row : rows.mid(1))
            documents << row.section(QLatin1Char('\t'), 0, 0);
        EXPECT_EQ(documents, c.documents);
    }
    const QStringList all =
        lines(f.run({QStringLiteral("journal"), QStringLiteral("--from"), QStringLiteral("2024-03-04 00:00")}).out);
    ASSERT_EQ(all.size(), 4);
    EXPECT_EQ(
        all[1],
        QStringLiteral("A\t3100071140\t00000001\t2024-03-04 10:00:05\t已开具并记录\t2024-03-04 10:00:05\t—\t站甲\t"));
    EXPECT_EQ(all[2],
              QStringLiteral("B\t3100071140\t00000002\t2024-03-04 11:00:00\t未完成（开票中断）\t\t待核对\t站甲\t"));
}

TEST(IssuingCommands, EditSettlesTheOpenAttempt)
{
    JournalFolder f;
    const ProcessResult edit = f.run({QStringLiteral("edit"), QStringLiteral("B"), QStringLiteral("--code"),
                                      QStringLiteral("3100071140"), QStringLiteral("--number"),
                                      QStringLiteral("00000002"), QStringLiteral("--state"), QStringLiteral("已开票")});
    ASSERT_EQ(edit.status, 0) << edit.err.toStdString();

    const ProcessResult r = f.run({QStringLiteral("journal"), QStringLiteral("--json"), QStringLiteral("--from"),
                                   QStringLiteral("2024-03-04 00:00")});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QJsonArray attempts = QJsonDocument::fromJson(r.out.toUtf8()).array();
    ASSERT_EQ(attempts.size(), 3);
    const QJsonObject b = attempts.at(1).toObject();
    EXPECT_EQ(b.value(QStringLiteral("FCustOrderId")).toString(), QStringLiteral("B"));
    EXPECT_EQ(b.value(QStringLiteral("FOutcome")).toString(), QStringLiteral("pending"));
    EXPECT_FALSE(b.value(QStringLiteral("open")).toBool());
    EXPECT_EQ(b.value(QStringLiteral("FSettledState")).toString(), QStringLiteral("1"));
    EXPECT_EQ(b.value(QStringLiteral("FSettledNumber")).toString(), QStringLiteral("00000002"));
    EXPECT_EQ(b.value(QStringLiteral("FStation")).toString(), QStringLiteral("站甲"));
    EXPECT_FALSE(b.value(QStringLiteral("FClosedAt")).toString().isEmpty());
    EXPECT_EQ(f.rig.stored(QStringLiteral("B")).fok, QStringLiteral("1"));
    // Settled and no longer from the old day: today's listing shows only what was issued today.
    EXPECT_EQ(lines(f.run({QStringLiteral("journal")}).out).size(), 2);
}

// Settling by command: the attempt's own code and number unless others are given, others only
// with --other-numbers and a Yes, never empty ones and never a pair another document holds; a
// document with an open attempt is not deleted.
TEST(IssuingCommands, SettlingAndDeletingAnOpenAttempt)
{
    const QString code = QStringLiteral("3100071140");
    struct Case {
        const char* name;
        QStringList args;
        int status;
        QString errHas;
        QStringList bAfter; // FOK, FInvCode, FInvNumber of B; empty: B is gone
        bool open;
    };
    const QStringList untouched{QStringLiteral("0"), QString(), QString()};
    const Case cases[] = {
        {"the attempt's own numbers by default",
         {QStringLiteral("edit"), QStringLiteral("B"), QStringLiteral("--state"), QStringLiteral("已开票")},
         0,
         {},
         {QStringLiteral("1"), code, QStringLiteral("00000002")},
         false},
        {"other numbers without the flag",
         {QStringLiteral("edit"), QStringLiteral("B"), QStringLiteral("--state"), QStringLiteral("已开票"),
          QStringLiteral("--code"), QStringLiteral("9999"), QStringLiteral("--number"), QStringLiteral("42")},
         1,
         QStringLiteral("--other-numbers"),
         untouched,
         true},
        {"other numbers with the flag, answered No",
         {QStringLiteral("edit"), QStringLiteral("B"), QStringLiteral("--state"), QStringLiteral("已开票"),
          QStringLiteral("--code"), QStringLiteral("9999"), QStringLiteral("--number"), QStringLiteral("42"),
          QStringLiteral("--other-numbers")},
         1,
         QStringLiteral("您填写的是：发票代码 9999，发票号码 42"),
         untouched,
         true},
        {"other numbers with the flag and --yes",
         {QStringLiteral("edit"), QStringLiteral("B"), QStringLiteral("--state"), QStringLiteral("已开票"),
          QStringLiteral("--code"), QStringLiteral("9999"), QStringLiteral("--number"), QStringLiteral("42"),
          QStringLiteral("--other-numbers"), QStringLiteral("--yes")},
         0,
         {},
         {QStringLiteral("1"), QStringLiteral("9999"), QStringLiteral("42")},
         false},
        {"empty code and number",
         {QStringLiteral("edit"), QStringLiteral("B"), QStringLiteral("--state"), QStringLiteral("已开票"),
          QStringLiteral("--code"), QString(), QStringLiteral("--number"), QString()},
         1,
         QStringLiteral("须填写开票软件中这张发票的发票代码和发票号码"),
         untouched,
         true},
        {"the numbers of A's invoice",
         {QStringLiteral("edit"), QStringLiteral("B"), QStringLiteral("--state"), QStringLiteral("已开票"),
          QStringLiteral("--code"), code, QStringLiteral("--number"), QStringLiteral("00000001"),
          QStringLiteral("--other-numbers"), QStringLiteral("--yes")},
         1,
         QStringLiteral("发票代码 3100071140、发票号码 00000001 已记录给销售单据 A，不能再记给销售单据 B。"),
         untouched,
         true},
        {"deleted while its attempt is open",
         {QStringLiteral("delete"), QStringLiteral("--doc"), QStringLiteral("B"), QStringLiteral("--yes")},
         1,
         QStringLiteral("销售单据 B 有一次开票尚未核对，不能删除。"),
         untouched,
         true},
        {"settled not issued, then deleted",
         {QStringLiteral("edit"), QStringLiteral("B"), QStringLiteral("--state"), QStringLiteral("未开票"),
          QStringLiteral("--code"), QString(), QStringLiteral("--number"), QString()},
         0,
         {},
         untouched,
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        JournalFolder f;
        const ProcessResult r = f.run(c.args);
        EXPECT_EQ(r.status, c.status) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(c.errHas)) << r.err.toStdString();
        const auto b = f.rig.stored(QStringLiteral("B"));
        EXPECT_EQ((QStringList{b.fok, b.code, b.number}), c.bAfter);
        const auto open = sqliteRows(f.rig.storePath(), QStringLiteral("select count(*) from issueJournal where "
                                                                       "FCustOrderId='B' and FClosedAt is null"));
        EXPECT_EQ(open.value(0).value(0), c.open ? QStringLiteral("1") : QStringLiteral("0"));
    }
    // Once settled, the document may go.
    JournalFolder f;
    ASSERT_EQ(f.run({QStringLiteral("edit"), QStringLiteral("B"), QStringLiteral("--state"), QStringLiteral("未开票"),
                     QStringLiteral("--code"), QString(), QStringLiteral("--number"), QString()})
                  .status,
              0);
    const ProcessResult deleted =
        f.run({QStringLiteral("delete"), QStringLiteral("--doc"), QStringLiteral("B"), QStringLiteral("--yes")});
    EXPECT_EQ(deleted.status, 0) << deleted.err.toStdString();
    EXPECT_TRUE(
        sqliteRows(f.rig.storePath(), QStringLiteral("select 1 from invoiceMaster where FCustOrderId='B'")).isEmpty());
}

// A run that used to end without a word now prints why and exits 1.
TEST(IssuingCommands, IssueEndingOnAMissingControlFilePrintsWhy)
{
    IssuingRig rig({QStringLiteral("--no-control-file")});
    ASSERT_TRUE(rig.ready()) << rig.error().toStdString();
    rig.addDocuments({QStringLiteral("D1")});
    const ProcessResult r =
        runProgram(QStringLiteral("corvina"),
                   {QStringLiteral("issue"), QStringLiteral("--yes"), QStringLiteral("--from"),
                    QStringLiteral("2024-01-01 00:00"), QStringLiteral("--app-folder"), rig.appFolder()});
    EXPECT_EQ(r.status, 1);
    const QString control =
        QString(rig.configFile(QStringLiteral("invoice.xml"))).replace(QLatin1Char('/'), QLatin1Char('\\'));
    EXPECT_TRUE(r.err.contains(QStringLiteral("[错误] ") +
                               QStringLiteral("找不到开票软件的控制文件 %1，连开已停止。").arg(control) +
                               QLatin1Char('\n')))
        << r.err.toStdString();
    EXPECT_EQ(r.out, QString());
    EXPECT_EQ(rig.stored(QStringLiteral("D1")).fok, QStringLiteral("0"));
}
