#include "support/TestSupport.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <gtest/gtest.h>

namespace {

using corvina::test::ProcessResult;
using CliRun = ProcessResult;

CliRun runCorvina(const QStringList& args)
{
    return corvina::test::runProgram(QStringLiteral("corvina"), args);
}

} // namespace

TEST(Cli, QueryOnAFreshFolderCreatesTheStoreAndPrintsNothingFound)
{
    corvina::test::TempFolder dir;
    const CliRun json =
        runCorvina({QStringLiteral("query"), QStringLiteral("--json"), QStringLiteral("--app-folder"), dir.path()});
    EXPECT_EQ(json.status, 0) << json.err.toStdString();
    EXPECT_EQ(json.out.trimmed(), QStringLiteral("[]"));
    EXPECT_TRUE(QFile::exists(dir.file(QStringLiteral("SysData.mdb"))));
    // The issuing database is not opened by a query: no connection message.
    EXPECT_EQ(json.err, QString());
    const CliRun tsv = runCorvina({QStringLiteral("query"), QStringLiteral("--app-folder"), dir.path()});
    EXPECT_EQ(tsv.out.split(QLatin1Char('\n')).first().split(QLatin1Char('\t')).size(), 16);
}

TEST(Cli, UsageErrorsAndHelp)
{
    struct Case {
        QStringList args;
        int status;
    } cases[] = {
        {{QStringLiteral("nosuch")}, 2},
        {{QStringLiteral("query"), QStringLiteral("--state"), QStringLiteral("2")}, 2},
        {{QStringLiteral("query"), QStringLiteral("--from"), QStringLiteral("yesterday")}, 2},
        {{QStringLiteral("query"), QStringLiteral("--bogus")}, 2},
        {{QStringLiteral("lines")}, 2},
        {{QStringLiteral("query"), QStringLiteral("--help")}, 0},
        {{QStringLiteral("--help")}, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(runCorvina(c.args).status, c.status) << c.args.join(QLatin1Char(' ')).toStdString();
}

TEST(Cli, StoreThatCannotBeOpenedEndsOnItsMessage)
{
    corvina::test::TempFolder dir;
    dir.write(QStringLiteral("SysData.mdb"), "not a database");
    const CliRun r =
        runCorvina({QStringLiteral("lines"), QStringLiteral("D1"), QStringLiteral("--app-folder"), dir.path()});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("[错误] 连接错误:"))) << r.err.toStdString();
}
