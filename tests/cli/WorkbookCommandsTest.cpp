#include "support/TestSupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace {

corvina::test::ProcessResult runWorkbookCommand(const QStringList& args)
{
    return corvina::test::runProgram(QStringLiteral("corvina"), args);
}

QString workbook(const QString& name)
{
    return corvina::test::dataPath(QStringLiteral("workbooks/") + name);
}

// The log lines without their time stamps.
QStringList logTexts(const QString& out)
{
    QStringList lines = out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (QString& l : lines)
        l = l.mid(22);
    return lines;
}

} // namespace

TEST(WorkbookCommands, ImportPrintsTheLogAndExitsByTheFailurePath)
{
    corvina::test::TempFolder dir;
    const auto ok = runWorkbookCommand({QStringLiteral("import"), workbook(QStringLiteral("import/gaps.xlsx")),
                                        QStringLiteral("--app-folder"), dir.path()});
    EXPECT_EQ(ok.status, 0) << ok.err.toStdString();
    EXPECT_EQ(logTexts(ok.out),
              (QStringList{QStringLiteral("开始处理EXCEL文件数据的正确性"), QStringLiteral("该EXCEL文件一共含2张发票!"),
                           QStringLiteral("1001该销售单据的数据正确，处理成功"),
                           QStringLiteral("1002该销售单据的数据正确，处理成功"), QStringLiteral("EXCEL文件处理完成")}));
    const auto lines = runWorkbookCommand(
        {QStringLiteral("lines"), QStringLiteral("1001"), QStringLiteral("--app-folder"), dir.path()});
    EXPECT_EQ(lines.out.count(QLatin1Char('\n')), 3); // captions and two lines

    const auto failed = runWorkbookCommand({QStringLiteral("import"), workbook(QStringLiteral("import/amounts.xlsx")),
                                            QStringLiteral("--app-folder"), dir.path()});
    EXPECT_EQ(failed.status, 1);
    EXPECT_EQ(failed.err.trimmed(), QStringLiteral("[错误] 连接错误:第6行N列的金额“abc”不是数字"));
    EXPECT_EQ(logTexts(failed.out).size(), 5); // the previous run's log was replaced

    const auto usage = runWorkbookCommand({QStringLiteral("import")});
    EXPECT_EQ(usage.status, 2);
}

TEST(WorkbookCommands, CellsShowsWhatTheImportReads)
{
    const auto json =
        runWorkbookCommand({QStringLiteral("cells"), workbook(QStringLiteral("issues.xls")), QStringLiteral("--sheet"),
                            QStringLiteral("DATATYPES"), QStringLiteral("--json")});
    ASSERT_EQ(json.status, 0) << json.err.toStdString();
    const QJsonArray cells = QJsonDocument::fromJson(json.out.toUtf8()).array();
    const QStringList expected = {QStringLiteral("A1 n 1"),    QStringLiteral("A2 n 1.5"),
                                  QStringLiteral("A3 s ab"),   QStringLiteral("A4 b FALSE"),
                                  QStringLiteral("A5 s test"), QStringLiteral("A6 d 2016-10-20")};
    QStringList seen;
    for (const auto& c : cells) {
        const QJsonObject o = c.toObject();
        seen << o.value(QStringLiteral("ref")).toString() + QLatin1Char(' ') + o.value(QStringLiteral("t")).toString() +
                    QLatin1Char(' ') + o.value(QStringLiteral("text")).toString();
    }
    EXPECT_EQ(seen, expected);

    // Default sheet "sheet1" in any case; texts untrimmed, control characters escaped.
    const auto plain = runWorkbookCommand({QStringLiteral("cells"), workbook(QStringLiteral("import/numbers.xlsx"))});
    ASSERT_EQ(plain.status, 0);
    EXPECT_TRUE(plain.out.contains(QStringLiteral("A2\ts\t 1001 \n")));
    EXPECT_TRUE(plain.out.contains(QStringLiteral("A3\ts\t1001\\t\n")));
    EXPECT_TRUE(plain.out.contains(QStringLiteral("A6\tn\t2001\n")));

    // Every kind streams the same JSON; times of day and durations as the README says.
    const struct {
        const char* file;
        const char* ref;
        const char* cell; // type and text
    } kinds[] = {
        {"kinds/kinds.ods", "F2", "d 15:10:10"},
        {"kinds/kinds.xml", "C5", "d 1900-01-01 12:00:00"},
        {"kinds/kinds.xlsx", "F5", "d 00:00:01"},
        {"kinds/kinds-936.xls", "A2", "s 中文文本"},
        {"biff/continue-bare.xls", "A2", "s 中文字符串跨越记录"},
    };
    for (const auto& k : kinds) {
        const auto run =
            runWorkbookCommand({QStringLiteral("cells"), workbook(QLatin1String(k.file)), QStringLiteral("--json")});
        ASSERT_EQ(run.status, 0) << k.file << run.err.toStdString();
        QJsonParseError error;
        const QJsonArray array = QJsonDocument::fromJson(run.out.toUtf8(), &error).array();
        ASSERT_EQ(error.error, QJsonParseError::NoError) << k.file;
        QString found;
        for (const auto& c : array)
            if (c.toObject().value(QStringLiteral("ref")).toString() == QLatin1String(k.ref))
                found = c.toObject().value(QStringLiteral("t")).toString() + QLatin1Char(' ') +
                        c.toObject().value(QStringLiteral("text")).toString();
        EXPECT_EQ(found, QString::fromUtf8(k.cell)) << k.file;
    }

    const auto missing =
        runWorkbookCommand({QStringLiteral("cells"), workbook(QStringLiteral("import/no_sheet1.xlsx"))});
    EXPECT_EQ(missing.status, 1);
    EXPECT_TRUE(missing.err.contains(QStringLiteral("没有名为“sheet1”的工作表"))) << missing.err.toStdString();
    EXPECT_TRUE(missing.out.isEmpty());
}
