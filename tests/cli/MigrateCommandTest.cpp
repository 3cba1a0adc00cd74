// `corvina migrate` on a folder whose SysData.mdb is the replaced program's Access store, and what
// the other commands do on such a folder before and after.
#include "support/OldStore.h"
#include "support/TestSupport.h"

#include <QDir>
#include <gtest/gtest.h>

using namespace corvina::test;

namespace {

ProcessResult run(const TempFolder& folder, QStringList args)
{
    args << QStringLiteral("--app-folder") << folder.path();
    return runProgram(QStringLiteral("corvina"), args);
}

} // namespace

// Before: every other command says to move the store first, a dry run and a No change nothing.
// After: the old issued document is issued here with its number, the workbook that holds it finds
// it stored, and nothing of it is left to issue.
TEST(MigrateCommand, MovesTheOldStoreAndItsIssuedDocumentsStayIssued)
{
    TempFolder folder;
    // M1 is the document of the workbook below: issued long ago in the old program.
    QString error;
    ASSERT_TRUE(writeJet4File(folder.file(QStringLiteral("SysData.mdb")),
                              oldStore(Typing::Typed, 4, 2, {}, {QStringLiteral("M1")}), &error))
        << error.toStdString();
    const auto before = folderState(folder.path());
    const QStringList queryIssued = {QStringLiteral("query"), QStringLiteral("--state"), QStringLiteral("1"),
                                     QStringLiteral("--from"), QStringLiteral("1900-01-01 00:00")};

    const ProcessResult refused = run(folder, queryIssued);
    EXPECT_EQ(refused.status, 1);
    EXPECT_TRUE(refused.err.contains(QStringLiteral("corvina migrate"))) << refused.err.toStdString();

    const ProcessResult dry = run(folder, {QStringLiteral("migrate"), QStringLiteral("--dry-run")});
    EXPECT_EQ(dry.status, 0) << dry.err.toStdString();
    EXPECT_TRUE(dry.out.contains(QStringLiteral("documents: 4\nissued: 2\ninvoiceDetail rows: 8\n")))
        << dry.out.toStdString();
    EXPECT_TRUE(dry.out.contains(QStringLiteral("FSum total: 246.9120\n"))) << dry.out.toStdString();
    const ProcessResult no = run(folder, {QStringLiteral("migrate")}); // not a terminal: No
    EXPECT_EQ(no.status, 1);
    EXPECT_EQ(folderState(folder.path()), before);

    const ProcessResult moved = run(folder, {QStringLiteral("migrate"), QStringLiteral("--yes")});
    ASSERT_EQ(moved.status, 0) << moved.err.toStdString();
    EXPECT_TRUE(moved.out.contains(QStringLiteral("已把单据 4 张（已开票 2 张）、明细 8 行移入")))
        << moved.out.toStdString();
    const QString kept =
        QStringLiteral("SysData-Access-%1.mdb").arg(QDate::currentDate().toString(QStringLiteral("yyyyMMdd")));
    EXPECT_TRUE(QFileInfo::exists(folder.file(kept))) << kept.toStdString();

    const ProcessResult issued = run(folder, queryIssued);
    ASSERT_EQ(issued.status, 0) << issued.err.toStdString();
    EXPECT_TRUE(issued.out.contains(QStringLiteral("\tM1\t3100071140\t20000001\t"))) << issued.out.toStdString();
    const ProcessResult import =
        run(folder, {QStringLiteral("import"), dataPath(QStringLiteral("workbooks/import/merge.xlsx"))});
    EXPECT_TRUE(import.out.contains(QStringLiteral("M1该销售单据的数据已有记录，放弃处理")))
        << import.out.toStdString();
    const ProcessResult pending =
        run(folder, {QStringLiteral("query"), QStringLiteral("--from"), QStringLiteral("1900-01-01 00:00")});
    EXPECT_FALSE(pending.out.contains(QStringLiteral("M1"))) << pending.out.toStdString();
    // Nothing left to move.
    const ProcessResult again = run(folder, {QStringLiteral("migrate"), QStringLiteral("--yes")});
    EXPECT_EQ(again.status, 0);
    EXPECT_TRUE(again.out.contains(QStringLiteral("nothing to move")));
}
