// Delimited text (.csv, .txt): encodings, separators and quoting as spreadsheet programs write
// them, records that cross the reader's chunks, and the files LibreOffice saves.

#include "app/Failure.h"
#include "app/Gbk.h"
#include "spreadsheet/DelimitedTextWorkbook.h"
#include "spreadsheet/Workbook.h"
#include "support/TestSupport.h"

#include <QRegularExpression>
#include <QStringEncoder>
#include <gtest/gtest.h>

using namespace corvina;

namespace {

// The rows as "row:A=text|C=text", one string per row with cells.
QStringList rowsOf(const QString& path, const QString& sheet = QStringLiteral("sheet1"))
{
    auto book = Workbook::open(path);
    const auto rows = book->rows(sheet);
    QStringList out;
    SheetRow row;
    while (rows->next(row)) {
        QStringList cells;
        for (const SheetRow::Cell& c : row.cells)
            cells << cellReference(row.number, c.column).remove(QRegularExpression(QStringLiteral("[0-9]"))) +
                         QLatin1Char('=') + c.value.text;
        out << QString::number(row.number) + QLatin1Char(':') + cells.join(QLatin1Char('|'));
    }
    return out;
}

QByteArray utf16le(const QString& text)
{
    QStringEncoder encoder(QStringEncoder::Utf16LE);
    return QByteArray("\xFF\xFE", 2) + QByteArray(encoder.encode(text));
}

} // namespace

TEST(DelimitedText, EncodingsSeparatorsAndQuotes)
{
    const QString chinese = QStringLiteral("销售单据号,客户名称\nXS001,上海远洋\n");
    const struct {
        const char* what;
        QByteArray bytes;
        QStringList rows;
    } cases[] = {
        {"UTF-8", chinese.toUtf8(), {"1:A=销售单据号|B=客户名称", "2:A=XS001|B=上海远洋"}},
        {"UTF-8 with a byte-order mark",
         "\xEF\xBB\xBF" + chinese.toUtf8(),
         {"1:A=销售单据号|B=客户名称", "2:A=XS001|B=上海远洋"}},
        {"GBK", gbkEncode(chinese), {"1:A=销售单据号|B=客户名称", "2:A=XS001|B=上海远洋"}},
        {"UTF-16 with a byte-order mark, tabs",
         utf16le(QStringLiteral("单号\t数量\r\nXS001\t12.50\r\n")),
         {"1:A=单号|B=数量", "2:A=XS001|B=12.50"}},
        {"semicolons, as European systems write", "a;b,c;d\n1;2,5;3\n", {"1:A=a|B=b,c|C=d", "2:A=1|B=2,5|C=3"}},
        {"tabs", "a\tb,c\n1\t2\n", {"1:A=a|B=b,c", "2:A=1|B=2"}},
        {"separators the header only quotes do not count", "\"x;y;z\",b\n1,2\n", {"1:A=x;y;z|B=b", "2:A=1|B=2"}},
        {"quotes, separators and line breaks in quoted fields",
         "a,\"say \"\"hi\"\", then, go\",\"two\r\nlines\"\n",
         {"1:A=a|B=say \"hi\", then, go|C=two\r\nlines"}},
        {"a quote inside an unquoted field is a character", "5\" pipe,x\"y\n", {"1:A=5\" pipe|B=x\"y"}},
        {"text after a closing quote goes on the field", "\"ab\"cd,e\n", {"1:A=abcd|B=e"}},
        {"blank lines are empty rows, kept in the numbering", "a\n\n\nb\n", {"1:A=a", "4:A=b"}},
        {"empty fields are empty cells", ",,c,\n", {"1:C=c"}},
        {"CR alone ends a line", "a\rb\r", {"1:A=a", "2:A=b"}},
        {"no line end after the last record", "a,b\nc,d", {"1:A=a|B=b", "2:A=c|B=d"}},
        {"a quote left open runs to the end", "a,\"b\nc", {"1:A=a|B=b\nc"}},
        {"spaces are kept, as the sheet shows them", " a , b \n", {"1:A= a |B= b "}},
        {"fields past the grid's last column are left out",
         "a" + QByteArray(20000, ',') + "x\nb\n",
         {"1:A=a", "2:A=b"}},
    };
    test::TempFolder dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        dir.write(QStringLiteral("case.csv"), c.bytes);
        QStringList expected;
        for (const QString& r : c.rows)
            expected << r;
        EXPECT_EQ(rowsOf(dir.file(QStringLiteral("case.csv"))), expected);
    }
}

TEST(DelimitedText, TheWholeFileTellsTheEncoding)
{
    // Two megabytes of ASCII before the first Chinese text: GBK, although the start is valid UTF-8.
    QByteArray bytes = "code,name\n";
    while (bytes.size() < 2 * 1024 * 1024)
        bytes += "XS000001,plain ascii buyer\n";
    bytes += gbkEncode(QStringLiteral("XS999999,上海远洋\n"));
    test::TempFolder dir;
    dir.write(QStringLiteral("late.txt"), bytes);
    DelimitedTextWorkbook book(dir.file(QStringLiteral("late.txt")));
    EXPECT_EQ(book.encoding(), DelimitedTextWorkbook::Encoding::Gbk);
    EXPECT_EQ(rowsOf(dir.file(QStringLiteral("late.txt"))).last().section(QLatin1Char(':'), 1),
              QStringLiteral("A=XS999999|B=上海远洋"));
}

TEST(DelimitedText, RecordsAcrossTheReadersChunks)
{
    // The reader takes a megabyte at a time: a quoted field with a line break, a doubled quote and
    // a CR LF each cut at the chunk's end, wherever the cut falls.
    const qsizetype chunk = 1024 * 1024;
    const QByteArray tail = "\"multi\r\nline \"\"quoted\"\"\",end\r\nlast,row\r\n";
    test::TempFolder dir;
    for (qsizetype cutAt = 0; cutAt < tail.size(); ++cutAt) {
        SCOPED_TRACE(cutAt);
        QByteArray bytes;
        const QByteArray line = "a,b\r\n";
        while (bytes.size() + line.size() <= chunk - cutAt)
            bytes += line;
        const bool blankFiller = bytes.size() == chunk - cutAt;          // then a blank row
        bytes += QByteArray(chunk - cutAt - bytes.size(), 'x') + "\r\n"; // fills to the cut
        bytes += tail;
        dir.write(QStringLiteral("chunks.csv"), bytes);
        auto book = Workbook::open(dir.file(QStringLiteral("chunks.csv")));
        const auto rows = book->rows(QStringLiteral("sheet1"));
        SheetRow row;
        SheetRow last;
        SheetRow beforeLast;
        int count = 0;
        while (rows->next(row)) {
            ++count;
            if (row.number != count && !(row.number == count + 1 && blankFiller))
                ADD_FAILURE() << "row " << row.number << " after " << count - 1;
            count = row.number;
            beforeLast = std::move(last);
            last = row;
        }
        // Every line a row, the one inside the quoted field aside.
        EXPECT_EQ(count, bytes.count("\r\n") - 1);
        ASSERT_EQ(beforeLast.cells.size(), 2u);
        EXPECT_EQ(beforeLast.cells[0].value.text, QStringLiteral("multi\r\nline \"quoted\""));
        EXPECT_EQ(beforeLast.cells[1].value.text, QStringLiteral("end"));
        ASSERT_EQ(last.cells.size(), 2u);
        EXPECT_EQ(last.cells[0].value.text + last.cells[1].value.text, QStringLiteral("lastrow"));
    }
}

TEST(DelimitedText, WhatIsNoTableOfFields)
{
    const struct {
        const char* what;
        QByteArray bytes;
    } cases[] = {
        {"an HTML page saved as .xls", "  <html><body><table><tr><td>1</td></tr></table></body></html>"},
        {"XML that is no spreadsheet", "<?xml version=\"1.0\"?><root/>"},
        {"UTF-16 markup", utf16le(QStringLiteral("<html></html>"))},
        {"binary", QByteArray("ab\x01\x02\x03 cd", 8)},
        {"empty", QByteArray()},
    };
    test::TempFolder dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        dir.write(QStringLiteral("not.xls"), c.bytes);
        try {
            Workbook::open(dir.file(QStringLiteral("not.xls")));
            ADD_FAILURE() << "read";
        } catch (const Failure& failure) {
            EXPECT_TRUE(failure.message().contains(QStringLiteral("不是EXCEL工作簿")))
                << failure.message().toStdString();
        }
    }
}

TEST(DelimitedText, FilesLibreOfficeSavedReadAsTheirWorkbook)
{
    // The import's many.xlsx saved by LibreOffice in four kinds of delimited text: every cell the
    // same text as the workbook's.
    const QStringList want = rowsOf(test::dataPath(QStringLiteral("workbooks/import/many.xlsx")));
    ASSERT_EQ(want.size(), 901);
    for (const char* name : {"many-utf8.csv", "many-semicolon-bom.csv", "many-gbk.txt", "many-utf16.txt"}) {
        SCOPED_TRACE(name);
        const QString path = test::dataPath(QStringLiteral("workbooks/text/") + QLatin1String(name));
        auto book = Workbook::open(path);
        EXPECT_EQ(book->sheetNames(), QStringList{QStringLiteral("Sheet1")});
        EXPECT_EQ(rowsOf(path), want);
    }
}
