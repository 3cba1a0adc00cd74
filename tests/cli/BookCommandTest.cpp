#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

using corvina::test::ProcessResult;
using corvina::test::runProgram;
using corvina::test::TempFolder;

namespace {

// An application folder whose settings point at an invoicing program's folder beside it.
struct BookRig {
    TempFolder dir;
    QString app() const { return dir.file(QStringLiteral("app/")); }
    QString invoicing() const { return dir.file(QStringLiteral("invoicing")); }
    QString database() const { return invoicing() + QStringLiteral("/Data/DB_KP.mdb"); }
    BookRig()
    {
        dir.write(QStringLiteral("app/sysconfig.ini"),
                  (QStringLiteral("[sys]\r\nkaippath=") + invoicing() + QStringLiteral("\r\n")).toUtf8());
    }
    ProcessResult book(bool json) const
    {
        QStringList args{QStringLiteral("book"), QStringLiteral("--app-folder"), app()};
        if (json)
            args << QStringLiteral("--json");
        return runProgram(QStringLiteral("corvina"), args);
    }
};

QJsonObject jsonOf(const ProcessResult& r)
{
    return QJsonDocument::fromJson(r.out.toUtf8()).object();
}

} // namespace

TEST(BookCommand, StandInDatabaseShowsTheNextInvoiceOrWhatStopsIt)
{
    struct Case {
        const char* name;
        QStringList init; // stand-in options
        QJsonObject next; // empty: issuing stops
        QString message;  // the stopping message
    };
    const QString company = QStringLiteral("上海澄江进出口贸易有限公司");
    const std::vector<Case> cases = {
        {"ready",
         {},
         {{"NSRSBM", QStringLiteral("310115720345678")},
          {"NSRMC", company},
          {"KPZLID", QStringLiteral("1")},
          {"KPZLMC", QStringLiteral("出口发票")},
          {"FPDM", QStringLiteral("3100071140")},
          {"DQKYH", QStringLiteral("00000001")}},
         {}},
        // The book's kind travels with the company record's kind name.
        {"book of another kind",
         {QStringLiteral("--book-kind"), QStringLiteral("2"), QStringLiteral("--code"), QStringLiteral("3100071199"),
          QStringLiteral("--next-number"), QStringLiteral("0042"), QStringLiteral("--tax-number"),
          QStringLiteral("91310000MA1K")},
         {{"NSRSBM", QStringLiteral("91310000MA1K")},
          {"NSRMC", company},
          {"KPZLID", QStringLiteral("2")},
          {"KPZLMC", QStringLiteral("出口发票")},
          {"FPDM", QStringLiteral("3100071199")},
          {"DQKYH", QStringLiteral("0042")}},
         {}},
        {"used up",
         {QStringLiteral("--next-number"), QStringLiteral("123")},
         {},
         QStringLiteral("发票已经用完，请启用其他发票薄!")},
        {"no enabled book",
         {QStringLiteral("--no-enabled-book")},
         {},
         QStringLiteral("没有发票薄被启用，请启用发票薄!")},
        {"no company", {QStringLiteral("--no-company")}, {}, QStringLiteral("发生错误：开票软件数据库中没有企业信息")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BookRig rig;
        const ProcessResult init = runProgram(QStringLiteral("invoicing-standin"),
                                              QStringList{QStringLiteral("--init"), rig.invoicing()} + c.init);
        ASSERT_EQ(init.status, 0) << init.err.toStdString();
        const QByteArray before = [&] {
            QFile f(rig.database());
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        }();

        const ProcessResult json = rig.book(true);
        const ProcessResult text = rig.book(false);
        if (c.message.isEmpty()) {
            EXPECT_EQ(json.status, 0) << json.err.toStdString();
            EXPECT_EQ(jsonOf(json), c.next) << json.out.toStdString();
            EXPECT_EQ(text.status, 0);
            EXPECT_EQ(json.err, QString());
            // The text form: caption, tab, value; one line per field, in the JSON's values.
            const QStringList lines = text.out.trimmed().split(QLatin1Char('\n'));
            ASSERT_EQ(lines.size(), 6) << text.out.toStdString();
            for (const char* field : {"NSRSBM", "NSRMC", "KPZLID", "KPZLMC", "FPDM", "DQKYH"})
                EXPECT_EQ(lines.filter(QLatin1Char('\t') + c.next.value(QLatin1String(field)).toString()).size(), 1)
                    << field;
        } else {
            EXPECT_EQ(json.status, 1);
            EXPECT_TRUE(jsonOf(json).value(QStringLiteral("message")).toString().startsWith(c.message))
                << json.out.toStdString();
            EXPECT_EQ(text.status, 1);
            EXPECT_EQ(text.out, QString());
            EXPECT_TRUE(text.err.startsWith(QStringLiteral("[提示] ") + c.message)) << text.err.toStdString();
        }
        QFile after(rig.database());
        ASSERT_TRUE(after.open(QIODevice::ReadOnly));
        EXPECT_EQ(after.readAll(), before); // reads only
    }
}

#ifndef CORVINA_ACCESS_ODBC // the MDB Tools reader's messages; an ODBC build has its driver's
// Real Access files as the invoicing program's database: read, and found to be other databases.
TEST(BookCommand, RealAccessFilesAndUnreadableFilesSayWhy)
{
    struct Case {
        const char* name;
        QString fixture; // copied to DB_KP.mdb; empty: no file
        QString message;
    };
    const QString notOurs = QStringLiteral("不是开票软件的数据库：没有表 KPZH、DM_FPHYFL、DM_KPZL、FPB_TZ");
    const std::vector<Case> cases = {
        {"Jet 3", QStringLiteral("nwind.mdb"), notOurs},
        {"Jet 4", QStringLiteral("DateTestDatabase.mdb"), notOurs},
        {"Jet 4, Chinese texts", QStringLiteral("DateTestCjk.mdb"), notOurs},
        {"ACE", QStringLiteral("ASampleDatabase.accdb"), notOurs},
        {"no file", {}, QStringLiteral("连接错误:数据库文件不存在")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BookRig rig;
        ASSERT_TRUE(QDir().mkpath(rig.invoicing() + QStringLiteral("/Data")));
        if (!c.fixture.isEmpty()) {
            ASSERT_TRUE(QFile::copy(corvina::test::dataPath(QStringLiteral("access/") + c.fixture), rig.database()));
        }
        const ProcessResult json = rig.book(true);
        EXPECT_EQ(json.status, 1);
        EXPECT_TRUE(jsonOf(json).value(QStringLiteral("message")).toString().contains(c.message))
            << json.out.toStdString();
        const ProcessResult text = rig.book(false);
        EXPECT_EQ(text.status, 1);
        EXPECT_EQ(text.out, QString());
        EXPECT_TRUE(text.err.startsWith(QStringLiteral("[错误] "))) << text.err.toStdString();
        EXPECT_TRUE(text.err.contains(c.message)) << text.err.toStdString();
    }
}
#endif
