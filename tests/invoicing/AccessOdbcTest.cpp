// The ODBC backend of Access files where no Access driver is installed (wine): every real Access
// file is refused with one message that says what to install, and is left as it was.
#include "doubles/RecordingPrompter.h"
#include "invoicing/IssuingDatabase.h"
#include "support/TestSupport.h"

#include <QCryptographicHash>
#include <QFile>
#include <gtest/gtest.h>

using namespace corvina;

TEST(AccessOdbc, WithoutTheDriverEveryAccessFileSaysWhatToInstall)
{
    const QString bits = QString::number(sizeof(void*) * 8);
    const QString installer = sizeof(void*) == 8 ? QStringLiteral("AccessDatabaseEngine_X64.exe")
                                                 : QStringLiteral("AccessDatabaseEngine.exe");
    for (const char* name : {"DateTestDatabase.mdb", "DateTestCjk.mdb", "nwind.mdb", "ASampleDatabase.accdb"}) {
        SCOPED_TRACE(name);
        test::TempFolder dir;
        QFile source(test::dataPath(QStringLiteral("access/") + QString::fromLatin1(name)));
        ASSERT_TRUE(source.open(QIODevice::ReadOnly));
        const QByteArray bytes = source.readAll();
        dir.write(QStringLiteral("DB_KP.mdb"), bytes);
        const QString path = dir.file(QStringLiteral("DB_KP.mdb"));

        RecordingPrompter prompter;
        IssuingDatabase db(path, prompter);
        EXPECT_FALSE(db.open());
        ASSERT_EQ(prompter.shown().size(), 1);
        const QString text = prompter.shown()[0].text;
        EXPECT_EQ(prompter.shown()[0].kind, MessageBoxKind::Error);
        EXPECT_TRUE(text.startsWith(QStringLiteral("连接错误:"))) << text.toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral("Microsoft Access Driver (*.mdb, *.accdb)"))) << text.toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral("本程序是") + bits + QStringLiteral("位程序"))) << text.toStdString();
        EXPECT_TRUE(text.contains(installer)) << text.toStdString();

        QFile after(path);
        ASSERT_TRUE(after.open(QIODevice::ReadOnly));
        EXPECT_EQ(QCryptographicHash::hash(after.readAll(), QCryptographicHash::Sha256),
                  QCryptographicHash::hash(bytes, QCryptographicHash::Sha256));
    }
}
