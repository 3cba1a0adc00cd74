#include "app/Settings.h"
#include "app/Gbk.h"
#include "app/Paths.h"
#include "support/TestSupport.h"

#include <QDir>
#include <gtest/gtest.h>

using namespace corvina;

TEST(ReadSetting, ReadsValuesAsThePlatformReaderDoes)
{
    test::TempFolder dir;
    const QByteArray ini =
        gbkEncode(QStringLiteral("; comment\r\n[SYS]\r\n KaipPath = D:\\开票软件\\ \r\nempty=\r\nquoted=\"a b\"\r\n"
                                 "[Merge]\r\nHTBH=0\r\nhtbh=1\r\n[sys]\r\nkaippath=second section ignored\r\n"));
    dir.write(QStringLiteral("sysconfig.ini"), ini);
    const QString file = dir.file(QStringLiteral("sysconfig.ini"));

    struct Case {
        const char* section;
        const char* key;
        QString expected;
    } cases[] = {
        {"sys", "kaippath", QStringLiteral("D:\\开票软件\\")}, // GBK value, trailing separator kept
        {"Sys", "KAIPPATH", QStringLiteral("D:\\开票软件\\")}, // case-insensitive names
        {"sys", "empty", QString()},                           // present but empty: empty, not the default
        {"sys", "quoted", QStringLiteral("a b")},
        {"merge", "HTBH", QStringLiteral("0")},         // first key of that name wins
        {"Merge", "KPBZ", QStringLiteral("dflt")},      // missing key
        {"nosuch", "kaippath", QStringLiteral("dflt")}, // missing section
    };
    for (const Case& c : cases)
        EXPECT_EQ(ReadSetting(file, QString::fromLatin1(c.section), QString::fromLatin1(c.key), QStringLiteral("dflt")),
                  c.expected)
            << c.section << "/" << c.key;
}

TEST(ReadSetting, AcceptsUtf8WithByteOrderMarkAndCapsLength)
{
    test::TempFolder dir;
    const QString longValue(3000, QLatin1Char('x'));
    dir.write(QStringLiteral("u.ini"), QByteArray("\xEF\xBB\xBF") +
                                           QStringLiteral("[sys]\nkaippath=上海\\路径\nlong=").toUtf8() +
                                           longValue.toLatin1() + "\n");
    EXPECT_EQ(
        ReadSetting(dir.file(QStringLiteral("u.ini")), QStringLiteral("sys"), QStringLiteral("kaippath"), QString()),
        QStringLiteral("上海\\路径"));
    EXPECT_EQ(
        ReadSetting(dir.file(QStringLiteral("u.ini")), QStringLiteral("sys"), QStringLiteral("long"), QString()).size(),
        2047);
    EXPECT_EQ(ReadSetting(dir.file(QStringLiteral("none.ini")), QStringLiteral("sys"), QStringLiteral("k"),
                          QStringLiteral("d")),
              QStringLiteral("d"));
}

TEST(AppSettings, DefaultsWithoutFileAndPathsFromKaippath)
{
    test::TempFolder dir;
    AppSettings s = AppSettings::load(dir.path());
    EXPECT_EQ(s.InvoicingSoftwareFolder, QStringLiteral("C:\\eTax@SH WSKP"));
    EXPECT_EQ(s.IssuingDatabasePath, QStringLiteral("C:\\eTax@SH WSKP\\Data\\DB_KP.mdb"));
    EXPECT_EQ(s.LocalStorePath, dir.path() + QStringLiteral("SysData.mdb"));
    for (const QString* flag :
         {&s.Merge.HTBH, &s.Merge.CKTZS, &s.Merge.KJBH, &s.Merge.FHTZS, &s.Merge.CKXH, &s.Merge.HXDH, &s.Merge.KPBZ})
        EXPECT_EQ(*flag, QStringLiteral("1"));
    EXPECT_EQ(s.Merge.KPBZ_del_XT, QStringLiteral("0"));

    struct Case {
        const char* ini;
        QString database;
    } cases[] = {
        {"[sys]\r\nkaippath=\r\n", QStringLiteral("\\Data\\DB_KP.mdb")},
        {"[sys]\r\nkaippath=D:\\kp\\\r\n", QStringLiteral("D:\\kp\\\\Data\\DB_KP.mdb")},
    };
    for (const Case& c : cases) {
        dir.write(QStringLiteral("sysconfig.ini"), c.ini);
        EXPECT_EQ(AppSettings::load(dir.path()).IssuingDatabasePath, c.database) << c.ini;
    }
#ifndef _WIN32
    EXPECT_EQ(nativePath(QStringLiteral("/opt/kp\\\\Data\\DB_KP.mdb")), QStringLiteral("/opt/kp//Data/DB_KP.mdb"));
#endif
}

TEST(ExeFolder, OverrideAndEnvironmentEndInOneSeparator)
{
    test::TempFolder dir;
    const QString plain = dir.path().chopped(1);
    const QString expected = QDir::toNativeSeparators(dir.path()); // "\" on Windows
    EXPECT_EQ(ExeFolder(plain), expected);
    EXPECT_EQ(ExeFolder(dir.path()), expected);
    qputenv("CORVINA_APP_FOLDER", plain.toLocal8Bit());
    EXPECT_EQ(ExeFolder(), expected);
    qunsetenv("CORVINA_APP_FOLDER");
}

TEST(AppSettings, SharedStoreFromTheFileTheEnvironmentOrTheCommandLine)
{
    test::TempFolder dir;
    const QString file = QStringLiteral("postgresql://desk@db.office/corvina");
    const QString env = QStringLiteral("postgresql://desk@db2.office/corvina");
    const QString option = QStringLiteral("postgresql://desk@db3.office/corvina");
    struct Case {
        const char* ini;
        QString env;
        QString option;
        QString location; // empty: the file beside the program
    } cases[] = {
        {"[sys]\r\nkaippath=D:\\kp\r\n", QString(), QString(), QString()},
        {"[store]\r\nurl=\r\n", QString(), QString(), QString()},
        {"[Store]\r\nURL = postgresql://desk@db.office/corvina \r\n", QString(), QString(), file},
        {"[store]\r\nurl=postgresql://desk@db.office/corvina\r\n", env, QString(), env},
        {"[store]\r\nurl=postgresql://desk@db.office/corvina\r\n", env, option, option},
        {"", QString(), option, option},
        {"", QStringLiteral("  "), QString(), QString()},
    };
    for (const Case& c : cases) {
        dir.write(QStringLiteral("sysconfig.ini"), c.ini);
        if (c.env.isNull())
            qunsetenv("CORVINA_STORE");
        else
            qputenv("CORVINA_STORE", c.env.toUtf8());
        AppSettings s = AppSettings::load(dir.path());
        applyStoreOverride(s, c.option);
        EXPECT_EQ(s.storeLocation(), c.location.isEmpty() ? dir.path() + QStringLiteral("SysData.mdb") : c.location)
            << c.ini << " env " << c.env.toStdString() << " option " << c.option.toStdString();
    }
    qunsetenv("CORVINA_STORE");
}
