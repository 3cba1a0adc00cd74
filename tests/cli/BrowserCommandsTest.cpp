// `corvina export`, `corvina edit` and `corvina delete`, run as the real executable.

#include "doubles/RecordingPrompter.h"
#include "support/BrowserSeed.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace corvina;
using namespace corvina::test;

namespace {

struct CommandRun {
    int status = -1;
    QString out;
    QString err;
};

struct AppFolder {
    TempFolder folder;
    RecordingPrompter prompter;

    explicit AppFolder(bool withTemplate = true)
    {
        if (withTemplate)
            folder.write(
                QStringLiteral("发票导出数据格式.xlsx"),
                fileBytes(QStringLiteral(CORVINA_SOURCE_DIR "/resources/") + QStringLiteral("发票导出数据格式.xlsx")));
        LocalStore store(folder.file(QStringLiteral("SysData.mdb")), prompter);
        EXPECT_TRUE(store.open());
        for (const char* id : {"A", "B", "C"})
            seedDocument(store, {QString::fromLatin1(id)});
    }
    CommandRun run(QStringList args)
    {
        args.insert(1, QStringLiteral("--app-folder"));
        args.insert(2, folder.path());
        QProcess p;
        p.setStandardInputFile(QProcess::nullDevice()); // questions are answered No without --yes
        p.start(QStringLiteral(CORVINA_BIN_DIR "/corvina"), args);
        p.waitForFinished(120000);
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                test::programText(p.readAllStandardOutput()), test::programText(p.readAllStandardError())};
    }
    QStringList stored()
    {
        LocalStore store(folder.file(QStringLiteral("SysData.mdb")), prompter);
        QStringList ids;
        for (const char* id : {"A", "B", "C"})
            if (storedHeader(store, QString::fromLatin1(id)).count() == 1)
                ids << QString::fromLatin1(id);
        return ids;
    }
    // Column B (document numbers) of rows 2.. as openpyxl reads them.
    QStringList exportedDocuments(const QString& path)
    {
        QProcess py;
        py.start(QStringLiteral("/usr/bin/python3"), {dataPath(QStringLiteral("export/read_xlsx.py")), path});
        py.waitForFinished(120000);
        const QJsonObject cells = QJsonDocument::fromJson(py.readAllStandardOutput())
                                      .object()
                                      .value(QStringLiteral("sheets"))
                                      .toArray()
                                      .at(0)
                                      .toObject()
                                      .value(QStringLiteral("cells"))
                                      .toObject();
        QStringList ids;
        for (int row = 2; cells.contains(QStringLiteral("B%1").arg(row)); ++row)
            ids << cells.value(QStringLiteral("B%1").arg(row)).toString().mid(2);
        return ids;
    }
};

} // namespace

// Linux only: the exported workbook is read back with openpyxl.
TEST(BrowserCommands, LinuxOnly_Export)
{
    const struct {
        const char* name;
        QStringList args;
        bool existing;
        int status;
        QStringList exported;    // empty: the target is not (re)written
        bool ownTemplate = true; // the application folder holds the template
    } cases[] = {
        {"all listed", {"export", "--out", "OUT"}, false, 0, {"A", "B", "C"}},
        // The template shipped beside the executable serves an application folder without one.
        {"template beside the executable", {"export", "--out", "OUT"}, false, 0, {"A", "B", "C"}, false},
        {"named documents", {"export", "--out", "OUT", "--doc", "C", "--doc", "A"}, false, 0, {"A", "C"}},
        {"existing file, no --yes", {"export", "--out", "OUT"}, true, 1, {}},
        {"existing file, --yes", {"export", "--out", "OUT", "--yes"}, true, 0, {"A", "B", "C"}},
        {"unknown document", {"export", "--out", "OUT", "--doc", "Z"}, false, 1, {}},
        {"issued state lists nothing", {"export", "--out", "OUT", "--state", "1"}, false, 1, {}},
        {"no --out", {"export"}, false, 2, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        AppFolder app(c.ownTemplate);
        const QString out = app.folder.file(QStringLiteral("导出.xlsx"));
        if (c.existing)
            app.folder.write(QStringLiteral("导出.xlsx"), "keep me");
        QStringList args = c.args;
        args.replaceInStrings(QStringLiteral("OUT"), out);
        const CommandRun r = app.run(args);
        EXPECT_EQ(r.status, c.status) << r.err.toStdString();
        if (!c.exported.isEmpty()) {
            EXPECT_EQ(app.exportedDocuments(out), c.exported);
            EXPECT_TRUE(r.err.contains(QStringLiteral("发票数据导出成功")));
        } else if (c.existing) {
            EXPECT_EQ(fileBytes(out), QByteArray("keep me"));
        } else {
            EXPECT_FALSE(QFileInfo::exists(out));
        }
    }
}

TEST(BrowserCommands, EditAndDelete)
{
    const struct {
        const char* name;
        QStringList args;
        int status;
        QStringList left;
        QString fokOfB;
    } cases[] = {
        {"edit", {"edit", "B", "--code", "3100", "--number", "42", "--state", "已开票"}, 0, {"A", "B", "C"}, "1"},
        {"edit with an unknown state",
         {"edit", "B", "--code", "1", "--number", "2", "--state", "x"},
         1,
         {"A", "B", "C"},
         "0"},
        {"edit of an unknown document",
         {"edit", "Z", "--code", "1", "--number", "2", "--state", "已开票"},
         1,
         {"A", "B", "C"},
         "0"},
        {"edit without state", {"edit", "B", "--code", "1", "--number", "2"}, 2, {"A", "B", "C"}, "0"},
        {"delete named, --yes", {"delete", "--doc", "B", "--yes"}, 0, {"A", "C"}, QString()},
        {"delete without --yes", {"delete", "--doc", "B"}, 1, {"A", "B", "C"}, "0"},
        {"delete all listed", {"delete", "--yes"}, 0, {}, QString()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        AppFolder app;
        const CommandRun r = app.run(c.args);
        EXPECT_EQ(r.status, c.status) << r.err.toStdString();
        EXPECT_EQ(app.stored(), c.left);
        LocalStore store(app.folder.file(QStringLiteral("SysData.mdb")), app.prompter);
        EXPECT_EQ(storedHeader(store, QStringLiteral("B")).value(0, QStringLiteral("FOK")), c.fokOfB);
    }
}
