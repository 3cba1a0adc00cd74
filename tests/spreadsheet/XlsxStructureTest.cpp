// How a zipped workbook's structure is followed: relationships, names, positions, escapes.

#include "app/Failure.h"
#include "spreadsheet/Workbook.h"
#include "support/TestSupport.h"

#include <QFile>
#include <gtest/gtest.h>
#include <zip.h>

using namespace corvina;

namespace {

void writeZip(const QString& path, const QList<QPair<const char*, QByteArray>>& parts)
{
    int error = 0;
    zip_t* z = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    ASSERT_NE(z, nullptr);
    for (const auto& p : parts)
        zip_file_add(z, p.first,
                     zip_source_buffer(z, p.second.constData(), static_cast<zip_uint64_t>(p.second.size()), 0), 0);
    ASSERT_EQ(zip_close(z), 0);
}

} // namespace

TEST(XlsxStructure, SheetsFollowRelationshipsNotPartNames)
{
    test::TempFolder dir;
    const QString path = dir.file(QStringLiteral("rels.xlsx"));
    writeZip(
        path,
        {
            {"_rels/.rels",
             "<Relationships><Relationship Id='a' Type='x/officeDocument' Target='/book/main.xml'/></Relationships>"},
            {"book/main.xml",
             "<x:workbook xmlns:x='ns' xmlns:r='rel'><x:workbookPr date1904='1'/><x:sheets>"
             "<x:sheet name='Other' r:id='r2'/><x:sheet name='Chart' r:id='r9'/><x:sheet name='sheet1' r:id='r1'/>"
             "</x:sheets></x:workbook>"},
            {"book/_rels/main.xml.rels",
             "<Relationships>"
             "<Relationship Id='r1' Type='x/worksheet' Target='../data/sheet2.xml'/>"
             "<Relationship Id='r2' Type='x/worksheet' Target='/book/sheets/sheet1.xml'/>"
             "<Relationship Id='r9' Type='x/chartsheet' Target='charts/c.xml'/>"
             "<Relationship Id='r3' Type='x/sharedStrings' Target='strings%20table.xml'/>"
             "<Relationship Id='r4' Type='x/styles' Target='s.xml'/>"
             "<Relationship Id='r5' Type='x/hyperlink' Target='http://example.com/' TargetMode='External'/>"
             "</Relationships>"},
            {"book/strings table.xml",
             "<sst><si><t>a_x005F_x000D_b</t></si><si><r><t>Rich </t></r><r><rPr/><t xml:space='preserve'>text </t></r>"
             "<rPh><t>ruby</t></rPh></si></sst>"},
            {"book/s.xml", "<styleSheet><numFmts><numFmt numFmtId='164' formatCode='yyyy/m/d'/></numFmts>"
                           "<cellXfs><xf numFmtId='0'/><xf numFmtId='164'/></cellXfs></styleSheet>"},
            {"book/sheets/sheet1.xml",
             "<worksheet><sheetData><row r='1'><c r='A1' t='inlineStr'><is><t>other</t></is></c></row>"
             "</sheetData></worksheet>"},
            {"data/sheet2.xml",
             "<x:worksheet xmlns:x='ns'><x:dimension ref='A1:A1'/><x:sheetData>"
             "<x:row r='2'><x:c r='A2' t='s'><x:v>0</x:v></x:c><x:c t='s'><x:v>1</x:v></x:c><x:c "
             "s='1'><x:v>1</x:v></x:c></x:row>"
             "<x:row><x:c><x:v>-1.5E-5</x:v></x:c><x:c t='str'><x:v>f_x0041_</x:v></x:c><x:c t='b'><x:v>0</x:v></x:c>"
             "<x:c t='e'><x:v>#N/A</x:v></x:c><x:c t='d'><x:v>2024-03-05T14:07:09</x:v></x:c><x:c "
             "r='K3'><x:v>1E+15</x:v></x:c></x:row>"
             "<x:row r='4'><x:c r='A4'><x:v>12345678901234567</x:v></x:c></x:row>"
             "<x:row r='5'><x:c r='B5'><x:f>A1*2</x:f></x:c><x:c r='C5'><x:v>0.1</x:v></x:c><x:c "
             "r='C5'><x:v>0.25</x:v></x:c></x:row>"
             "<x:row r='6'><x:c r='A6' t='s'><x:v/></x:c><x:c r='B6' t='s'><x:v>1</x:v></x:c></x:row>"
             "</x:sheetData></x:worksheet>"},
        });
    auto book = Workbook::open(path);
    EXPECT_EQ(book->sheetNames(), (QStringList{QStringLiteral("Other"), QStringLiteral("sheet1")}));
    EXPECT_EQ(book->worksheet(QStringLiteral("OTHER")).cell(1, 1).text, QStringLiteral("other"));
    const Worksheet& s = book->worksheet(QStringLiteral("Sheet1"));
    const struct {
        int row, column;
        CellType type;
        const char* text;
    } cells[] = {
        {2, 1, CellType::Text, "a_x000D_b"},  {2, 2, CellType::Text, "Rich text "},
        {2, 3, CellType::Date, "1904-01-02"}, {3, 1, CellType::Number, "-1.5E-5"},
        {3, 2, CellType::Text, "fA"},         {3, 3, CellType::Boolean, "FALSE"},
        {3, 4, CellType::Error, "#N/A"},      {3, 5, CellType::Date, "2024-03-05 14:07:09"},
        {3, 11, CellType::Number, "1E15"},    {4, 1, CellType::Number, "1.23456789012346E16"},
        {5, 3, CellType::Number, "0.25"},     {1, 1, CellType::Empty, ""},
        {6, 1, CellType::Empty, ""},          {6, 2, CellType::Text, "Rich text "},
    };
    for (const auto& c : cells) {
        const CellValue v = s.cell(c.row, c.column);
        EXPECT_EQ(v.type, c.type) << cellReference(c.row, c.column).toStdString();
        EXPECT_EQ(v.text, QString::fromUtf8(c.text)) << cellReference(c.row, c.column).toStdString();
    }
    EXPECT_TRUE(s.cell(5, 2).uncalculated);
    EXPECT_THROW(book->worksheet(QStringLiteral("Chart")), Failure);
}
