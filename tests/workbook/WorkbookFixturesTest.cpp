// Every committed real-world workbook is read and compared cell by cell with what an
// independent reader saw in it (NAME.expected.json beside it).

#include "app/Failure.h"
#include "support/TestSupport.h"
#include "workbook/Workbook.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>
#include <map>

using namespace corvina;

namespace {

struct Seen {
    QString type;
    QString text;
    double number = 0;
};

std::map<std::pair<int, int>, Seen> cellsOf(const Worksheet& sheet)
{
    std::map<std::pair<int, int>, Seen> out;
    sheet.forEachCell([&](int row, int column, const CellValue& v) {
        out[{row, column}] = Seen{cellTypeCode(v.type), v.text, v.number};
    });
    return out;
}

// "BC12" -> (12, 55)
std::pair<int, int> position(const QString& ref)
{
    int column = 0;
    int i = 0;
    for (; i < ref.size() && ref.at(i).isLetter(); ++i)
        column = column * 26 + (ref.at(i).unicode() - u'A' + 1);
    return {ref.mid(i).toInt(), column};
}

// The oracle writes dates as ISO date-times; the import shows them without a zero time.
QString dateText(const QString& iso)
{
    QString t = iso;
    t.replace(QLatin1Char('T'), QLatin1Char(' '));
    if (t.endsWith(QLatin1String(" 00:00:00")))
        t.chop(9);
    return t;
}

// Where the oracle is known to differ from the file's meaning.
QString corrected(const QString& file, const QString& ref, const QString& text)
{
    if (file == QLatin1String("has_x000D_.xlsx") && ref == QLatin1String("A1"))
        return QStringLiteral("ABC\r\nDEF");
    return text;
}

void compareWithOracle(const QString& file, const QJsonArray& sheets, const QString& oracleFile)
{
    auto book = Workbook::open(test::dataPath(QStringLiteral("workbooks/") + file));
    QStringList expectedNames;
    for (const auto& s : sheets)
        expectedNames << s.toObject().value(QStringLiteral("sheet")).toString();
    EXPECT_EQ(book->sheetNames(), expectedNames) << file.toStdString();

    for (const auto& s : sheets) {
        const QJsonObject sheetObj = s.toObject();
        const QString name = sheetObj.value(QStringLiteral("sheet")).toString();
        const auto seen = cellsOf(book->worksheet(name));
        const QJsonArray cells = sheetObj.value(QStringLiteral("cells")).toArray();
        EXPECT_EQ(seen.size(), static_cast<size_t>(cells.size())) << file.toStdString() << " " << name.toStdString();
        for (const auto& c : cells) {
            const QJsonObject cell = c.toObject();
            const QString ref = cell.value(QStringLiteral("ref")).toString();
            const QString t = cell.value(QStringLiteral("t")).toString();
            const QJsonValue v = cell.value(QStringLiteral("v"));
            const std::string where = (oracleFile + QLatin1Char(' ') + name + QLatin1Char('!') + ref).toStdString();
            const auto it = seen.find(position(ref));
            if (it == seen.end()) {
                ADD_FAILURE() << where << " missing";
                continue;
            }
            const Seen& got = it->second;
            EXPECT_EQ(got.type.toStdString(), t.toStdString()) << where;
            if (t == QLatin1String("n"))
                EXPECT_DOUBLE_EQ(got.number, v.toDouble()) << where;
            else if (t == QLatin1String("b"))
                EXPECT_EQ(got.text, v.toBool() ? QStringLiteral("TRUE") : QStringLiteral("FALSE")) << where;
            else if (t == QLatin1String("d"))
                EXPECT_EQ(got.text, dateText(v.toString())) << where;
            else
                EXPECT_EQ(got.text, corrected(file, ref, v.toString())) << where;
        }
    }
}

QJsonObject oracle(const QString& file)
{
    QFile f(test::dataPath(QStringLiteral("workbooks/") + file + QStringLiteral(".expected.json")));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << file.toStdString();
    return QJsonDocument::fromJson(f.readAll()).object();
}

} // namespace

TEST(WorkbookFixtures, EveryFixtureWithAnOracleReadsAsTheOracleSaw)
{
    const QStringList files = QDir(test::dataPath(QStringLiteral("workbooks")))
                                  .entryList({QStringLiteral("*.xls"), QStringLiteral("*.xlsx")}, QDir::Files);
    ASSERT_EQ(files.size(), 18);
    int compared = 0;
    for (const QString& file : files) {
        const QJsonObject o = oracle(file);
        const QJsonArray sheets = o.value(QStringLiteral("sheets")).toArray();
        if (o.value(QStringLiteral("reader")).isNull() || sheets.isEmpty())
            continue; // no oracle: checked one by one below
        SCOPED_TRACE(file.toStdString());
        compareWithOracle(file, sheets, file);
        ++compared;
    }
    EXPECT_EQ(compared, 15);
}

TEST(WorkbookFixtures, StrictFileReadsLikeItsTransitionalTwin)
{
    const QJsonArray sheets =
        oracle(QStringLiteral("transitional-openoffice.xlsx")).value(QStringLiteral("sheets")).toArray();
    compareWithOracle(QStringLiteral("strict-openoffice.xlsx"), sheets, QStringLiteral("transitional-openoffice.xlsx"));
}

TEST(WorkbookFixtures, FilesWithoutOracle)
{
    {
        auto book = Workbook::open(test::dataPath(QStringLiteral("workbooks/minimal_package.xlsx")));
        ASSERT_EQ(book->sheetNames(), QStringList{QStringLiteral("Sheet1")});
        const CellValue a3 = book->worksheet(QStringLiteral("sheet1")).cell(3, 1);
        EXPECT_EQ(a3.type, CellType::Text);
        EXPECT_EQ(a3.text, QStringLiteral("BKG_NUM"));
    }
    {
        auto book = Workbook::open(test::dataPath(QStringLiteral("workbooks/strict_iso_paths.xlsx")));
        ASSERT_EQ(book->sheetNames().size(), 1);
        std::map<QString, int> counts;
        book->worksheet(book->sheetNames().first()).forEachCell([&](int, int, const CellValue& v) {
            ++counts[cellTypeCode(v.type)];
        });
        EXPECT_EQ(counts[QStringLiteral("s")], 51);
        EXPECT_EQ(counts[QStringLiteral("n")] + counts[QStringLiteral("d")], 1317);
    }
}

TEST(WorkbookFixtures, ReaderChosenByContentNotByName)
{
    test::TempFolder dir;
    const struct {
        const char* from;
        const char* to;
    } renames[] = {{"issues.xlsx", "issues.xls"}, {"issues.xls", "issues.xlsx"}, {"issues.xls", "issues.dat"}};
    for (const auto& r : renames) {
        const QString target = dir.file(QString::fromLatin1(r.to));
        QFile::remove(target);
        ASSERT_TRUE(QFile::copy(test::dataPath(QStringLiteral("workbooks/") + QString::fromLatin1(r.from)), target));
        auto book = Workbook::open(target);
        EXPECT_EQ(book->worksheet(QStringLiteral("DataTypes")).cell(3, 1).text, QStringLiteral("ab")) << r.to;
    }
}

TEST(WorkbookFixtures, OpensWorkbooksUnderChineseNames)
{
    // Clerks keep their workbooks in folders with Chinese names; the path reaches every reader
    // whole, whatever the system's code page.
    test::TempFolder dir;
    const struct {
        const char* from;
        const char* to;
    } copies[] = {{"issues.xlsx", "销售单据/十二月 销售.xlsx"}, {"issues.xls", "销售单据/十二月 销售.xls"}};
    for (const auto& c : copies) {
        const QString target = dir.file(QString::fromUtf8(c.to));
        ASSERT_TRUE(QDir().mkpath(QFileInfo(target).absolutePath()));
        ASSERT_TRUE(QFile::copy(test::dataPath(QStringLiteral("workbooks/") + QString::fromLatin1(c.from)), target));
        auto book = Workbook::open(target);
        EXPECT_EQ(book->worksheet(QStringLiteral("DataTypes")).cell(3, 1).text, QStringLiteral("ab")) << c.to;
    }
}
