#include "spreadsheet/XlsxTemplateFiller.h"

#include "app/Failure.h"
#include "support/OpenpyxlReader.h"

#include <QJsonArray>
#include <gtest/gtest.h>

using namespace corvina;
using namespace corvina::test;

namespace {

QString copyFixture(const TempFolder& folder, const QString& fixture, const QString& name = QStringLiteral("out.xlsx"))
{
    folder.write(name, fileBytes(dataPath(fixture)));
    return folder.file(name);
}

// Fifteen distinct texts for worksheet row `row`.
QStringList rowTexts(int row)
{
    QStringList texts;
    for (int col = 1; col <= 15; ++col)
        texts << QStringLiteral("r%1c%2-值").arg(row).arg(col);
    return texts;
}

// Inside a merged range but not its top-left cell: readers show no value there.
bool hiddenByMerge(int row, int column, const QJsonArray& merged)
{
    for (const QJsonValue& v : merged) {
        const QStringList ends = v.toString().split(QLatin1Char(':'));
        int fromCol = 0, fromRow = 0, toCol = 0, toRow = 0;
        auto parse = [](const QString& ref, int* col, int* r) {
            int i = 0;
            for (; i < ref.size() && ref[i].isLetter(); ++i)
                *col = *col * 26 + (ref[i].unicode() - u'A' + 1);
            *r = ref.mid(i).toInt();
        };
        parse(ends.value(0), &fromCol, &fromRow);
        parse(ends.value(1), &toCol, &toRow);
        if (row >= fromRow && row <= toRow && column >= fromCol && column <= toCol &&
            !(row == fromRow && column == fromCol))
            return true;
    }
    return false;
}

QJsonObject firstSheet(const QJsonObject& book)
{
    return book.value(QStringLiteral("sheets")).toArray().at(0).toObject();
}

} // namespace

// The LinuxOnly_ tests read the written workbooks back with openpyxl (python) or LibreOffice, which
// the tests under wine cannot start.

// Everything of the template that lies outside the written cells survives: other cells, styles,
// widths, merged range, other sheets. The written cells read back as texts.
TEST(XlsxTemplateFiller, LinuxOnly_KeepsWhatTheTemplateHoldsOutsideTheWrittenCells)
{
    struct Case {
        const char* name;
        int rows;
        QString dimension;
    };
    const Case cases[] = {
        {"one row", 1, QStringLiteral("A1:Q8")},
        // Rows 2 to 11 run through the template's rows 2, 3, 5 and 8 and beyond its last row.
        {"ten rows", 10, QStringLiteral("A1:Q11")},
    };
    const QJsonObject before = readWithOpenpyxl(dataPath(QStringLiteral("export/rich_template.xlsx")));
    ASSERT_FALSE(before.isEmpty());

    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder folder;
        const QString path = copyFixture(folder, QStringLiteral("export/rich_template.xlsx"));
        QList<QStringList> rows;
        for (int i = 0; i < c.rows; ++i)
            rows << rowTexts(i + 2);
        XlsxTemplateFiller::fill(path, rows);

        QString error;
        const QJsonObject after = readWithOpenpyxl(path, &error);
        ASSERT_FALSE(after.isEmpty()) << error.toStdString();

        // Expected cells: the template's, with the written block laid over them.
        QJsonObject expected = firstSheet(before).value(QStringLiteral("cells")).toObject();
        for (int i = 0; i < c.rows; ++i)
            for (int col = 1; col <= 15; ++col)
                expected.insert(XlsxTemplateFiller::columnName(col) + QString::number(i + 2),
                                QStringLiteral("s:") + rows[i][col - 1]);
        const QJsonObject sheet = firstSheet(after);
        EXPECT_EQ(sheet.value(QStringLiteral("cells")).toObject(), expected);

        const QJsonObject oldSheet = firstSheet(before);
        for (const char* key : {"title", "merged", "widths", "row1height"})
            EXPECT_EQ(sheet.value(QLatin1String(key)), oldSheet.value(QLatin1String(key))) << key;
        // Styles of cells the export did not write stay as they were (row 1, P3, Q1...).
        const QJsonObject oldStyles = oldSheet.value(QStringLiteral("styles")).toObject();
        const QJsonObject newStyles = sheet.value(QStringLiteral("styles")).toObject();
        for (auto it = oldStyles.begin(); it != oldStyles.end(); ++it)
            EXPECT_EQ(newStyles.value(it.key()), it.value()) << it.key().toStdString();
        // A new cell in a column formatted as text takes the column's format.
        EXPECT_EQ(newStyles.value(QStringLiteral("F2")).toObject().value(QStringLiteral("numfmt")).toString(),
                  QStringLiteral("@"));

        const QJsonArray oldSheets = before.value(QStringLiteral("sheets")).toArray();
        const QJsonArray newSheets = after.value(QStringLiteral("sheets")).toArray();
        ASSERT_EQ(newSheets.size(), oldSheets.size());
        for (int i = 1; i < oldSheets.size(); ++i)
            EXPECT_EQ(newSheets.at(i), oldSheets.at(i));

        EXPECT_EQ(after.value(QStringLiteral("dimension_of_first")).toString(), c.dimension);
        EXPECT_TRUE(after.value(QStringLiteral("first_sheet_cells_in_order")).toBool());

        // The calculation chain is gone together with its content type and relationship.
        for (const char* key : {"parts", "content_types", "workbook_rels"})
            for (const QJsonValue& v : after.value(QLatin1String(key)).toArray())
                EXPECT_FALSE(v.toString().contains(QStringLiteral("calcChain"), Qt::CaseInsensitive)) << key;
        EXPECT_EQ(after.value(QStringLiteral("parts")).toArray().size(),
                  before.value(QStringLiteral("parts")).toArray().size() - 1);
    }
}

// Texts arrive exactly as given, however they look: no number, formula or escape interpretation.
TEST(XlsxTemplateFiller, LinuxOnly_TextsReadBackExactly)
{
    const QStringList texts = {
        QStringLiteral("0012"),
        QStringLiteral("=1+2"),
        QStringLiteral("1,234.50"),
        QStringLiteral("  两端空格  "),
        QStringLiteral("第一行\n第二行"),
        QStringLiteral("<&>\"'"),
        QStringLiteral("x000D_"),
        QStringLiteral("_x00D_"),
        QStringLiteral("TRUE"),
        QStringLiteral("2013-05-07 09:03"),
        QStringLiteral("上海某某进出口有限公司"),
        QString(200, QChar(u'备')),
        QStringLiteral("\t"),
        QStringLiteral("x"),
        QStringLiteral("已开票"),
    };
    TempFolder folder;
    const QString path = copyFixture(folder, QStringLiteral("export/rich_template.xlsx"));
    XlsxTemplateFiller::fill(path, {texts});

    QString error;
    const QJsonObject cells = firstSheet(readWithOpenpyxl(path, &error)).value(QStringLiteral("cells")).toObject();
    ASSERT_FALSE(cells.isEmpty()) << error.toStdString();
    for (int col = 1; col <= 15; ++col) {
        const QString ref = XlsxTemplateFiller::columnName(col) + QStringLiteral("2");
        EXPECT_EQ(cells.value(ref).toString(), QStringLiteral("s:") + texts[col - 1]) << ref.toStdString();
    }
}

// Empty texts leave no value behind, also where the template had one.
TEST(XlsxTemplateFiller, LinuxOnly_EmptyTextsLeaveCellsWithoutValue)
{
    TempFolder folder;
    const QString path = copyFixture(folder, QStringLiteral("export/rich_template.xlsx"));
    QStringList texts = rowTexts(2);
    texts[0].clear(); // A2 held a formula
    texts[2].clear(); // C2 held a number
    texts[3].clear(); // D2 was empty
    XlsxTemplateFiller::fill(path, {texts});
    const QJsonObject cells = firstSheet(readWithOpenpyxl(path)).value(QStringLiteral("cells")).toObject();
    ASSERT_FALSE(cells.isEmpty());
    for (const char* ref : {"A2", "C2", "D2"})
        EXPECT_FALSE(cells.contains(QLatin1String(ref))) << ref;
    EXPECT_EQ(cells.value(QStringLiteral("B2")).toString(), QStringLiteral("s:") + texts[1]);
}

// The worksheet written is the first one in workbook order, whatever its part is called.
TEST(XlsxTemplateFiller, LinuxOnly_WritesTheFirstSheetInWorkbookOrder)
{
    TempFolder folder;
    const QString path = copyFixture(folder, QStringLiteral("export/reordered.xlsx"));
    XlsxTemplateFiller::fill(path, {rowTexts(2)});
    const QJsonArray sheets = readWithOpenpyxl(path).value(QStringLiteral("sheets")).toArray();
    ASSERT_EQ(sheets.size(), 2);
    const QJsonObject listedFirst = sheets.at(0).toObject();
    const QJsonObject listedSecond = sheets.at(1).toObject();
    EXPECT_EQ(listedFirst.value(QStringLiteral("title")).toString(), QStringLiteral("前"));
    EXPECT_EQ(listedFirst.value(QStringLiteral("cells")).toObject().value(QStringLiteral("O2")).toString(),
              QStringLiteral("s:") + rowTexts(2).last());
    EXPECT_EQ(listedSecond.value(QStringLiteral("cells")).toObject().size(), 1);
}

// Workbooks from other writers: shared strings, cells without references, other namespaces.
TEST(XlsxTemplateFiller, LinuxOnly_FillsWorkbooksOfOtherWriters)
{
    const QString fixtures[] = {
        QStringLiteral("workbooks/issues.xlsx"),
        QStringLiteral("workbooks/xlsx2csv-no_cell_ids.xlsx"),
        QStringLiteral("workbooks/xlsx2csv-namespace.xlsx"),
        QStringLiteral("workbooks/transitional-openoffice.xlsx"),
        QStringLiteral("workbooks/has_x000D_.xlsx"),
    };
    const QList<QStringList> rows = {rowTexts(2), rowTexts(3)};
    for (const QString& fixture : fixtures) {
        SCOPED_TRACE(fixture.toStdString());
        TempFolder folder;
        const QString path = copyFixture(folder, fixture);
        ASSERT_NO_THROW(XlsxTemplateFiller::fill(path, rows));
        QString error;
        const QJsonObject book = readWithOpenpyxl(path, &error);
        ASSERT_FALSE(book.isEmpty()) << error.toStdString();
        const QJsonObject cells = firstSheet(book).value(QStringLiteral("cells")).toObject();
        const QJsonArray merged = firstSheet(book).value(QStringLiteral("merged")).toArray();
        for (int r = 0; r < rows.size(); ++r)
            for (int col = 1; col <= 15; ++col)
                if (!hiddenByMerge(r + 2, col, merged)) {
                    EXPECT_EQ(cells.value(XlsxTemplateFiller::columnName(col) + QString::number(r + 2)).toString(),
                              QStringLiteral("s:") + rows[r][col - 1]);
                }
        EXPECT_TRUE(book.value(QStringLiteral("first_sheet_cells_in_order")).toBool());
    }
}

// A file that is not a readable workbook fails and stays byte for byte as it was.
TEST(XlsxTemplateFiller, RefusesWhatIsNotAWorkbook)
{
    const QByteArray good = fileBytes(dataPath(QStringLiteral("export/rich_template.xlsx")));
    const struct {
        const char* name;
        QByteArray bytes;
    } cases[] = {
        {"empty file", QByteArray()},
        {"plain text", QByteArray("导入日期,销售单据号\n")},
        {"cut short", good.left(good.size() / 2)},
        {"zip of something else", fileBytes(dataPath(QStringLiteral("workbooks/issues.xls")))},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder folder;
        folder.write(QStringLiteral("bad.xlsx"), c.bytes);
        EXPECT_THROW(XlsxTemplateFiller::fill(folder.file(QStringLiteral("bad.xlsx")), {rowTexts(2)}), Failure);
        EXPECT_EQ(fileBytes(folder.file(QStringLiteral("bad.xlsx"))), c.bytes);
    }
    TempFolder folder;
    EXPECT_THROW(XlsxTemplateFiller::fill(folder.file(QStringLiteral("missing.xlsx")), {rowTexts(2)}), Failure);
    EXPECT_FALSE(QFileInfo::exists(folder.file(QStringLiteral("missing.xlsx"))));
}

TEST(XlsxTemplateFiller, EncodesWhatXmlCannotCarry)
{
    const struct {
        QString in;
        QString out;
    } cases[] = {
        {QStringLiteral("a\rb"), QStringLiteral("a_x000D_b")},
        {QStringLiteral("\x01"), QStringLiteral("_x0001_")},
        {QStringLiteral("_x000D_"), QStringLiteral("_x005F_x000D_")},
        {QStringLiteral("_x00_"), QStringLiteral("_x00_")},
        {QStringLiteral("tab\there\nnewline"), QStringLiteral("tab\there\nnewline")},
        {QString(QChar(0xD800)), QString(QChar(0xFFFD))},
        {QStringLiteral("😀"), QStringLiteral("😀")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(XlsxTemplateFiller::encodeCellText(c.in), c.out) << c.in.toStdString();
    EXPECT_EQ(XlsxTemplateFiller::columnName(1), QStringLiteral("A"));
    EXPECT_EQ(XlsxTemplateFiller::columnName(15), QStringLiteral("O"));
    EXPECT_EQ(XlsxTemplateFiller::columnName(27), QStringLiteral("AA"));
    EXPECT_EQ(XlsxTemplateFiller::columnName(703), QStringLiteral("AAA"));
}

// Workbooks openpyxl cannot read (strict namespaces, parts outside xl/): LibreOffice reads the
// written block, and every other cell of the first sheet reads as before.
TEST(XlsxTemplateFiller, LinuxOnly_KeepsOtherCellsOfWorkbooksOnlyLibreOfficeReads)
{
    const QStringList fixtures = {QStringLiteral("strict-openoffice"), QStringLiteral("strict_iso_paths"),
                                  QStringLiteral("minimal_package")};
    const QList<QStringList> rows = {rowTexts(2), rowTexts(3)};
    TempFolder folder;
    QStringList paths;
    for (const QString& name : fixtures) {
        const QString fixture = QStringLiteral("workbooks/") + name + QStringLiteral(".xlsx");
        paths << copyFixture(folder, fixture, QStringLiteral("before-") + name + QStringLiteral(".xlsx"));
        paths << copyFixture(folder, fixture, name + QStringLiteral(".xlsx"));
        ASSERT_NO_THROW(XlsxTemplateFiller::fill(paths.last(), rows));
    }
    const QMap<QString, QString> csv = convertWithLibreOffice(paths);
    for (const QString& name : fixtures) {
        SCOPED_TRACE(name.toStdString());
        ASSERT_TRUE(csv.contains(name) && csv.contains(QStringLiteral("before-") + name));
        const QList<QStringList> before = parseCsv(csv.value(QStringLiteral("before-") + name));
        const QList<QStringList> after = parseCsv(csv.value(name));
        ASSERT_EQ(after.size(), std::max<qsizetype>(before.size(), 3));
        for (int r = 0; r < after.size(); ++r) {
            QStringList expected = before.value(r);
            if (r == 1 || r == 2) {
                while (expected.size() < 15)
                    expected << QString();
                for (int col = 0; col < 15; ++col)
                    expected[col] = rows[r - 1][col];
            }
            EXPECT_EQ(after[r], expected) << "row " << r + 1;
        }
    }
}
