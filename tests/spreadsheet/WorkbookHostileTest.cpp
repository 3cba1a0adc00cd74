// Files that are damaged, forged or simply no workbooks: each must end in a Failure with a reason
// the clerk can read, never in a crash or unbounded memory.

#include "app/Failure.h"
#include "spreadsheet/Workbook.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QRandomGenerator>
#include <gtest/gtest.h>
#include <zip.h>

using namespace corvina;

namespace {

// A part whose bytes are made while the archive is written: head, a unit repeated, tail.
struct RepeatedPart {
    QByteArray head, unit, tail;
    qint64 units = 0;
    qint64 pos = 0;
    qint64 size() const { return head.size() + unit.size() * units + tail.size(); }
    char at(qint64 i) const
    {
        if (i < head.size())
            return head[i];
        i -= head.size();
        if (i < unit.size() * units)
            return unit[i % unit.size()];
        return tail[i - unit.size() * units];
    }
};

zip_int64_t repeatedSource(void* state, void* data, zip_uint64_t len, zip_source_cmd_t cmd)
{
    auto* p = static_cast<RepeatedPart*>(state);
    switch (cmd) {
    case ZIP_SOURCE_OPEN:
        p->pos = 0;
        return 0;
    case ZIP_SOURCE_READ: {
        const qint64 n = std::min<qint64>(static_cast<qint64>(len), p->size() - p->pos);
        char* out = static_cast<char*>(data);
        for (qint64 i = 0; i < n; ++i)
            out[i] = p->at(p->pos + i);
        p->pos += n;
        return n;
    }
    case ZIP_SOURCE_STAT: {
        auto* st = static_cast<zip_stat_t*>(data);
        zip_stat_init(st);
        st->size = static_cast<zip_uint64_t>(p->size());
        st->valid |= ZIP_STAT_SIZE;
        return sizeof(zip_stat_t);
    }
    case ZIP_SOURCE_ERROR: {
        int* e = static_cast<int*>(data);
        e[0] = e[1] = 0;
        return 2 * sizeof(int);
    }
    case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT,
                                              ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
    default:
        return 0;
    }
}

using Parts = QList<QPair<QString, QByteArray>>;

// A package with a workbook of one sheet "Sheet1" and whatever parts are given (they replace
// the defaults of the same name).
void writePackage(const QString& path, const Parts& given, RepeatedPart* big = nullptr, const char* bigName = nullptr)
{
    Parts parts = {
        {QStringLiteral("_rels/.rels"),
         "<Relationships><Relationship Id='r1' Type='http://schemas.openxmlformats.org/officeDocument/2006/"
         "relationships/officeDocument' Target='xl/workbook.xml'/></Relationships>"},
        {QStringLiteral("xl/workbook.xml"),
         "<workbook xmlns:r='rel'><sheets><sheet name='Sheet1' r:id='s1'/></sheets></workbook>"},
        {QStringLiteral("xl/_rels/workbook.xml.rels"),
         "<Relationships><Relationship Id='s1' Type='x/worksheet' Target='worksheets/sheet1.xml'/>"
         "<Relationship Id='s2' Type='x/sharedStrings' Target='sharedStrings.xml'/>"
         "<Relationship Id='s3' Type='x/styles' Target='styles.xml'/></Relationships>"},
        {QStringLiteral("xl/sharedStrings.xml"), "<sst><si><t>only</t></si></sst>"},
        {QStringLiteral("xl/worksheets/sheet1.xml"), "<worksheet><sheetData/></worksheet>"},
    };
    for (const auto& g : given) {
        bool replaced = false;
        for (auto& p : parts)
            if (p.first == g.first) {
                p.second = g.second;
                replaced = true;
            }
        if (!replaced)
            parts.append(g);
    }
    int error = 0;
    zip_t* z = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    ASSERT_NE(z, nullptr);
    for (const auto& p : parts) {
        if (bigName && p.first == QLatin1String(bigName))
            continue;
        zip_source_t* s = zip_source_buffer(z, p.second.constData(), static_cast<zip_uint64_t>(p.second.size()), 0);
        zip_file_add(z, p.first.toUtf8().constData(), s, ZIP_FL_OVERWRITE);
    }
    if (big) {
        zip_source_t* s = zip_source_function(z, repeatedSource, big);
        const zip_int64_t i = zip_file_add(z, bigName, s, ZIP_FL_OVERWRITE);
        zip_set_file_compression(z, static_cast<zip_uint64_t>(i), ZIP_CM_DEFLATE, 1);
    }
    ASSERT_EQ(zip_close(z), 0);
}

// Reads every sheet; the text of the Failure, or empty when all went through.
QString readFailure(const QString& path)
{
    try {
        auto book = Workbook::open(path);
        for (const QString& name : book->sheetNames())
            book->worksheet(name);
        book->worksheet(QStringLiteral("sheet1"));
    } catch (const Failure& f) {
        return f.message();
    }
    return QString();
}

QByteArray fixtureBytes(const char* name)
{
    QFile f(test::dataPath(QStringLiteral("workbooks/") + QString::fromLatin1(name)));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

TEST(WorkbookHostile, DamagedAndForgedFilesEndInAClearReason)
{
    test::TempFolder dir;
    const QByteArray xls = fixtureBytes("sst_continue.xls");
    QByteArray badIndex = xls;
    // The first LABELSST cell now names a shared string far beyond the table.
    const qsizetype at = badIndex.indexOf(QByteArray("\xFD\x00\x0A\x00", 4));
    ASSERT_GT(at, 0);
    badIndex.replace(at + 10, 4, QByteArray("\xFF\xFF\x00\x00", 4));

    const struct {
        const char* name;
        std::function<void(const QString&)> make;
        QString reason;
    } cases[] = {
        {"web page", [&](const QString& p) { dir.write(QFileInfo(p).fileName(), "<html><table><tr><td>1001"); },
         QStringLiteral("不是EXCEL工作簿")},
        {"empty file", [&](const QString& p) { dir.write(QFileInfo(p).fileName(), ""); },
         QStringLiteral("不是EXCEL工作簿")},
        {"missing file", [](const QString&) {}, QStringLiteral("无法打开文件")},
        {"truncated zip",
         [&](const QString& p) { dir.write(QFileInfo(p).fileName(), fixtureBytes("issues.xlsx").left(6000)); },
         QStringLiteral("已损坏")},
        {"zip of something else",
         [&](const QString& p) {
             writePackage(
                 p, {{QStringLiteral("_rels/.rels"), "<Relationships/>"}, {QStringLiteral("xl/workbook.xml"), ""}});
             QFile::remove(p);
             int e = 0;
             zip_t* z = zip_open(QFile::encodeName(p).constData(), ZIP_CREATE, &e);
             zip_file_add(z, "readme.txt", zip_source_buffer(z, "hello", 5, 0), 0);
             zip_close(z);
         },
         QStringLiteral("不是EXCEL工作簿")},
        {"malformed sheet XML",
         [](const QString& p) {
             writePackage(p, {{QStringLiteral("xl/worksheets/sheet1.xml"),
                               "<worksheet><sheetData><row r='1'><c r='A1'><v>1</v></row></sheetData></worksheet>"}});
         },
         QStringLiteral("XML格式错误")},
        {"unterminated sheet",
         [](const QString& p) {
             writePackage(p, {{QStringLiteral("xl/worksheets/sheet1.xml"),
                               "<worksheet><sheetData><row r='1'><c r='A1'><v>1</v></c></row>"}});
         },
         QStringLiteral("XML格式错误")},
        {"shared string out of range",
         [](const QString& p) {
             writePackage(
                 p, {{QStringLiteral("xl/worksheets/sheet1.xml"),
                      "<worksheet><sheetData><row r='1'><c r='B1' t='s'><v>5</v></c></row></sheetData></worksheet>"}});
         },
         QStringLiteral("单元格 B1 引用的共享字符串 5 不存在")},
        {"cell beyond the last column",
         [](const QString& p) {
             writePackage(
                 p, {{QStringLiteral("xl/worksheets/sheet1.xml"),
                      "<worksheet><sheetData><row r='1'><c r='XFE1'><v>1</v></c></row></sheetData></worksheet>"}});
         },
         QStringLiteral("XFE1")},
        {"row beyond the last row",
         [](const QString& p) {
             writePackage(p,
                          {{QStringLiteral("xl/worksheets/sheet1.xml"),
                            "<worksheet><sheetData><row r='1048577'><c><v>1</v></c></row></sheetData></worksheet>"}});
         },
         QStringLiteral("超出工作表范围")},
        {"sheet part missing",
         [](const QString& p) {
             writePackage(
                 p,
                 {{QStringLiteral("xl/_rels/workbook.xml.rels"),
                   "<Relationships><Relationship Id='s1' Type='x/worksheet' Target='nowhere.xml'/></Relationships>"}});
         },
         QStringLiteral("缺少部件 xl/nowhere.xml")},
        {"truncated xls", [&](const QString& p) { dir.write(QFileInfo(p).fileName(), xls.left(xls.size() / 2)); },
         QStringLiteral("已损坏")},
        {"xls shared string out of range", [&](const QString& p) { dir.write(QFileInfo(p).fileName(), badIndex); },
         QStringLiteral("引用的共享字符串 65535 不存在")},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = dir.file(QStringLiteral("case%1.xlsx").arg(++n));
        c.make(path);
        const QString reason = readFailure(path);
        EXPECT_TRUE(reason.contains(c.reason)) << reason.toStdString();
    }
}

TEST(WorkbookHostile, PartsAreCappedBySizeNotByCompressionRatio)
{
    test::TempFolder dir;
    // Real style parts compress a hundredfold and must still be read.
    RepeatedPart styles{"<styleSheet><cellXfs>", "<xf numFmtId='14'/>", "</cellXfs></styleSheet>", 100000};
    const QString honest = dir.file(QStringLiteral("honest.xlsx"));
    writePackage(
        honest,
        {{QStringLiteral("xl/worksheets/sheet1.xml"),
          "<worksheet><sheetData><row r='1'><c r='A1' s='99999'><v>45000</v></c></row></sheetData></worksheet>"}},
        &styles, "xl/styles.xml");
    ASSERT_LT(QFileInfo(honest).size(), styles.size() / 100);
    auto book = Workbook::open(honest);
    EXPECT_EQ(book->worksheet(QStringLiteral("Sheet1")).cell(1, 1).text, QStringLiteral("2023-03-15"));

    // A style part of 40 MB is no real one.
    RepeatedPart bomb{"<styleSheet><!--", "          ", "--></styleSheet>", 4 * 1024 * 1024};
    const QString stylesBomb = dir.file(QStringLiteral("styles-bomb.xlsx"));
    writePackage(stylesBomb, {}, &bomb, "xl/styles.xml");
    EXPECT_TRUE(readFailure(stylesBomb).contains(QStringLiteral("xl/styles.xml 解压后超过 32 MB")))
        << readFailure(stylesBomb).toStdString();

    // The shared strings are held while the sheet is read: bounded by their characters.
    RepeatedPart strings{"<sst>", "<si><t>" + QByteArray(1024 * 1024, 'x') + "</t></si>", "</sst>", 130};
    const QString stringsBomb = dir.file(QStringLiteral("strings-bomb.xlsx"));
    writePackage(stringsBomb, {}, &strings, "xl/sharedStrings.xml");
    EXPECT_TRUE(readFailure(stringsBomb).contains(QStringLiteral("共享字符串超过")))
        << readFailure(stringsBomb).toStdString();

    // A worksheet is streamed: however far it unpacks, rows that go back are no sheet's, and the
    // reading stops at the first of them.
    RepeatedPart rows{"<worksheet><sheetData>", "<row r='7'></row>", "</sheetData></worksheet>", 17 * 1024 * 1024};
    const QString sheetBomb = dir.file(QStringLiteral("sheet-bomb.xlsx"));
    writePackage(sheetBomb, {}, &rows, "xl/worksheets/sheet1.xml");
    EXPECT_LT(QFileInfo(sheetBomb).size(), 2 * 1024 * 1024);
    EXPECT_TRUE(readFailure(sheetBomb).contains(QStringLiteral("第7行的位置在它前面的行之前")))
        << readFailure(sheetBomb).toStdString();
}

TEST(WorkbookHostile, AWholeGridSheetIsReadHoweverFarItUnpacks)
{
    // Every row of the grid, padded as some writers pad them: some 290 MB of XML, more than any
    // cap on a part's size would let through, read in bounded memory.
    test::TempFolder dir;
    RepeatedPart rows{"<worksheet><sheetData>", QByteArray("<row>") + QByteArray(270, ' ') + "</row>",
                      "<row><c t='inlineStr'><is><t>last</t></is></c></row></sheetData></worksheet>", 1048575};
    const QString path = dir.file(QStringLiteral("whole-grid.xlsx"));
    writePackage(path, {}, &rows, "xl/worksheets/sheet1.xml");
    ASSERT_GT(rows.size(), qint64(280) * 1024 * 1024);
    auto book = Workbook::open(path);
    const auto sheetRows = book->rows(QStringLiteral("sheet1"));
    SheetRow row;
    int seen = 0;
    while (sheetRows->next(row))
        ++seen;
    EXPECT_EQ(seen, 1);
    EXPECT_EQ(row.number, 1048576);
    ASSERT_NE(row.cell(1), nullptr);
    EXPECT_EQ(row.cell(1)->text, QStringLiteral("last"));
}

TEST(WorkbookHostile, FlippedBytesNeverCrash)
{
    // Every outcome is a read or a Failure worded for the clerk; anything else fails the test (or
    // crashes it).
    test::TempFolder dir;
    QRandomGenerator rng(20240305);
    int failures = 0;
    for (const char* name :
         {"issues.xls", "sst_continue.xls", "date_1904.xls", "issues.xlsx", "rph.xlsx", "kinds/kinds.ods",
          "kinds/kinds.xml", "kinds/kinds-936.xls", "biff/continue-bare.xls", "biff/continue-empty.xls"}) {
        const QByteArray original = fixtureBytes(name);
        ASSERT_FALSE(original.isEmpty());
        for (int round = 0; round < 60; ++round) {
            QByteArray bytes = original;
            for (int k = 0; k < 8; ++k)
                bytes[rng.bounded(static_cast<int>(bytes.size()))] = static_cast<char>(rng.bounded(256));
            const QString path = dir.file(QStringLiteral("flip.bin"));
            dir.write(QStringLiteral("flip.bin"), bytes);
            try {
                auto book = Workbook::open(path);
                for (const QString& sheet : book->sheetNames())
                    book->worksheet(sheet).forEachCell([](int, int, const CellValue&) {});
            } catch (const Failure& f) {
                ++failures;
                // In the reader's own words, naming the file or the sheet: never a bare library text.
                const QString m = f.message();
                EXPECT_TRUE(m.contains(QStringLiteral("flip.bin")) || m.startsWith(QStringLiteral("工作表")) ||
                            m.startsWith(QStringLiteral("工作簿中没有")))
                    << name << ": " << m.toStdString();
            }
        }
    }
    EXPECT_GT(failures, 0);
}

TEST(WorkbookHostile, DamagedCompoundFilesEndInTheContainersReason)
{
    // continue.xls is laid out plainly: the header, the Workbook stream in sectors 0 to 21, the
    // allocation table in sector 22, the directory in sector 23.
    const QByteArray good = fixtureBytes("biff/continue.xls");
    ASSERT_EQ(good.size(), 12800);
    auto fatEntry = [](int k) { return qsizetype(23 * 512 + 4 * k); };
    auto put32 = [](QByteArray& b, qsizetype at, quint32 v) {
        for (int i = 0; i < 4; ++i)
            b[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    const qsizetype workbookSize = 24 * 512 + 128 + 0x78;
    const struct {
        const char* name;
        qsizetype at; // -1: cut the file to `value` bytes
        quint32 value;
        const char* reason;
    } cases[] = {
        {"chain that loops", fatEntry(10), 5, "扇区链错误"},
        {"chain into nowhere", fatEntry(10), 0x00FFFFFF, "扇区链错误"},
        {"free sector in the chain", fatEntry(10), 0xFFFFFFFF, "扇区链错误"},
        {"chain past the end of the file", fatEntry(20), 100, "扇区超出文件范围"},
        {"stream longer than its chain", workbookSize, 20000, "扇区链短于数据流"},
        {"allocation table beyond the file", 0x4C, 500, "扇区超出文件范围"},
        {"allocation table of absurd size", 0x2C, 0x7FFFFFFF, "分配表大小错误"},
        {"directory that is not there", 0x30, 0xFFFFFFFE, "目录缺少根存储"},
        {"sector size", 0x1C, 0x000AFFFE, "扇区大小错误"},
        {"header alone", -1, 512, "分配表大小错误"},
        {"header cut", -1, 300, "文件头不完整"},
    };
    test::TempFolder dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QByteArray bytes = good;
        if (c.at < 0)
            bytes.truncate(c.value);
        else
            put32(bytes, c.at, c.value);
        dir.write(QStringLiteral("damaged.xls"), bytes);
        const QString reason = readFailure(dir.file(QStringLiteral("damaged.xls")));
        EXPECT_TRUE(reason.contains(QStringLiteral("已损坏"))) << reason.toStdString();
        EXPECT_TRUE(reason.contains(QString::fromUtf8(c.reason))) << reason.toStdString();
    }
    dir.write(QStringLiteral("sound.xls"), good);
    EXPECT_EQ(readFailure(dir.file(QStringLiteral("sound.xls"))), QString());
}

namespace {

// An OpenDocument spreadsheet whose content.xml holds `tables`.
void writeOds(const QString& path, const QByteArray& tables)
{
    const QByteArray content =
        "<?xml version='1.0' encoding='UTF-8'?><office:document-content "
        "xmlns:office='urn:oasis:names:tc:opendocument:xmlns:office:1.0' "
        "xmlns:table='urn:oasis:names:tc:opendocument:xmlns:table:1.0' "
        "xmlns:text='urn:oasis:names:tc:opendocument:xmlns:text:1.0'><office:body><office:spreadsheet>" +
        tables + "</office:spreadsheet></office:body></office:document-content>";
    int error = 0;
    zip_t* z = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    ASSERT_NE(z, nullptr);
    static const char mime[] = "application/vnd.oasis.opendocument.spreadsheet";
    zip_file_add(z, "mimetype", zip_source_buffer(z, mime, sizeof mime - 1, 0), 0);
    zip_file_add(z, "content.xml",
                 zip_source_buffer(z, content.constData(), static_cast<zip_uint64_t>(content.size()), 0), 0);
    ASSERT_EQ(zip_close(z), 0);
}

QStringList rowsOf(const QString& path, const QString& sheet, int lastColumn)
{
    QStringList out;
    auto book = Workbook::open(path);
    const auto rows = book->rows(sheet, lastColumn);
    SheetRow row;
    while (rows->next(row)) {
        QStringList cells;
        for (const SheetRow::Cell& c : row.cells)
            cells << cellReference(row.number, c.column) + QLatin1Char('=') + c.value.text;
        out << cells.join(QLatin1Char(' '));
    }
    return out;
}

} // namespace

TEST(WorkbookHostile, OpenDocumentRepeatsStayWithinTheGrid)
{
    test::TempFolder dir;
    const QByteArray cell = "<table:table-cell office:value-type='string'><text:p>x</text:p></table:table-cell>";
    const QByteArray wide = "<table:table-cell table:number-columns-repeated='2000000000' office:value-type='float' "
                            "office:value='7'/>";
    const struct {
        const char* name;
        QByteArray table;
        int lastColumn;
        QStringList rows;   // as rowsOf gives them
        const char* reason; // a failure instead of rows
    } cases[] = {
        {"repeated rows with cells",
         "<table:table-row table:number-rows-repeated='3'>" + cell + "</table:table-row>",
         0,
         {"A1=x", "A2=x", "A3=x"},
         nullptr},
        {"an empty row repeated near the end of the grid",
         "<table:table-row table:number-rows-repeated='1048574'><table:table-cell/></table:table-row>"
         "<table:table-row>" +
             cell + "</table:table-row><table:table-row table:number-rows-repeated='2000000000'/>",
         0,
         {"A1048575=x"},
         nullptr},
        {"a cell repeated without end, the import's columns",
         "<table:table-row>" + wide + "</table:table-row>",
         3,
         {"A1=7 B1=7 C1=7"},
         nullptr},
        {"a row of cells beyond the last row",
         "<table:table-row table:number-rows-repeated='1048576'/><table:table-row>" + cell + "</table:table-row>",
         0,
         {},
         "超出工作表范围"},
        {"spaces without end",
         "<table:table-row><table:table-cell office:value-type='string'><text:p>a<text:s text:c='2000000000'/>"
         "</text:p></table:table-cell></table:table-row>",
         0,
         {},
         "单元格文字超过"},
        {"what a cell's text is made of",
         "<table:table-row><table:table-cell office:value-type='string'><text:p>a<text:s text:c='3'/>b<text:tab/>"
         "c<text:line-break/><text:span>d</text:span></text:p><office:annotation><text:p>note</text:p>"
         "</office:annotation><text:p>e</text:p></table:table-cell></table:table-row>",
         0,
         {"A1=a   b\tc\nd\ne"},
         nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = dir.file(QStringLiteral("bounds.ods"));
        writeOds(path, "<table:table table:name='Sheet1'>" + c.table + "</table:table>");
        if (c.reason) {
            try {
                rowsOf(path, QStringLiteral("sheet1"), c.lastColumn);
                ADD_FAILURE() << "no failure";
            } catch (const Failure& f) {
                EXPECT_TRUE(f.message().contains(QString::fromUtf8(c.reason))) << f.message().toStdString();
            }
        } else {
            EXPECT_EQ(rowsOf(path, QStringLiteral("sheet1"), c.lastColumn), c.rows);
        }
    }
    // Read with every column, a cell repeated without end fills the row to the grid's last column.
    const QString path = dir.file(QStringLiteral("wide.ods"));
    writeOds(path, "<table:table table:name='Sheet1'><table:table-row>" + wide + "</table:table-row></table:table>");
    auto book = Workbook::open(path);
    const auto rows = book->rows(QStringLiteral("Sheet1"));
    SheetRow row;
    ASSERT_TRUE(rows->next(row));
    EXPECT_EQ(row.cells.size(), 16384u);
    EXPECT_EQ(row.cells.back().column, 16384);
    EXPECT_FALSE(rows->next(row));
}

TEST(WorkbookHostile, XmlSpreadsheetsOutOfOrderOrOutOfTheGrid)
{
    test::TempFolder dir;
    auto book = [](const QByteArray& table) {
        return "<?xml version='1.0'?><Workbook xmlns='urn:schemas-microsoft-com:office:spreadsheet' "
               "xmlns:ss='urn:schemas-microsoft-com:office:spreadsheet'><Worksheet ss:Name='Sheet1'><Table>" +
               table + "</Table></Worksheet></Workbook>";
    };
    const QByteArray text = "<Cell><Data ss:Type='String'>x</Data></Cell>";
    const struct {
        const char* name;
        QByteArray file;
        const char* reason; // empty: reads
    } cases[] = {
        {"rows in order", book("<Row ss:Index='3'>" + text + "</Row><Row>" + text + "</Row>"), ""},
        {"merged cells", book("<Row><Cell ss:MergeAcross='2'/>" + text + "<Cell ss:Index='16384'/></Row>"), ""},
        {"merged past the grid", book("<Row><Cell ss:MergeAcross='16383'/>" + text + "</Row>"), "超出工作表范围"},
        {"a row that goes back", book("<Row ss:Index='3'>" + text + "</Row><Row ss:Index='2'/>"), "超出工作表范围"},
        {"a cell that goes back", book("<Row><Cell ss:Index='3'/><Cell ss:Index='2'/></Row>"), "超出工作表范围"},
        {"a row beyond the grid", book("<Row ss:Index='1048577'>" + text + "</Row>"), "超出工作表范围"},
        {"a cell beyond the grid", book("<Row><Cell ss:Index='16385'/></Row>"), "超出工作表范围"},
        {"unclosed", book("<Row>" + text).replace("</Row>", ""), "XML格式错误"},
        {"another root",
         "<?xml version='1.0'?><Other xmlns='urn:schemas-microsoft-com:office:spreadsheet'><Workbook/></Other>",
         "已损坏"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        dir.write(QStringLiteral("book.xml"), c.file);
        const QString reason = readFailure(dir.file(QStringLiteral("book.xml")));
        if (!*c.reason)
            EXPECT_EQ(reason, QString());
        else
            EXPECT_TRUE(reason.contains(QString::fromUtf8(c.reason))) << reason.toStdString();
    }
    // A merged cell spans its columns: the next cell stands after them.
    dir.write(QStringLiteral("merged.xml"),
              book("<Row><Cell ss:MergeAcross='2'><Data ss:Type='String'>a</Data></Cell>" + text + "</Row>"));
    auto merged = Workbook::open(dir.file(QStringLiteral("merged.xml")));
    const Worksheet& sheet = merged->worksheet(QStringLiteral("sheet1"));
    EXPECT_EQ(sheet.cell(1, 1).text, QStringLiteral("a"));
    EXPECT_EQ(sheet.cell(1, 4).text, QStringLiteral("x"));
    EXPECT_EQ(sheet.cellCount(), 2u);
}

TEST(WorkbookHostile, StreamedKindsNameTheSheetsThereWhenOneIsMissing)
{
    test::TempFolder dir;
    const QString ods = dir.file(QStringLiteral("two.ods"));
    writeOds(ods, "<table:table table:name='Data'/><table:table table:name='Другой'/>");
    dir.write(QStringLiteral("two.xml"),
              "<?xml version='1.0'?><Workbook xmlns='urn:schemas-microsoft-com:office:spreadsheet' "
              "xmlns:ss='urn:schemas-microsoft-com:office:spreadsheet'><Worksheet ss:Name='Data'><Table/></Worksheet>"
              "<Worksheet ss:Name='Другой'/></Workbook>");
    for (const QString& path : {ods, dir.file(QStringLiteral("two.xml"))}) {
        SCOPED_TRACE(path.toStdString());
        auto book = Workbook::open(path);
        try {
            book->rows(QStringLiteral("sheet1"));
            ADD_FAILURE() << "no failure";
        } catch (const Failure& f) {
            EXPECT_EQ(f.message(), QStringLiteral("工作簿中没有名为“sheet1”的工作表（现有工作表：Data、Другой）"));
        }
        EXPECT_EQ(book->sheetNames(), (QStringList{QStringLiteral("Data"), QStringLiteral("Другой")}));
        EXPECT_EQ(book->findSheet(QStringLiteral("другой")), 1);
    }
}
