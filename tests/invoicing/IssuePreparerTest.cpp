#include "RequestFixture.h"

#include "invoicing/IssuePreparer.h"
#include "invoicing/IssuingDatabase.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <gtest/gtest.h>

using namespace corvina;
using namespace corvina::test;

namespace {

const QStringList kSchema = {
    QStringLiteral("create table KPZH (NSRSBM text, NSRMC text, HYFLID integer, HYFLMC text, KPZLID integer, "
                   "GSZCH text, KHYH_ZH text, KHYH_EN text, SWIFTCODE text, YHZH text, ZCDZ_ZH text, ZCDZ_EN text, "
                   "TEL text, FAX text)"),
    QStringLiteral("create table DM_FPHYFL (HYFLID integer, HYFLDM text, HYFLMC text)"),
    QStringLiteral("create table DM_KPZL (KPZLID integer, KPZLMC text)"),
    QStringLiteral("create table FPB_TZ (ID integer primary key, KPZLID integer, FPDM text, DQKYH text, ZTID integer)"),
    QStringLiteral("insert into DM_FPHYFL values (1, '0100', '工业'), (2, '0200', '商业'), (3, '0300', '批发''零售')"),
    QStringLiteral("insert into DM_KPZL values (1, '出口发票'), (2, '出口发票（机打）')"),
};

QString company(const QString& taxNumber, const QString& industry = QStringLiteral("商业"), int kind = 1)
{
    return QStringLiteral(
               "insert into KPZH values ('%1', '上海澄江进出口贸易有限公司', 2, '%2', %3, '310000400123456', "
               "'中国银行上海市分行', 'Bank of China', 'BKCHCNBJ300', '4563', '上海市', 'Shanghai', "
               "'021-1', '021-2')")
        .arg(taxNumber, QString(industry).replace(QLatin1Char('\''), QStringLiteral("''")))
        .arg(kind);
}

QString book(const QString& code, const QString& next, int state = 3, int kind = 1)
{
    return QStringLiteral("insert into FPB_TZ (KPZLID, FPDM, DQKYH, ZTID) values (%1, '%2', '%3', %4)")
        .arg(kind)
        .arg(code, next)
        .arg(state);
}

// Writes an issuing database file through a connection of its own, closed again at once.
void makeDatabase(const QString& path, const QStringList& statements, bool withSchema = true)
{
    const QString name = QStringLiteral("make-issuing");
    {
        QFile::remove(path);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        for (const QString& s : (withSchema ? kSchema + statements : statements))
            ASSERT_TRUE(q.exec(s)) << s.toStdString() << q.lastError().text().toStdString();
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

struct PrepareRig : WriterRig {
    IssuingDatabase database{kaippath() + QStringLiteral("\\Data\\DB_KP.mdb"), prompter};
    IssuePreparer preparer{database, store, writer, data, clock, prompter, kaippath()};

    PrepareRig() { data = TIssuingData(); }
    bool prepare() { return preparer.PrepareIssue(list.rows().at(0)); }
    QString dbPath() const { return folder.file(QStringLiteral("Data/DB_KP.mdb")); }
    bool filesWritten() const { return QFile::exists(controlPath()) || QFile::exists(recordPath()); }
};

} // namespace

TEST(PrepareIssue, OutcomesOfOneCall)
{
    struct Case {
        const char* name;
        QStringList statements;
        bool ok;
        QString message; // the one box expected; empty for none
        QString fpdm, dqkyh, kpzlid, kpzlmc, hyfldm;
    };
    const QString c15 = QStringLiteral("310115720345678");
    const QString code = QStringLiteral("3100071140");
    const std::vector<Case> cases = {
        {"ready book",
         {company(c15), book(code, QStringLiteral("00000123"))},
         true,
         {},
         code,
         QStringLiteral("00000123"),
         QStringLiteral("1"),
         QStringLiteral("出口发票"),
         QStringLiteral("0200")},
        {"three characters count as used up",
         {company(c15), book(code, QStringLiteral("123"))},
         false,
         QStringLiteral("发票已经用完，请启用其他发票薄!"),
         code,
         QStringLiteral("123"),
         QStringLiteral("1"),
         QStringLiteral("出口发票"),
         QStringLiteral("0200")},
        {"four characters proceed",
         {company(c15), book(code, QStringLiteral("0123"))},
         true,
         {},
         code,
         QStringLiteral("0123"),
         QStringLiteral("1"),
         QStringLiteral("出口发票"),
         QStringLiteral("0200")},
        {"no enabled book",
         {company(c15), book(code, QStringLiteral("00000123"), 2)},
         false,
         QStringLiteral("没有发票薄被启用，请启用发票薄!"),
         {},
         {},
         QStringLiteral("1"),
         QStringLiteral("出口发票"),
         QStringLiteral("0200")},
        {"several enabled books: the first",
         {company(c15), book(QStringLiteral("111"), QStringLiteral("00000009"), 4),
          book(code, QStringLiteral("00000123")), book(QStringLiteral("3100071150"), QStringLiteral("00000001"))},
         true,
         {},
         code,
         QStringLiteral("00000123"),
         QStringLiteral("1"),
         QStringLiteral("出口发票"),
         QStringLiteral("0200")},
        {"unknown class name leaves the code empty",
         {company(c15, QStringLiteral("未知行业")), book(code, QStringLiteral("00000123"))},
         true,
         {},
         code,
         QStringLiteral("00000123"),
         QStringLiteral("1"),
         QStringLiteral("出口发票"),
         QString()},
        {"apostrophe in the class name is looked up",
         {company(c15, QStringLiteral("批发'零售")), book(code, QStringLiteral("00000123"))},
         true,
         {},
         code,
         QStringLiteral("00000123"),
         QStringLiteral("1"),
         QStringLiteral("出口发票"),
         QStringLiteral("0300")},
        {"book kind differs from the company's",
         {company(c15, QStringLiteral("商业"), 1), book(code, QStringLiteral("00000123"), 3, 2)},
         true,
         {},
         code,
         QStringLiteral("00000123"),
         QStringLiteral("2"),
         QStringLiteral("出口发票"),
         QStringLiteral("0200")},
        {"no company record",
         {book(code, QStringLiteral("00000123"))},
         false,
         QStringLiteral("发生错误：") +
             QStringLiteral(
                 "开票软件数据库中没有企业信息（KPZH 表无记录），不能开具发票。请先在开票软件中设置企业信息。"),
         {},
         {},
         {},
         {},
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PrepareRig rig;
        makeDatabase(rig.dbPath(), c.statements);
        EXPECT_EQ(rig.prepare(), c.ok);
        if (c.message.isEmpty()) {
            EXPECT_TRUE(rig.prompter.shown().isEmpty()) << rig.prompter.texts().join(QLatin1Char('|')).toStdString();
        } else {
            ASSERT_EQ(rig.prompter.shown().size(), 1);
            EXPECT_EQ(rig.prompter.shown()[0].text, c.message);
            EXPECT_EQ(rig.prompter.shown()[0].kind, MessageBoxKind::Info);
            EXPECT_EQ(rig.prompter.shown()[0].owner, BoxOwner::MainWindow);
        }
        EXPECT_EQ(rig.data.FPDM, c.fpdm);
        EXPECT_EQ(rig.data.DQKYH, c.dqkyh);
        EXPECT_EQ(rig.data.KPZLID, c.kpzlid);
        EXPECT_EQ(rig.data.KPZLMC, c.kpzlmc);
        EXPECT_EQ(rig.data.HYFLDM, c.hyfldm);
        EXPECT_EQ(rig.filesWritten(), c.ok);
        EXPECT_EQ(rig.clock.sleptMilliseconds(), 200);
        if (c.ok) {
            const QStringList lines = rig.recordLines();
            EXPECT_EQ(lines.value(6), QStringLiteral("<FPDM>") + c.fpdm + QStringLiteral("</FPDM>"));
            EXPECT_EQ(lines.value(7), QStringLiteral("<FPHM>") + c.dqkyh + QStringLiteral("</FPHM>"));
            EXPECT_TRUE(fileBytes(rig.controlPath()).contains("<fphm>" + c.dqkyh.toUtf8() + "</fphm>"));
        }
    }
}

TEST(PrepareIssue, FailuresBeforeAndAroundTheDatabase)
{
    struct Case {
        const char* name;
        bool database; // create the database file at all
        QStringList statements;
        QString messageStart;
    };
    const QString c15 = QStringLiteral("310115720345678");
    const std::vector<Case> cases = {
        {"database missing", false, {}, QStringLiteral("连接错误:")},
        {"table of books missing", true, {company(c15)}, QStringLiteral("发生错误：")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PrepareRig rig;
        if (c.database) {
            QStringList statements = kSchema + c.statements;
            if (c.messageStart == QStringLiteral("发生错误："))
                statements.removeIf([](const QString& s) { return s.contains(QLatin1String("FPB_TZ")); });
            makeDatabase(rig.dbPath(), statements, false);
        }
        EXPECT_FALSE(rig.prepare());
        EXPECT_EQ(rig.clock.sleptMilliseconds(), 200);
        EXPECT_FALSE(rig.filesWritten());
        ASSERT_EQ(rig.prompter.shown().size(), 1);
        EXPECT_TRUE(rig.prompter.shown()[0].text.startsWith(c.messageStart))
            << rig.prompter.shown()[0].text.toStdString();
        EXPECT_GT(rig.prompter.shown()[0].text.size(), c.messageStart.size()); // a reason follows
    }
}

TEST(PrepareIssue, CompanyReadAgainOnlyWhileTheTaxNumberIsShort)
{
    struct Case {
        QString taxNumber;
        QString nameOnSecondCall;
    };
    const Case cases[] = {
        {QStringLiteral("12345678"), QStringLiteral("上海澄江进出口贸易有限公司")},
        {QStringLiteral("1234567"), QStringLiteral("改名后的公司")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.taxNumber.toStdString());
        PrepareRig rig;
        makeDatabase(rig.dbPath(),
                     {company(c.taxNumber), book(QStringLiteral("3100071140"), QStringLiteral("00000001"))});
        ASSERT_TRUE(rig.prepare());
        EXPECT_EQ(rig.data.NSRMC, QStringLiteral("上海澄江进出口贸易有限公司"));
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("rename"));
            db.setDatabaseName(rig.dbPath());
            ASSERT_TRUE(db.open());
            ASSERT_TRUE(QSqlQuery(db).exec(QStringLiteral("update KPZH set NSRMC='改名后的公司'")));
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("rename"));
        ASSERT_TRUE(rig.prepare());
        EXPECT_EQ(rig.data.NSRMC, c.nameOnSecondCall);
        EXPECT_EQ(rig.recordLines().value(8),
                  QStringLiteral("<SKRMC>") + c.nameOnSecondCall + QStringLiteral("</SKRMC>"));
    }
}

// Linux only: the database file is replaced while a connection may hold it open, which Windows
// refuses.
TEST(PrepareIssue, LinuxOnly_BookReadOverAFreshConnectionEveryTime)
{
    PrepareRig rig;
    const QString c15 = QStringLiteral("310115720345678");
    makeDatabase(rig.dbPath(), {company(c15), book(QStringLiteral("3100071140"), QStringLiteral("00000001"))});
    ASSERT_TRUE(rig.prepare());
    ASSERT_TRUE(rig.database.isOpen());
    // A new file in place of the old one: a connection kept open would still read the old file.
    const QString next = rig.folder.file(QStringLiteral("next.mdb"));
    makeDatabase(next, {company(c15), book(QStringLiteral("3100071140"), QStringLiteral("00000002"))});
    ASSERT_TRUE(QFile::remove(rig.dbPath()));
    ASSERT_TRUE(QFile::rename(next, rig.dbPath()));
    ASSERT_TRUE(rig.prepare());
    EXPECT_EQ(rig.data.DQKYH, QStringLiteral("00000002"));
    EXPECT_EQ(rig.clock.sleptMilliseconds(), 400);
}

TEST(PrepareIssue, ControlFileFailureLeavesTheRecordFileAlone)
{
    PrepareRig rig;
    makeDatabase(rig.dbPath(), {company(QStringLiteral("310115720345678")),
                                book(QStringLiteral("3100071140"), QStringLiteral("00000001"))});
    ASSERT_TRUE(QDir().mkpath(rig.controlPath())); // a folder where the file should go
    QFile old(rig.recordPath());
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("earlier");
    old.close();

    EXPECT_FALSE(rig.prepare());
    EXPECT_EQ(rig.prompter.texts(),
              QStringList{rig.kaippath() + QStringLiteral("\\Config\\invoice.xml") + QStringLiteral("更新失败!")});
    EXPECT_EQ(fileBytes(rig.recordPath()), QByteArray("earlier"));
}

#ifndef CORVINA_ACCESS_ODBC // the MDB Tools reader's messages; an ODBC build has its driver's
// A real Access file as the invoicing program's database reaches the same messages as SQLite.
TEST(PrepareIssue, RealAccessFilesStopWithTheirReason)
{
    QFile jet4(dataPath(QStringLiteral("access/DateTestDatabase.mdb")));
    ASSERT_TRUE(jet4.open(QIODevice::ReadOnly));
    const QByteArray cut = jet4.read(4096);
    QFile jet3(dataPath(QStringLiteral("access/nwind.mdb")));
    ASSERT_TRUE(jet3.open(QIODevice::ReadOnly));
    const QByteArray northwind = jet3.readAll();
    struct Case {
        const char* name;
        QByteArray file;
        QString message;
    };
    const Case cases[] = {
        {"Access file of another program", northwind,
         QStringLiteral("发生错误：") + QStringLiteral("数据库中没有表 KPZH")},
        {"Access file cut short", cut, QStringLiteral("连接错误:读不出Access数据库")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PrepareRig rig;
        rig.folder.write(QStringLiteral("Data/DB_KP.mdb"), c.file);
        EXPECT_FALSE(rig.prepare());
        EXPECT_FALSE(rig.filesWritten());
        ASSERT_EQ(rig.prompter.shown().size(), 1);
        EXPECT_TRUE(rig.prompter.shown()[0].text.startsWith(c.message)) << rig.prompter.shown()[0].text.toStdString();
    }
}
#endif
