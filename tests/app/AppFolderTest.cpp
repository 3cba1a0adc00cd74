#include "app/AppFolder.h"
#include "app/Settings.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace corvina;

namespace {

const QString kTemplate = QStringLiteral("发票导出数据格式.xlsx");

} // namespace

TEST(AppFolder, ChosenByOverrideEnvironmentAndLayout)
{
    test::TempFolder root;
    // An installed layout, a build folder, a portable copy that happens to sit beside a share
    // folder, and a layout whose share/corvina is a file.
    root.write(QStringLiteral("usr/share/corvina/sysconfig.ini"), "[sys]\r\nkaippath=D:\\kp\r\n");
    root.write(QStringLiteral("usr/share/corvina/") + kTemplate, "template");
    QDir().mkpath(root.file(QStringLiteral("usr/bin")));
    QDir().mkpath(root.file(QStringLiteral("build/bin")));
    root.write(QStringLiteral("portable/share/corvina/sysconfig.ini"), "x");
    QDir().mkpath(root.file(QStringLiteral("portable/Corvina")));
    root.write(QStringLiteral("odd/share/corvina"), "a file");
    QDir().mkpath(root.file(QStringLiteral("odd/bin")));

    const QString user = root.file(QStringLiteral("home/.local/share/Corvina"));
    const QString given = root.file(QStringLiteral("given"));
    struct Case {
        const char* what;
        QString overrideFolder;
        QString environment;
        QString executable;
        bool hasUserFolder;
        QString expected; // without the trailing separator
        bool seeded;
    } cases[] = {
        {"installed", {}, {}, root.file(QStringLiteral("usr/bin")), true, user, true},
        {"installed, exe folder with a trailing separator",
         {},
         {},
         root.file(QStringLiteral("usr/bin/")),
         true,
         user,
         true},
        {"installed, no user folder known",
         {},
         {},
         root.file(QStringLiteral("usr/bin")),
         false,
         root.file(QStringLiteral("usr/bin")),
         false},
        {"installed, --app-folder wins", given, {}, root.file(QStringLiteral("usr/bin")), true, given, false},
        {"installed, environment wins", {}, given, root.file(QStringLiteral("usr/bin")), true, given, false},
        {"build folder",
         {},
         {},
         root.file(QStringLiteral("build/bin")),
         true,
         root.file(QStringLiteral("build/bin")),
         false},
        {"portable copy",
         {},
         {},
         root.file(QStringLiteral("portable/Corvina")),
         true,
         root.file(QStringLiteral("portable/Corvina")),
         false},
        {"share/corvina is a file",
         {},
         {},
         root.file(QStringLiteral("odd/bin")),
         true,
         root.file(QStringLiteral("odd/bin")),
         false},
    };
    for (const Case& c : cases) {
        QDir(user).removeRecursively();
        int asked = 0;
        AppFolderSources sources{c.overrideFolder, c.environment, c.executable, [&] {
                                     ++asked;
                                     return c.hasUserFolder ? user : QString();
                                 }};
        EXPECT_EQ(resolveAppFolder(sources), QDir::toNativeSeparators(QDir::cleanPath(c.expected)) + QDir::separator())
            << c.what;
        EXPECT_EQ(QFile::exists(user + QStringLiteral("/sysconfig.ini")), c.seeded) << c.what;
        EXPECT_EQ(QFile::exists(user + QLatin1Char('/') + kTemplate), c.seeded) << c.what;
        // The user's folder is neither asked for nor made when the layout is not an installed one.
        if (c.overrideFolder.isEmpty() && c.environment.isEmpty() && c.expected != user && c.hasUserFolder) {
            EXPECT_EQ(asked, 0) << c.what;
        }
    }
}

TEST(AppFolder, SeedingCopiesWhatIsMissingAndKeepsWhatTheUserChanged)
{
    test::TempFolder root;
    const QString data = root.file(QStringLiteral("share/corvina"));
    root.write(QStringLiteral("share/corvina/sysconfig.ini"), "[sys]\r\nkaippath=D:\\kp\r\n");
    root.write(QStringLiteral("share/corvina/") + kTemplate, "template bytes");
    QFile::setPermissions(data + QStringLiteral("/sysconfig.ini"), QFile::ReadOwner | QFile::ReadGroup);
    const QString user = root.file(QStringLiteral("home/a/b/Corvina"));

    // First start: the folder is made (with its parents) and both files are copied.
    ASSERT_TRUE(seedAppFolder(user, data));
    EXPECT_EQ(test::fileBytes(user + QStringLiteral("/sysconfig.ini")), QByteArray("[sys]\r\nkaippath=D:\\kp\r\n"));
    EXPECT_EQ(test::fileBytes(user + QLatin1Char('/') + kTemplate), QByteArray("template bytes"));
    // The installed copy is read-only; the user's copy is the user's to edit.
    EXPECT_TRUE(QFile::permissions(user + QStringLiteral("/sysconfig.ini")) & QFile::WriteOwner);

    // Later starts: a changed file stays as it is; a deleted one comes back.
    root.write(QStringLiteral("home/a/b/Corvina/sysconfig.ini"), "[sys]\r\nkaippath=E:\\mine\r\n");
    QFile::remove(user + QLatin1Char('/') + kTemplate);
    ASSERT_TRUE(seedAppFolder(user, data));
    EXPECT_EQ(test::fileBytes(user + QStringLiteral("/sysconfig.ini")), QByteArray("[sys]\r\nkaippath=E:\\mine\r\n"));
    EXPECT_EQ(test::fileBytes(user + QLatin1Char('/') + kTemplate), QByteArray("template bytes"));

    // A folder that cannot be made (a file stands in its way) is reported, not crashed on.
    root.write(QStringLiteral("blocked"), "file");
    EXPECT_FALSE(seedAppFolder(root.file(QStringLiteral("blocked/Corvina")), data));
}

TEST(AppFolder, ShippedSettingsNameEveryKeyWithItsDefault)
{
    // A misspelt key would silently fall back to the default; each one must be present as written.
    const QString ini = QStringLiteral(CORVINA_SOURCE_DIR "/resources/sysconfig.ini");
    struct Case {
        const char* section;
        const char* key;
        QString value;
    } cases[] = {
        {"sys", "kaippath", kDefaultKaippath},         {"Merge", "HTBH", QStringLiteral("1")},
        {"Merge", "CKTZS", QStringLiteral("1")},       {"Merge", "KJBH", QStringLiteral("1")},
        {"Merge", "FHTZS", QStringLiteral("1")},       {"Merge", "CKXH", QStringLiteral("1")},
        {"Merge", "HXDH", QStringLiteral("1")},        {"Merge", "KPBZ", QStringLiteral("1")},
        {"Merge", "KPBZ_del_XT", QStringLiteral("0")},
    };
    for (const Case& c : cases)
        EXPECT_EQ(
            ReadSetting(ini, QString::fromLatin1(c.section), QString::fromLatin1(c.key), QStringLiteral("<none>")),
            c.value)
            << c.key;
}
