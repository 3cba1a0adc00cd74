// Every committed real-world workbook is read and compared cell by cell with what an
// independent reader saw in it (NAME.expected.json beside it).

#include "app/Failure.h"
#include "spreadsheet/Workbook.h"
#include "support/TestSupport.h"

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

// Where the oracle is known to differ from the file's meaning: the corrected type and text.
struct Correction {
    const char* file;
    const char* ref;
    const char* type;
    const char* text;
};
const Correction kCorrections[] = {
    // openpyxl leaves the escape in place; Excel reads a carriage return.
    {"has_x000D_.xlsx", "A1", "s", "ABC\r\nDEF"},
    // The file holds <text:tab/>; LibreOffice drops it when it writes the text to .xlsx.
    {"kinds/kinds.ods", "D5", "s", "a\tb"},
    // openpyxl writes formulas without their results: the reader sees uncalculated formulas where
    // LibreOffice computes them.
    {"kinds/kinds.xlsx", "A4", "", ""},
    {"kinds/kinds.xlsx", "B4", "", ""},
    {"kinds/kinds.xlsx", "C4", "", ""},
    {"kinds/kinds.xlsx", "D4", "", ""},
    // The writers store a formula's TRUE as a Boolean result; LibreOffice reads it back as the
    // number 1.
    {"kinds/kinds.xls", "D4", "b", "TRUE"},
    {"kinds/kinds-936.xls", "D4", "b", "TRUE"},
    {"kinds/kinds-1251.xls", "D4", "b", "TRUE"},
    {"kinds/kinds-1252.xls", "D4", "b", "TRUE"},
    {"kinds/kinds-nocp.xls", "D4", "b", "TRUE"},
    // LibreOffice's import of XML spreadsheets leaves Boolean cells empty and takes a formula's
    // cached Boolean for the number it computes; the file says TRUE and FALSE.
    {"kinds/kinds.xml", "C2", "b", "TRUE"},
    {"kinds/kinds.xml", "C3", "b", "FALSE"},
    {"kinds/kinds.xml", "D4", "b", "TRUE"},
    // LibreOffice reads DateTime values before March 1900 one day late (it has no 29 February
    // 1900); Excel's serials, which Gnumeric also reads, are 1.5 and times of day below 1.
    {"kinds/kinds.xml", "C5", "d", "1900-01-01 12:00:00"},
    {"kinds/kinds.xml", "F2", "d", "15:10:10"},
    {"kinds/kinds.xml", "F5", "d", "00:00:01"},
    // xlrd gives a time of day as a date-time on 31 December 1899; a time-only format reads as the
    // time alone.
    {"old/biff2.xls", "D2", "d", "12:00:00"},
    {"old/biff3.xls", "D2", "d", "12:00:00"},
    {"old/biff4.xls", "D2", "d", "12:00:00"},
};

// Sheet names the oracle changed: Gnumeric could not write другой and 数据 in code page 1252 (数据
// in 1251) and wrote question marks, which LibreOffice does not take as a sheet name.
const struct {
    const char* file;
    const char* oracleName;
    const char* name;
} kSheetRenames[] = {
    {"kinds/kinds-1251.xls", "Sheet4", "??"},
    {"kinds/kinds-1252.xls", "Sheet3", "??????"},
    {"kinds/kinds-1252.xls", "Sheet4", "??"},
    {"kinds/kinds-nocp.xls", "Sheet3", "??????"},
    {"kinds/kinds-nocp.xls", "Sheet4", "??"},
    // A file of one worksheet names none: xlrd calls it "Sheet 1", the reader "Sheet1" (what the
    // import asks for).
    {"old/biff2.xls", "Sheet 1", "Sheet1"},
    {"old/biff3.xls", "Sheet 1", "Sheet1"},
    {"old/biff4.xls", "Sheet 1", "Sheet1"},
};

QString sheetName(const QString& file, const QString& oracleName)
{
    for (const auto& r : kSheetRenames)
        if (file == QLatin1String(r.file) && oracleName == QLatin1String(r.oracleName))
            return QString::fromUtf8(r.name);
    return oracleName;
}

const Correction* correction(const QString& file, const QString& ref)
{
    for (const Correction& c : kCorrections)
        if (file == QLatin1String(c.file) && ref == QLatin1String(c.ref))
            return &c;
    return nullptr;
}

void compareWithOracle(const QString& file, const QJsonArray& sheets, const QString& oracleFile)
{
    auto book = Workbook::open(test::dataPath(QStringLiteral("workbooks/") + file));
    QStringList expectedNames;
    for (const auto& s : sheets)
        expectedNames << sheetName(file, s.toObject().value(QStringLiteral("sheet")).toString());
    EXPECT_EQ(book->sheetNames(), expectedNames) << file.toStdString();

    for (const auto& s : sheets) {
        const QJsonObject sheetObj = s.toObject();
        const QString name = sheetName(file, sheetObj.value(QStringLiteral("sheet")).toString());
        const auto seen = cellsOf(book->worksheet(name));
        const QJsonArray cells = sheetObj.value(QStringLiteral("cells")).toArray();
        size_t expected = static_cast<size_t>(cells.size());
        for (const Correction& c : kCorrections) // cells the oracle missed
            if (file == QLatin1String(c.file) && sheetObj.value(QStringLiteral("sheet")).toString() == u"Sheet1") {
                bool listed = false;
                for (const auto& cell : cells)
                    listed = listed || cell.toObject().value(QStringLiteral("ref")).toString() == QLatin1String(c.ref);
                expected += listed ? 0 : 1;
            }
        EXPECT_EQ(seen.size(), expected) << file.toStdString() << " " << name.toStdString();
        for (const Correction& c : kCorrections) {
            if (file != QLatin1String(c.file) || name != u"Sheet1")
                continue;
            const auto it = seen.find(position(QLatin1String(c.ref)));
            ASSERT_NE(it, seen.end()) << c.file << " " << c.ref;
            EXPECT_EQ(it->second.type, QLatin1String(c.type)) << c.file << " " << c.ref;
            EXPECT_EQ(it->second.text, QString::fromUtf8(c.text)) << c.file << " " << c.ref;
        }
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
            if (const Correction* c = correction(file, ref)) {
                EXPECT_EQ(got.type, QLatin1String(c->type)) << where;
                EXPECT_EQ(got.text, QString::fromUtf8(c->text)) << where;
                continue;
            }
            EXPECT_EQ(got.type.toStdString(), t.toStdString()) << where;
            if (t == QLatin1String("n"))
                EXPECT_DOUBLE_EQ(got.number, v.toDouble()) << where;
            else if (t == QLatin1String("b"))
                EXPECT_EQ(got.text, v.toBool() ? QStringLiteral("TRUE") : QStringLiteral("FALSE")) << where;
            else if (t == QLatin1String("d"))
                EXPECT_EQ(got.text, dateText(v.toString())) << where;
            else
                EXPECT_EQ(got.text, v.toString()) << where;
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

TEST(WorkbookFixtures, EveryKindChosenByContentUnderAnyName)
{
    // Business systems export XML spreadsheets as .xls; an .ods or a bare stream may be renamed too.
    test::TempFolder dir;
    for (const char* from :
         {"kinds/kinds.ods", "kinds/kinds.xml", "kinds/kinds-936.xls", "biff/kinds-bare.xls", "kinds/kinds.xlsx"}) {
        for (const char* to : {"book.xls", "book.xlsx", "book.dat"}) {
            SCOPED_TRACE(std::string(from) + " as " + to);
            const QString target = dir.file(QString::fromLatin1(to));
            QFile::remove(target);
            ASSERT_TRUE(QFile::copy(test::dataPath(QStringLiteral("workbooks/") + QLatin1String(from)), target));
            auto book = Workbook::open(target);
            EXPECT_EQ(book->worksheet(QStringLiteral("sheet1")).cell(3, 1).text, QStringLiteral("1001"));
        }
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

TEST(WorkbookFixtures, EveryKindReadsAsLibreOfficeReadsIt)
{
    // The same workbook as .xlsx (openpyxl), .ods and BIFF8 .xls (LibreOffice), BIFF5 .xls in three
    // code pages and without a code page record (Gnumeric) and as an XML spreadsheet (a script).
    const QStringList files = QDir(test::dataPath(QStringLiteral("workbooks/kinds")))
                                  .entryList({QStringLiteral("*.xls"), QStringLiteral("*.xlsx"),
                                              QStringLiteral("*.ods"), QStringLiteral("*.xml")},
                                             QDir::Files);
    ASSERT_EQ(files.size(), 8);
    for (const QString& name : files) {
        SCOPED_TRACE(name.toStdString());
        const QString file = QStringLiteral("kinds/") + name;
        compareWithOracle(file, oracle(file).value(QStringLiteral("sheets")).toArray(), file);
    }
}

TEST(WorkbookFixtures, SharedStringsCutAtEveryContinueBoundary)
{
    // Wide and compressed characters cut mid-string, a header ending its record, rich-text runs and
    // phonetic blocks going on in the next record, empty CONTINUE records, a string over several
    // records; in a compound file and as a bare workbook stream.
    for (const char* name : {"biff/continue.xls", "biff/continue-bare.xls", "biff/continue-empty.xls"}) {
        SCOPED_TRACE(name);
        const QString file = QString::fromLatin1(name);
        compareWithOracle(file, oracle(file).value(QStringLiteral("sheets")).toArray(), file);
    }
}

TEST(WorkbookFixtures, BareWorkbookStreamsReadLikeTheirCompoundFiles)
{
    // The workbook streams LibreOffice (BIFF8) and Gnumeric (BIFF5) wrote, taken out of their files.
    const struct {
        const char* bare;
        const char* wrapped;
    } pairs[] = {{"biff/kinds-bare.xls", "kinds/kinds.xls"}, {"biff/kinds-936-bare.xls", "kinds/kinds-936.xls"}};
    for (const auto& p : pairs) {
        SCOPED_TRACE(p.bare);
        auto bare = Workbook::open(test::dataPath(QStringLiteral("workbooks/") + QLatin1String(p.bare)));
        auto wrapped = Workbook::open(test::dataPath(QStringLiteral("workbooks/") + QLatin1String(p.wrapped)));
        ASSERT_EQ(bare->sheetNames(), wrapped->sheetNames());
        for (const QString& sheet : bare->sheetNames()) {
            const auto got = cellsOf(bare->worksheet(sheet));
            const auto want = cellsOf(wrapped->worksheet(sheet));
            ASSERT_EQ(got.size(), want.size()) << sheet.toStdString();
            EXPECT_GT(got.size(), 0u);
            for (const auto& [at, cell] : want) {
                const auto it = got.find(at);
                ASSERT_NE(it, got.end());
                EXPECT_EQ(it->second.type, cell.type);
                EXPECT_EQ(it->second.text, cell.text);
            }
        }
    }
}

TEST(WorkbookFixtures, CellsWrittenColumnByColumnReadRowByRow)
{
    // The sheet's records go back to row 1 for each column; the rows still come in order, whole.
    const QString file = QStringLiteral("biff/column-order.xls");
    compareWithOracle(file, oracle(file).value(QStringLiteral("sheets")).toArray(), file);
    auto book = Workbook::open(test::dataPath(QStringLiteral("workbooks/") + file));
    const auto rows = book->rows(QStringLiteral("sheet1"));
    SheetRow row;
    QStringList seen;
    while (rows->next(row)) {
        QStringList cells;
        for (const SheetRow::Cell& c : row.cells)
            cells << c.value.text;
        seen << QString::number(row.number) + QLatin1Char(':') + cells.join(QLatin1Char(','));
    }
    EXPECT_EQ(seen, (QStringList{QStringLiteral("1:r1c1,1,r1c3"), QStringLiteral("2:r2c1,2,r2c3"),
                                 QStringLiteral("3:r3c1,3,r3c3")}));
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

TEST(WorkbookFixtures, OldExcelWorksheetsReadAsXlrdReadsThem)
{
    // Excel 2, 3 and 4 worksheet files: labels in code page 936, numbers, integers and RK numbers,
    // a date and a time by their formats, booleans, an error, formulas with number, text and
    // boolean results.
    for (const char* name : {"old/biff2.xls", "old/biff3.xls", "old/biff4.xls"}) {
        SCOPED_TRACE(name);
        const QString file = QString::fromLatin1(name);
        compareWithOracle(file, oracle(file).value(QStringLiteral("sheets")).toArray(), file);
        auto book = Workbook::open(test::dataPath(QStringLiteral("workbooks/") + file));
        EXPECT_EQ(book->findSheet(QStringLiteral("sheet1")), 0);
    }
}

TEST(WorkbookFixtures, AFileCutShortKeepsEveryCellBeforeTheCut)
{
    // Excel's file of two sheets cut inside the second sheet's only cell: the first sheet whole,
    // the second without that cell, and the reason once its rows have ended.
    const QString file = QStringLiteral("old/cut-short.xls");
    compareWithOracle(file, oracle(file).value(QStringLiteral("sheets")).toArray(), file);
    auto book = Workbook::open(test::dataPath(QStringLiteral("workbooks/") + file));
    const struct {
        const char* sheet;
        bool cut;
    } sheets[] = {{"Sheet1", false}, {"Sheet2", true}};
    for (const auto& c : sheets) {
        const auto rows = book->rows(QString::fromLatin1(c.sheet));
        SheetRow row;
        while (rows->next(row)) {
        }
        EXPECT_EQ(!rows->cutShort().isEmpty(), c.cut) << c.sheet;
    }
}

// The records of a bare BIFF stream: offset and length of each.
std::vector<std::pair<qsizetype, int>> records(const QByteArray& stream)
{
    std::vector<std::pair<qsizetype, int>> out;
    for (qsizetype at = 0; at + 4 <= stream.size();) {
        const int size = static_cast<uchar>(stream[at + 2]) | (static_cast<uchar>(stream[at + 3]) << 8);
        out.emplace_back(at, size);
        at += 4 + size;
    }
    return out;
}

TEST(WorkbookFixtures, OnlyACutAtTheEndIsReadPast)
{
    QFile f(test::dataPath(QStringLiteral("workbooks/old/biff3.xls")));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray whole = f.readAll();
    const auto recs = records(whole);
    ASSERT_GT(recs.size(), 4u);
    const auto last = recs[recs.size() - 2]; // the last cell, before EOF
    const auto middle = recs[recs.size() - 6];
    auto withSize = [&](qsizetype at, int size) {
        QByteArray b = whole;
        b[at + 2] = static_cast<char>(size & 0xFF);
        b[at + 3] = static_cast<char>(size >> 8);
        return b;
    };
    const struct {
        const char* what;
        QByteArray bytes;
        bool read;     // the rows are given
        bool cutShort; // and end with the reason
        int cells;     // how many, when read
    } cases[] = {
        {"whole", whole, true, false, 18},
        {"cut inside the last cell", whole.left(last.first + 4 + last.second / 2), true, true, 17},
        {"cut inside the last cell's header", whole.left(last.first + 2), true, true, 17},
        {"EOF gone", whole.left(last.first + 4 + last.second), true, false, 18},
        {"a record in the middle too short for its cell",
         withSize(middle.first, 3).left(middle.first + 7) + whole.mid(middle.first + 4 + middle.second), false, false,
         0},
        {"a length no record has, running past the end", withSize(last.first, 0xF000), false, false, 0},
    };
    test::TempFolder dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const QString path = dir.file(QStringLiteral("case.xls"));
        QFile out(path);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(c.bytes);
        out.close();
        int cells = 0;
        QString cut;
        try {
            auto book = Workbook::open(path);
            const auto rows = book->rows(QStringLiteral("sheet1"));
            SheetRow row;
            while (rows->next(row))
                cells += static_cast<int>(row.cells.size());
            cut = rows->cutShort();
            EXPECT_TRUE(c.read);
        } catch (const Failure& failure) {
            EXPECT_FALSE(c.read) << failure.message().toStdString();
            continue;
        }
        EXPECT_EQ(cells, c.cells);
        EXPECT_EQ(!cut.isEmpty(), c.cutShort) << cut.toStdString();
    }
}
