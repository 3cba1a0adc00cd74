// The command line on a shared store: which store a command uses, that no password is ever
// printed, and two desks importing the same workbook at once.

#include "doubles/RecordingPrompter.h"
#include "invoices/InvoiceCaptions.h"
#include "invoices/InvoiceList.h"
#include "pgcluster/PgCluster.h"
#include "store/LocalStore.h"
#include "support/BrowserSeed.h"
#include "support/TestStore.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <gtest/gtest.h>

using namespace corvina;
using namespace corvina::test;

namespace {

// The document numbers a query lists.
QStringList listedIds(const ProcessResult& r)
{
    QStringList ids;
    for (const QJsonValue& row : QJsonDocument::fromJson(r.out.toUtf8()).array())
        ids << row.toObject().value(invoiceJsonKey(ColOrderId)).toString();
    return ids;
}

QStringList query(const QString& appFolder, const QStringList& extra, const QList<QPair<QString, QString>>& env)
{
    const ProcessResult r =
        runProgram(QStringLiteral("corvina"),
                   QStringList{QStringLiteral("query"), QStringLiteral("--json"), QStringLiteral("--from"),
                               QStringLiteral("2000-01-01 00:00"), QStringLiteral("--app-folder"), appFolder} +
                       extra,
                   env);
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    return listedIds(r);
}

} // namespace

TEST(ServerCli, TheCommandLineWinsOverTheEnvironmentWhichWinsOverTheSettingsFile)
{
    TempFolder dir;
    const TestStore inFile = TestStore::onServer(), inEnv = TestStore::onServer(), onLine = TestStore::onServer();
    const std::pair<const TestStore*, const char*> seeds[] = {{&inFile, "FILE"}, {&inEnv, "ENV"}, {&onLine, "LINE"}};
    for (const auto& [where, id] : seeds) {
        RecordingPrompter prompter;
        LocalStore store(where->location(), prompter);
        ASSERT_TRUE(store.open());
        seedDocument(store, {QString::fromLatin1(id)});
    }
    {
        // The local file holds one of its own.
        RecordingPrompter prompter;
        LocalStore store(dir.file(QStringLiteral("SysData.mdb")), prompter);
        ASSERT_TRUE(store.open());
        seedDocument(store, {QStringLiteral("LOCAL")});
    }
    struct Case {
        bool ini;
        const TestStore* env;
        const TestStore* option;
        const char* listed;
    } cases[] = {
        {false, nullptr, nullptr, "LOCAL"}, {true, nullptr, nullptr, "FILE"},  {true, &inEnv, nullptr, "ENV"},
        {true, &inEnv, &onLine, "LINE"},    {false, nullptr, &onLine, "LINE"},
    };
    for (const Case& c : cases) {
        dir.write(QStringLiteral("sysconfig.ini"),
                  c.ini ? (QStringLiteral("[store]\r\nurl=") + inFile.location() + QStringLiteral("\r\n")).toUtf8()
                        : QByteArray());
        const QStringList extra =
            c.option ? QStringList{QStringLiteral("--store"), c.option->location()} : QStringList();
        const QList<QPair<QString, QString>> env{
            {QStringLiteral("CORVINA_STORE"), c.env ? c.env->location() : QString()}};
        EXPECT_EQ(query(dir.path(), extra, env), QStringList{QString::fromLatin1(c.listed)}) << c.listed;
    }
}

TEST(ServerCli, NoPasswordIsEverPrinted)
{
    const PgCluster& c = testCluster();
    const TestStore where = TestStore::onServer();
    TempFolder dir;
    const QString secret = QStringLiteral("Not-This-One-42");
    const QString wrong = c.url(where.database(), c.superuser(), secret);
    dir.write(QStringLiteral("sysconfig.ini"),
              (QStringLiteral("[store]\r\nurl=") + wrong + QStringLiteral("\r\n")).toUtf8());
    struct Case {
        QStringList args;
        QList<QPair<QString, QString>> env;
        int status;
    } cases[] = {
        // The settings file's address with a wrong password, a right one on the line, in the environment.
        {{QStringLiteral("query")}, {}, 1},
        {{QStringLiteral("lines"), QStringLiteral("X")}, {{QStringLiteral("CORVINA_STORE"), wrong}}, 1},
        {{QStringLiteral("query"), QStringLiteral("--store"), wrong}, {}, 1},
        {{QStringLiteral("query"), QStringLiteral("--store"), c.url(QStringLiteral("no_such_db"))}, {}, 1},
        {{QStringLiteral("query"), QStringLiteral("--help")}, {{QStringLiteral("CORVINA_STORE"), where.location()}}, 0},
        {{QStringLiteral("import"), QStringLiteral("--help")}, {}, 0},
        {{QStringLiteral("query"), QStringLiteral("--store"), where.location()}, {}, 0},
    };
    for (const Case& k : cases) {
        const ProcessResult r = runProgram(QStringLiteral("corvina"),
                                           k.args + QStringList{QStringLiteral("--app-folder"), dir.path()}, k.env);
        const std::string what = k.args.join(QLatin1Char(' ')).toStdString();
        EXPECT_EQ(r.status, k.status) << what << r.err.toStdString();
        for (const QString& password : {secret, c.superPassword()}) {
            EXPECT_FALSE(r.out.contains(password)) << what;
            EXPECT_FALSE(r.err.contains(password)) << what << r.err.toStdString();
        }
        if (k.status == 1) {
            EXPECT_TRUE(r.err.contains(QStringLiteral("连接错误:"))) << what << r.err.toStdString();
        }
    }
    // Nor is anything written to the import log of the folder.
    EXPECT_FALSE(QFile::exists(dir.file(QStringLiteral("InputLogFile.log"))));
}

TEST(ServerCli, TwoDesksImportingOneWorkbookAtOnceStoreEachDocumentOnce)
{
    const TestStore where = TestStore::onServer();
    TempFolder work;
    const QString workbook = work.file(QStringLiteral("同一工作簿.xlsx"));
    constexpr int kDocuments = 600; // three of the import's commit groups
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral(CORVINA_SOURCE_DIR "/resources/demo/make_sample_workbook.py"), workbook,
                  QString::number(kDocuments)});
    ASSERT_TRUE(python.waitForFinished(120000) && python.exitCode() == 0)
        << python.readAllStandardError().toStdString();

    TempFolder deskA, deskB;
    QProcess a, b;
    for (auto [process, desk] : {std::pair{&a, &deskA}, std::pair{&b, &deskB}}) {
        process->setProgram(QStringLiteral(CORVINA_BIN_DIR "/corvina"));
        process->setArguments({QStringLiteral("import"), workbook, QStringLiteral("--store"), where.location(),
                               QStringLiteral("--app-folder"), desk->path()});
    }
    a.start();
    b.start();
    ASSERT_TRUE(a.waitForFinished(300000) && b.waitForFinished(300000));
    const QString logA = QString::fromUtf8(a.readAllStandardOutput()),
                  logB = QString::fromUtf8(b.readAllStandardOutput());
    EXPECT_EQ(a.exitCode(), 0) << a.readAllStandardError().toStdString();
    EXPECT_EQ(b.exitCode(), 0) << b.readAllStandardError().toStdString();

    // Every document: stored by one desk, already there for the other.
    QMap<QString, QStringList> outcomes;
    for (const QString& log : {logA, logB})
        for (const QString& line : log.split(QLatin1Char('\n'))) {
            const QString text = line.mid(22); // "[yyyy-mm-dd hh:nn:ss] "
            for (const QString& ending : {QStringLiteral("该销售单据的数据正确，处理成功"),
                                          QStringLiteral("该销售单据的数据已有记录，放弃处理")})
                if (text.endsWith(ending))
                    outcomes[text.chopped(ending.size())] << ending.right(4);
        }
    ASSERT_EQ(outcomes.size(), kDocuments);
    for (auto it = outcomes.cbegin(); it != outcomes.cend(); ++it) {
        QStringList both = it.value();
        both.sort();
        EXPECT_EQ(both, (QStringList{QStringLiteral("处理成功"), QStringLiteral("放弃处理")}))
            << it.key().toStdString();
    }
    const PgCluster& c = testCluster();
    EXPECT_EQ(c.value(where.database(), QStringLiteral("select count(*) from invoiceMaster")),
              QString::number(kDocuments));
    EXPECT_EQ(c.value(where.database(), QStringLiteral("select count(distinct FCustOrderId) from invoiceMaster")),
              QString::number(kDocuments));
    // Whole documents: lines 1 to n of each, once (one to three per document in the workbook).
    EXPECT_EQ(
        c.value(where.database(),
                QStringLiteral("select count(*) from (select FCustOrderId from invoiceDetail group by FCustOrderId "
                               "having count(*) <> max(FNo) or count(distinct FNo) <> count(*) or count(*) "
                               "not between 1 and 3) bad")),
        QStringLiteral("0"));
    EXPECT_EQ(c.value(where.database(), QStringLiteral("select count(distinct FCustOrderId) from invoiceDetail")),
              QString::number(kDocuments));
}
