// A store in a folder this desk may only read, run as the real executable by a user who may not
// write there (POSIX permissions: Linux only).

#include "doubles/RecordingPrompter.h"
#include "support/BrowserSeed.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace corvina;
using namespace corvina::test;

namespace {

} // namespace

// A store in a folder this desk may only read is still listed (query, lines, journal); every write
// says why it cannot be made, and the file is left exactly as it was. The commands run as a user
// without write permission there (root, who may write anywhere, runs them as nobody).
TEST(ReadOnlyStore, ListedAndNeverWritten)
{
    TempFolder app;
    {
        RecordingPrompter prompter;
        LocalStore store(app.file(QStringLiteral("SysData.mdb")), prompter);
        ASSERT_TRUE(store.open());
        seedDocument(store, {QStringLiteral("D1")});
        seedDocument(store, {QStringLiteral("D2")});
    }
    // Closed: the log is folded into the file and its index files are gone, as a desk leaves it.
    ASSERT_FALSE(QFile::exists(app.file(QStringLiteral("SysData.mdb-wal"))));
    const QByteArray before = fileBytes(app.file(QStringLiteral("SysData.mdb")));
    const bool root = geteuid() == 0;
    const QFile::Permissions readable =
        QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther;
    ASSERT_TRUE(QFile::setPermissions(app.path(), readable | (root ? QFile::WriteOwner : QFile::Permissions())));
    ASSERT_TRUE(QFile::setPermissions(app.file(QStringLiteral("SysData.mdb")),
                                      QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther |
                                          (root ? QFile::WriteOwner : QFile::Permissions())));
    const auto run = [&](QStringList args) {
        args << QStringLiteral("--app-folder") << app.path();
        QProcess p;
        if (root) {
            p.setProgram(QStringLiteral("setpriv"));
            p.setArguments(QStringList{QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                                       QStringLiteral("--clear-groups"), QStringLiteral(CORVINA_BIN_DIR "/corvina")} +
                           args);
        } else {
            p.setProgram(QStringLiteral(CORVINA_BIN_DIR "/corvina"));
            p.setArguments(args);
        }
        p.start();
        p.closeWriteChannel();
        EXPECT_TRUE(p.waitForFinished(60000));
        return ProcessResult{p.exitCode(), programText(p.readAllStandardOutput()),
                             programText(p.readAllStandardError())};
    };
    const ProcessResult query =
        run({QStringLiteral("query"), QStringLiteral("--from"), QStringLiteral("2024-01-01 00:00")});
    EXPECT_EQ(query.status, 0) << query.err.toStdString();
    EXPECT_TRUE(query.out.contains(QStringLiteral("D1")) && query.out.contains(QStringLiteral("D2")))
        << query.out.toStdString();
    const ProcessResult lines = run({QStringLiteral("lines"), QStringLiteral("D1")});
    EXPECT_EQ(lines.status, 0) << lines.err.toStdString();
    const ProcessResult journal = run({QStringLiteral("journal")});
    EXPECT_EQ(journal.status, 0) << journal.err.toStdString();

    const QString readOnly = QStringLiteral("只能读取（本机对它或它所在的文件夹没有写权限），只能查看，不能修改");
    for (const QStringList& write :
         {QStringList{QStringLiteral("edit"), QStringLiteral("D1"), QStringLiteral("--code"), QStringLiteral("1"),
                      QStringLiteral("--number"), QStringLiteral("2"), QStringLiteral("--state"),
                      QStringLiteral("已开票")},
          QStringList{QStringLiteral("delete"), QStringLiteral("--doc"), QStringLiteral("D2"), QStringLiteral("--yes"),
                      QStringLiteral("--from"), QStringLiteral("2024-01-01 00:00")}}) {
        SCOPED_TRACE(write.first().toStdString());
        const ProcessResult r = run(write);
        EXPECT_EQ(r.status, 1);
        EXPECT_TRUE(r.err.contains(readOnly)) << r.err.toStdString();
    }
    EXPECT_EQ(fileBytes(app.file(QStringLiteral("SysData.mdb"))), before);
    QFile::setPermissions(app.path(), readable | QFile::WriteOwner);
}
