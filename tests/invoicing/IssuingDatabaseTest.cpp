#include "invoicing/IssuingDatabase.h"
#include "app/Failure.h"
#include "doubles/RecordingPrompter.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <gtest/gtest.h>

using namespace corvina;

namespace {

IssuingRead bookRead()
{
    return {QStringLiteral("FPB_TZ"), {QStringLiteral("FPDM"), QStringLiteral("DQKYH")}, QStringLiteral("ZTID"), 3};
}

// The invoicing program's database as a plain SQLite file, written by a connection of its own.
void writeSqlite(const QString& path, const QStringList& statements)
{
    const QString name = QStringLiteral("write-issuing");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        for (const QString& s : statements)
            ASSERT_TRUE(q.exec(s)) << s.toStdString();
    }
    QSqlDatabase::removeDatabase(name);
}

// Where Access files are read through ODBC, the test machine (wine) has no Access driver: every
// Access file is refused with what to install.
QString accessReason(const char* mdbTools)
{
#ifdef CORVINA_ACCESS_ODBC
    Q_UNUSED(mdbTools);
    return QStringLiteral("Access Database Engine");
#else
    return QString::fromUtf8(mdbTools);
#endif
}

QByteArray fixture(const QString& name)
{
    QFile f(test::dataPath(QStringLiteral("access/") + name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

TEST(IssuingDatabase, SqliteFileIsReadFilteredAndSeenAfreshAfterClose)
{
    test::TempFolder dir;
    RecordingPrompter prompter;
    const QString path = dir.file(QStringLiteral("Data/DB_KP.mdb"));
    dir.write(QStringLiteral("Data/.keep"), "");
    writeSqlite(path, {QStringLiteral("create table FPB_TZ(FPDM text, DQKYH text, ZTID integer)"),
                       QStringLiteral("insert into FPB_TZ values('3100', '00000009', 4)"),
                       QStringLiteral("insert into FPB_TZ values('3101', '00000001', 3)"),
                       QStringLiteral("create table DM_FPHYFL(HYFLDM text, HYFLMC text)"),
                       QStringLiteral("insert into DM_FPHYFL values('0400', '批发''零售')")});

    IssuingDatabase db(path, prompter);
    ASSERT_TRUE(db.open());
    auto rows = db.select(bookRead());
    ASSERT_TRUE(rows.has_value());
    ASSERT_EQ(rows->count(), 1);
    EXPECT_EQ(rows->value(0, QStringLiteral("FPDM")), QStringLiteral("3101"));
    // A value with an apostrophe is a value, not statement text.
    rows = db.select({QStringLiteral("DM_FPHYFL"),
                      {QStringLiteral("HYFLDM")},
                      QStringLiteral("HYFLMC"),
                      QStringLiteral("批发'零售")});
    ASSERT_TRUE(rows.has_value());
    EXPECT_EQ(rows->value(0, QStringLiteral("HYFLDM")), QStringLiteral("0400"));
    EXPECT_EQ(db.tableNames(), (QStringList{QStringLiteral("FPB_TZ"), QStringLiteral("DM_FPHYFL")}));
    EXPECT_EQ(db.table(QStringLiteral("FPB_TZ"))->count(), 2);

    EXPECT_THROW(db.select({QStringLiteral("FPB_TZ"), {QStringLiteral("nosuch")}, {}, {}}), Failure);
    EXPECT_THROW(db.select({QStringLiteral("KPZH"), {QStringLiteral("NSRSBM")}, {}, {}}), Failure);

    writeSqlite(path, {QStringLiteral("update FPB_TZ set DQKYH='00000002' where ZTID=3")});
    db.close();
    EXPECT_FALSE(db.isOpen());
    rows = db.select(bookRead()); // reopened on demand
    ASSERT_TRUE(rows.has_value());
    EXPECT_EQ(rows->value(0, QStringLiteral("DQKYH")), QStringLiteral("00000002"));
    EXPECT_TRUE(prompter.shown().isEmpty());
}

// Every file that cannot be read gives one connection message naming the reason, and no read.
TEST(IssuingDatabase, FilesItCannotReadGiveOneConnectionMessage)
{
    const QByteArray jet4 = fixture(QStringLiteral("DateTestDatabase.mdb"));
    const QByteArray ace = fixture(QStringLiteral("ASampleDatabase.accdb"));
    ASSERT_FALSE(jet4.isEmpty());
    QByteArray headerOnly(2048, '\0');
    headerOnly.replace(0, 19, QByteArray("\x00\x01\x00\x00Standard Jet DB", 19));
    QByteArray scrambled = jet4.left(4096);
    for (int i = 0; i < 20 * 4096; ++i)
        scrambled.append(static_cast<char>((i * 7919) % 251));
    QByteArray unknownVersion = ace;
    unknownVersion[0x14] = 9; // a version number no Access writes

    struct Case {
        const char* name;
        std::optional<QByteArray> bytes; // nullopt: no file at all
        QString reason;                  // a part of the text after "连接错误:"
    };
    const std::vector<Case> cases = {
        {"missing", std::nullopt, QStringLiteral("数据库文件不存在")},
        {"empty", QByteArray(), QStringLiteral("数据库文件不存在")},
        {"plain text", QByteArray("KPZH,FPB_TZ\r\n"), QStringLiteral("既不是SQLite数据库也不是Access数据库")},
        {"Jet header without pages", headerOnly, accessReason("读不出Access数据库")},
        {"Jet 4 cut after its first page", jet4.left(4096), accessReason("读不出Access数据库")},
        {"Jet 4 cut inside its catalogue", jet4.left(10000), accessReason("读不出Access数据库")},
        {"pages overwritten", scrambled, accessReason("已损坏，或在数据库密码之外另行加密")},
        {"unknown version", unknownVersion, accessReason("文件头无法识别")},
        {"SQLite header on garbage", QByteArray("SQLite format 3\0", 16) + QByteArray(4096, 'x'),
         QStringLiteral("file is not a database")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempFolder dir;
        const QString path = dir.file(QStringLiteral("DB_KP.mdb"));
        if (c.bytes)
            dir.write(QStringLiteral("DB_KP.mdb"), *c.bytes);
        RecordingPrompter prompter;
        IssuingDatabase db(path, prompter);
        EXPECT_FALSE(db.select(bookRead()).has_value());
        EXPECT_FALSE(db.isOpen());
        ASSERT_EQ(prompter.shown().size(), 1);
        EXPECT_EQ(prompter.shown()[0].kind, MessageBoxKind::Error);
        const QString text = prompter.shown()[0].text;
        EXPECT_TRUE(text.startsWith(QStringLiteral("连接错误:"))) << text.toStdString();
        EXPECT_TRUE(text.contains(c.reason)) << text.toStdString();
        EXPECT_EQ(QFile::exists(path), c.bytes.has_value()); // never created
    }
}
