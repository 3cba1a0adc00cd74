// Other processes while `corvina issue --yes` issues through the stand-in's real windows: readers
// (`corvina journal`, `corvina query`, `corvina lines`) in a loop never keep the run from committing
// or recording, and a second desk's settling or deleting of the document in hand is refused while
// the run holds it. On the store file and on the shared store.

#include "E2eRig.h"

#include <QMap>
#include <gtest/gtest.h>

using namespace corvina;
using namespace corvina::test;

namespace {

constexpr int DocumentsInTheRun = 12;

// Every document issued once, recorded with the number used, and no attempt left open.
void expectEveryDocumentIssuedOnce(const IssuingRig& rig, int documents)
{
    QMap<QString, int> perContract;
    for (const QStringList& row :
         sqliteRows(rig.issuingDatabase(), QStringLiteral("select FPDM, FPHM, HTBH from issued order by id")))
        ++perContract[row[2]];
    EXPECT_EQ(perContract.size(), documents);
    for (auto it = perContract.cbegin(); it != perContract.cend(); ++it)
        EXPECT_EQ(it.value(), 1) << it.key().toStdString();
    const QList<QStringList> stored =
        rig.storeRows(QStringLiteral("select count(*) from invoiceMaster where FOK='1' and FInvNumber<>''"));
    EXPECT_EQ(stored.value(0).value(0), QString::number(documents));
    EXPECT_TRUE(
        rig.storeRows(QStringLiteral("select FCustOrderId from issueJournal where FClosedAt is null")).isEmpty());
}

void readersDuringARun()
{
    ASSERT_FALSE(e2eDisplay().isEmpty()) << "no private X server";
    IssuingRig rig;
    ASSERT_TRUE(rig.ready()) << rig.error().toStdString();
    QString error;
    ASSERT_TRUE(importSampleWorkbook(rig, DocumentsInTheRun, &error)) << error.toStdString();
    // The stand-in takes a moment over each step, so that the readers meet the run at every step.
    const auto standin = startStandin(rig, {QStringLiteral("--step-delay"), QStringLiteral("60")});
    ASSERT_TRUE(standin);

    DesktopProgram run(QStringLiteral("corvina"),
                       {QStringLiteral("issue"), QStringLiteral("--yes"), QStringLiteral("--from"),
                        QStringLiteral("2024-01-01 00:00"), QStringLiteral("--app-folder"), rig.appFolder()});
    ASSERT_TRUE(run.started());
    const QList<QStringList> readers = {
        {QStringLiteral("journal"), QStringLiteral("--from"), QStringLiteral("2024-01-01 00:00")},
        {QStringLiteral("query"), QStringLiteral("--from"), QStringLiteral("2024-01-01 00:00")},
        {QStringLiteral("journal"), QStringLiteral("--json")},
        {QStringLiteral("lines"), QStringLiteral("XS20240001")},
    };
    int reads = 0;
    QStringList failedReads;
    // Bounded: the run ends within its own bounds; the loop stops with it or after two minutes.
    for (int round = 0; run.running() && round < 2000; ++round) {
        QStringList args = readers[round % readers.size()];
        args << QStringLiteral("--app-folder") << rig.appFolder();
        const ProcessResult r = runProgram(QStringLiteral("corvina"), args);
        ++reads;
        if (r.status != 0)
            failedReads << args.join(QLatin1Char(' ')) + QStringLiteral(": ") + r.err;
    }
    ASSERT_TRUE(waitFor([&] { return !run.running(); }, 120000));
    EXPECT_EQ(run.finish(0), 0) << run.err().toStdString();
    EXPECT_TRUE(failedReads.isEmpty()) << failedReads.join(QLatin1Char('\n')).toStdString();
    EXPECT_GT(reads, DocumentsInTheRun); // the readers really ran beside the run
    ::testing::Test::RecordProperty("reads_during_the_run", reads);

    expectEveryDocumentIssuedOnce(rig, DocumentsInTheRun);
}

void secondDeskDuringARun()
{
    ASSERT_FALSE(e2eDisplay().isEmpty()) << "no private X server";
    constexpr int Few = 3;
    IssuingRig rig;
    ASSERT_TRUE(rig.ready()) << rig.error().toStdString();
    QString error;
    ASSERT_TRUE(importSampleWorkbook(rig, Few, &error)) << error.toStdString();
    // Slow enough that the first invoice is in hand for several seconds.
    const auto standin = startStandin(rig, {QStringLiteral("--step-delay"), QStringLiteral("1500")});
    ASSERT_TRUE(standin);
    DesktopProgram run(QStringLiteral("corvina"),
                       {QStringLiteral("issue"), QStringLiteral("--yes"), QStringLiteral("--from"),
                        QStringLiteral("2024-01-01 00:00"), QStringLiteral("--app-folder"), rig.appFolder()});
    ASSERT_TRUE(run.started());
    QString inHand;
    ASSERT_TRUE(waitFor(
        [&] {
            const auto open = rig.storeRows(QStringLiteral("select FCustOrderId from issueJournal where FClosedAt is "
                                                           "null and FLeaseUntil is not null"));
            inHand = open.value(0).value(0);
            return !inHand.isEmpty();
        },
        60000));
    const QString refused = QStringLiteral("正在为销售单据 %1 开票，现在不能修改或删除它").arg(inHand);
    const QList<QStringList> secondDesk = {
        {QStringLiteral("edit"), inHand, QStringLiteral("--state"), QStringLiteral("未开票"), QStringLiteral("--code"),
         QString(), QStringLiteral("--number"), QString()},
        {QStringLiteral("delete"), QStringLiteral("--doc"), inHand, QStringLiteral("--yes"), QStringLiteral("--from"),
         QStringLiteral("2024-01-01 00:00")},
    };
    for (QStringList args : secondDesk) {
        SCOPED_TRACE(args.first().toStdString());
        args << QStringLiteral("--app-folder") << rig.appFolder();
        const ProcessResult r = runProgram(QStringLiteral("corvina"), args);
        EXPECT_EQ(r.status, 1);
        EXPECT_TRUE(r.err.contains(refused)) << r.err.toStdString();
    }
    ASSERT_TRUE(waitFor([&] { return !run.running(); }, 120000));
    EXPECT_EQ(run.finish(0), 0) << run.err().toStdString();
    expectEveryDocumentIssuedOnce(rig, Few);
    // Nobody settled the attempt the run held: the run closed it itself.
    EXPECT_EQ(rig.storeRows(QStringLiteral("select FOutcome, FSettledState from issueJournal where FCustOrderId=?"),
                            {inHand}),
              (QList<QStringList>{{QStringLiteral("issued"), QString()}}));
}

} // namespace

TEST(SecondDeskDuringRun, SettlingOrDeletingTheDocumentInHandIsRefused)
{
    secondDeskDuringARun();
}

TEST(ServerSecondDeskDuringRun, SettlingOrDeletingTheDocumentInHandIsRefused)
{
    secondDeskDuringARun();
}

TEST(ReadersDuringRun, ReadersInALoopNeverStopTheRunsCommits)
{
    readersDuringARun();
}

TEST(ServerReadersDuringRun, ReadersInALoopNeverStopTheRunsCommits)
{
    readersDuringARun();
}
