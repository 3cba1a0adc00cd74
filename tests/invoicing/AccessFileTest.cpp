#include "app/Failure.h"
#include "doubles/RecordingPrompter.h"
#include "invoicing/AccessEngine.h"
#include "invoicing/IssuingDatabase.h"
#include "support/TestSupport.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <chrono>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <thread>

// Real Access files (tests/data/access) read through the issuing-database layer and compared
// with the same tables as mdb-export printed them.

using namespace corvina;

namespace {

struct Fixture {
    const char* file;
    const char* format;
};
const Fixture kFixtures[] = {
    {"nwind.mdb", "Jet 3"},
    {"DateTestDatabase.mdb", "Jet 4"},
    {"DateTestCjk.mdb", "Jet 4, Chinese texts"},
    {"ASampleDatabase.accdb", "ACE 12"},
};

QString fixturePath(const QString& file)
{
    return test::dataPath(QStringLiteral("access/") + file);
}

// The base name's exported tables: BASE.TABLE.csv, spaces dropped from TABLE.
QStringList exportedTables(const QString& base)
{
    QStringList names;
    for (const QString& f : QDir(test::dataPath(QStringLiteral("access"))).entryList({base + QStringLiteral(".*.csv")}))
        names << f.mid(base.size() + 1).chopped(4);
    return names;
}

QString baseOf(const QString& file)
{
    return file.left(file.lastIndexOf(QLatin1Char('.')));
}

// The exported table of that name, found as Access finds names: without regard to case.
QList<QStringList> exported(const QString& file, QString table)
{
    table.remove(QLatin1Char(' '));
    for (const QString& name : exportedTables(baseOf(file)))
        if (name.compare(table, Qt::CaseInsensitive) == 0)
            return test::parseExportCsv(
                test::fileBytes(test::dataPath(QStringLiteral("access/%1.%2.csv").arg(baseOf(file), name))));
    return {};
}

// The export writes date-times as "%x %X" of the C locale (MM/dd/yy hh:mm:ss), with day or month
// 00 where its own conversion fails. The layer writes yyyy-MM-dd hh:mm:ss.
const QRegularExpression kExportDate(QStringLiteral("^(\\d\\d)/(\\d\\d)/(\\d\\d) (\\d\\d:\\d\\d:\\d\\d)$"));
const QRegularExpression kIsoDate(QStringLiteral("^\\d{2}(\\d\\d)-(\\d\\d)-(\\d\\d) (\\d\\d:\\d\\d:\\d\\d)$"));

enum class Cell { Same, Differs, BeyondTheExport };

Cell compareCell(const QString& exportedText, const QString& read)
{
    const QRegularExpressionMatch e = kExportDate.match(exportedText);
    if (!e.hasMatch())
        return exportedText == read ? Cell::Same : Cell::Differs;
    const QRegularExpressionMatch r = kIsoDate.match(read);
    if (!r.hasMatch())
        return Cell::Differs;
    if (e.captured(1) == QLatin1String("00") || e.captured(2) == QLatin1String("00"))
        return Cell::BeyondTheExport;
    const QString asExported =
        QStringLiteral("%1/%2/%3 %4").arg(r.captured(2), r.captured(3), r.captured(1), r.captured(4));
    return asExported == exportedText ? Cell::Same : Cell::Differs;
}

Rows wholeTable(const QString& file, const QString& table)
{
    RecordingPrompter prompter;
    IssuingDatabase db(fixturePath(file), prompter);
    std::optional<Rows> rows = db.table(table);
    EXPECT_TRUE(prompter.texts().isEmpty()) << prompter.texts().join(QLatin1Char('|')).toStdString();
    return rows.value_or(Rows());
}

// Files damaged on purpose are read once: waiting for them to mend would only slow the test.
class ReadAttempts {
public:
    ReadAttempts(int attempts, int firstPauseMs) { setAccessReadAttempts(attempts, firstPauseMs); }
    ~ReadAttempts() { setAccessReadAttempts(4, 100); }
    ReadAttempts(const ReadAttempts&) = delete;
    ReadAttempts& operator=(const ReadAttempts&) = delete;
};

} // namespace

TEST(AccessFile, EveryTableOfEveryFixtureMatchesTheExportCellByCell)
{
    for (const Fixture& fixture : kFixtures) {
        const QString file = QString::fromLatin1(fixture.file);
        SCOPED_TRACE(fixture.file);
        const QByteArray before =
            QCryptographicHash::hash(test::fileBytes(fixturePath(file)), QCryptographicHash::Sha256);
        RecordingPrompter prompter;
        IssuingDatabase db(fixturePath(file), prompter);
        ASSERT_TRUE(db.open()) << prompter.texts().join(QLatin1Char('|')).toStdString();
        const std::optional<QStringList> tables = db.tableNames();
        ASSERT_TRUE(tables.has_value());
        QStringList squeezed;
        for (QString t : *tables)
            squeezed << t.remove(QLatin1Char(' '));
        squeezed.sort();
        EXPECT_EQ(squeezed, exportedTables(baseOf(file))) << fixture.format; // every table, and only tables

        for (const QString& table : *tables) {
            SCOPED_TRACE(table.toStdString());
            const QList<QStringList> expected = exported(file, table);
            ASSERT_FALSE(expected.isEmpty());
            const Rows rows = *db.table(table);
            EXPECT_EQ(rows.columns(), expected[0]);
            ASSERT_EQ(rows.count(), expected.size() - 1);
            int same = 0;
            int beyond = 0;
            QStringList differing;
            for (int r = 0; r < rows.count(); ++r) {
                for (int c = 0; c < expected[0].size(); ++c) {
                    switch (compareCell(expected[r + 1].value(c), rows.at(r, c))) {
                    case Cell::Same:
                        ++same;
                        break;
                    case Cell::BeyondTheExport:
                        ++beyond;
                        break;
                    case Cell::Differs:
                        if (differing.size() < 5)
                            differing << QStringLiteral("row %1 %2: exported [%3] read [%4]")
                                             .arg(r + 1)
                                             .arg(expected[0][c], expected[r + 1].value(c).left(80),
                                                  rows.at(r, c).left(80));
                    }
                }
            }
            EXPECT_TRUE(differing.isEmpty()) << differing.join(QLatin1Char('\n')).toStdString();
            EXPECT_EQ(same + beyond, rows.count() * expected[0].size());
        }
        db.close();
        // Reading never changes the invoicing program's file.
        EXPECT_EQ(QCryptographicHash::hash(test::fileBytes(fixturePath(file)), QCryptographicHash::Sha256), before);
    }
}

// Where the export's own date conversion fails, the fixture's texts say which year the row holds.
TEST(AccessFile, DatesOutsideTheExportsRangeKeepTheirYear)
{
    const Rows rows = wholeTable(QStringLiteral("DateTestDatabase.mdb"), QStringLiteral("DateTest"));
    struct Case {
        QString label;
        int minYear, maxYear;
    };
    const Case cases[] = {
        {QStringLiteral("Year 9999"), 9999, 9999},
        {QStringLiteral("Pre-1900 years"), 100, 1899},
        {QStringLiteral("Pre-1000 years"), 100, 999},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label.toStdString());
        int row = -1;
        for (int r = 0; r < rows.count(); ++r)
            if (rows.value(r, QStringLiteral("LongTextCol")) == c.label)
                row = r;
        ASSERT_GE(row, 0);
        for (const char* column : {"DateTimeCol", "DateCol"}) {
            const QString text = rows.value(row, QLatin1String(column));
            ASSERT_TRUE(kIsoDate.match(text).hasMatch()) << text.toStdString();
            const int year = text.left(4).toInt();
            EXPECT_GE(year, c.minYear) << text.toStdString();
            EXPECT_LE(year, c.maxYear) << text.toStdString();
        }
    }
}

// Reads with a value: the rows the export holds with that value, in its order; names of tables
// and columns, and texts, compare as Access compares them (without regard to case).
TEST(AccessFile, ReadsWithAValueFindTheExportsRows)
{
    struct Case {
        const char* name;
        QString file, table;
        QStringList columns;
        QString whereColumn;
        QVariant equals;
        QString exportedValue; // the value as the export holds it; empty: every row
        QString failure;       // a read error instead of rows
    };
    const QString nwind = QStringLiteral("nwind.mdb");
    const std::vector<Case> cases = {
        {"accented text",
         nwind,
         QStringLiteral("Customers"),
         {QStringLiteral("CompanyName"), QStringLiteral("Country")},
         QStringLiteral("City"),
         QStringLiteral("México D.F."),
         QStringLiteral("México D.F."),
         {}},
        {"text in another case",
         nwind,
         QStringLiteral("customers"),
         {QStringLiteral("companyname")},
         QStringLiteral("CITY"),
         QStringLiteral("MÉXICO D.F."),
         QStringLiteral("México D.F."),
         {}},
        {"number",
         nwind,
         QStringLiteral("Shippers"),
         {QStringLiteral("CompanyName")},
         QStringLiteral("ShipperID"),
         2,
         QStringLiteral("2"),
         {}},
        {"number against money and floats",
         nwind,
         QStringLiteral("Order Details"),
         {QStringLiteral("UnitPrice"), QStringLiteral("Discount")},
         QStringLiteral("OrderID"),
         10250,
         QStringLiteral("10250"),
         {}},
        {"money column",
         nwind,
         QStringLiteral("Products"),
         {QStringLiteral("ProductName")},
         QStringLiteral("UnitPrice"),
         18,
         QStringLiteral("18.0000"),
         {}},
        {"German table name",
         nwind,
         QStringLiteral("UMSÄTZE"),
         {QStringLiteral("ShipName")},
         QStringLiteral("ShipCountry"),
         QStringLiteral("Venezuela"),
         QStringLiteral("Venezuela"),
         {}},
        {"no such value",
         nwind,
         QStringLiteral("Customers"),
         {QStringLiteral("CompanyName")},
         QStringLiteral("Country"),
         QStringLiteral("Atlantis"),
         QStringLiteral("Atlantis"),
         {}},
        {"every row", nwind, QStringLiteral("Shippers"), {QStringLiteral("Phone")}, {}, {}, {}, {}},
        {"ACE",
         QStringLiteral("ASampleDatabase.accdb"),
         QStringLiteral("Asset Items"),
         {QStringLiteral("Asset No"), QStringLiteral("Make")},
         QStringLiteral("Warranty"),
         12,
         QStringLiteral("12"),
         {}},
        {"new line in a memo",
         QStringLiteral("DateTestDatabase.mdb"),
         QStringLiteral("DateTest"),
         {QStringLiteral("LongTextCol")},
         QStringLiteral("IDCol"),
         6,
         QStringLiteral("6"),
         {}},
        {"Chinese text",
         QStringLiteral("DateTestCjk.mdb"),
         QStringLiteral("DateTest"),
         {QStringLiteral("IDCol"), QStringLiteral("LongTextCol")},
         QStringLiteral("ShortTextCol"),
         QStringLiteral("税务软件"),
         QStringLiteral("税务软件"),
         {}},
        {"no such table",
         nwind,
         QStringLiteral("KPZH"),
         {QStringLiteral("NSRSBM")},
         {},
         {},
         {},
         QStringLiteral("数据库中没有表 KPZH")},
        {"no such column",
         nwind,
         QStringLiteral("Customers"),
         {QStringLiteral("NSRSBM")},
         {},
         {},
         {},
         QStringLiteral("表 Customers 中没有列 NSRSBM")},
        {"no such filter column",
         nwind,
         QStringLiteral("Shippers"),
         {QStringLiteral("Phone")},
         QStringLiteral("ZTID"),
         3,
         {},
         QStringLiteral("表 Shippers 中没有列 ZTID")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingPrompter prompter;
        IssuingDatabase db(fixturePath(c.file), prompter);
        const IssuingRead read{c.table, c.columns, c.whereColumn, c.equals};
        if (!c.failure.isEmpty()) {
            try {
                db.select(read);
                ADD_FAILURE() << "read did not fail";
            } catch (const Failure& f) {
                EXPECT_EQ(f.message(), c.failure);
            }
            continue;
        }
        const std::optional<Rows> rows = db.select(read);
        ASSERT_TRUE(rows.has_value());
        EXPECT_EQ(rows->columns(), c.columns);

        const QList<QStringList> csv = exported(c.file, c.table);
        ASSERT_FALSE(csv.isEmpty());
        const auto at = [&](const QString& column) {
            for (int i = 0; i < csv[0].size(); ++i)
                if (csv[0][i].compare(column, Qt::CaseInsensitive) == 0)
                    return i;
            return -1;
        };
        QList<QStringList> expected;
        for (int r = 1; r < csv.size(); ++r) {
            if (!c.whereColumn.isEmpty() && csv[r].value(at(c.whereColumn)) != c.exportedValue)
                continue;
            QStringList values;
            for (const QString& column : c.columns)
                values << csv[r].value(at(column));
            expected << values;
        }
        QList<QStringList> got;
        for (int r = 0; r < rows->count(); ++r) {
            QStringList values;
            for (int i = 0; i < c.columns.size(); ++i)
                values << rows->at(r, i);
            got << values;
        }
        EXPECT_EQ(got, expected);
        EXPECT_TRUE(prompter.texts().isEmpty());
    }
}

// Copies changed where reading must not notice: each reads exactly as its original.
TEST(AccessFile, ChangedCopiesReadAsTheOriginal)
{
    struct Case {
        const char* name;
        QString file, table;
        std::function<void(QByteArray&)> change;
    };
    const Case cases[] = {
        // The database password is kept masked in the first page; changing those bytes gives the
        // copy a password of its own. It guards opening the file in Access; the pages read the same.
        {"database password", QStringLiteral("DateTestDatabase.mdb"), QStringLiteral("DateTest"),
         [](QByteArray& bytes) {
             for (int i = 0x42; i < 0x6a; ++i)
                 bytes[i] = static_cast<char>(bytes[i] ^ 0x5a);
         }},
        // One byte of an object's property block: properties are never needed to read a table
        // (the library's own catalogue reader parses them and never ends on this one).
        {"damaged property block", QStringLiteral("ASampleDatabase.accdb"), QStringLiteral("Asset Items"),
         [](QByteArray& bytes) {
             ASSERT_GT(bytes.size(), 0x6a850);
             ASSERT_EQ(bytes[0x6a850], '\0');
             bytes[0x6a850] = 0x22;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QByteArray bytes = test::fileBytes(fixturePath(c.file));
        ASSERT_GT(bytes.size(), 4096);
        c.change(bytes);
        test::TempFolder dir;
        dir.write(QStringLiteral("DB_KP.mdb"), bytes);
        RecordingPrompter prompter;
        IssuingDatabase db(dir.file(QStringLiteral("DB_KP.mdb")), prompter);
        ASSERT_TRUE(db.open()) << prompter.texts().join(QLatin1Char('|')).toStdString();
        const Rows changed = *db.table(c.table);
        const Rows original = wholeTable(c.file, c.table);
        ASSERT_EQ(changed.count(), original.count());
        ASSERT_GT(original.count(), 0);
        for (int r = 0; r < original.count(); ++r)
            for (int col = 0; col < original.columns().size(); ++col)
                EXPECT_EQ(changed.at(r, col), original.at(r, col));
    }
}

// Damaged copies of the real files: every table is read or refused with a reason; nothing hangs
// or reads outside its memory (the suite also runs under AddressSanitizer).
TEST(AccessFile, DamagedCopiesAreReadOrRefused)
{
    ReadAttempts once(1, 0);
    const int seeds = qEnvironmentVariableIntValue("CORVINA_DAMAGED_SEEDS") > 0
                          ? qEnvironmentVariableIntValue("CORVINA_DAMAGED_SEEDS")
                          : 12;
    int refused = 0;
    int read = 0;
    for (int seed = 0; seed < seeds; ++seed) {
        const Fixture& fixture = kFixtures[seed % std::size(kFixtures)];
        SCOPED_TRACE(QStringLiteral("%1 seed %2").arg(QLatin1String(fixture.file)).arg(seed).toStdString());
        QByteArray bytes = test::fileBytes(fixturePath(QString::fromLatin1(fixture.file)));
        // Bytes changed after the first page, at places and to values a seeded generator picks.
        std::uint32_t state = 2463534242u + static_cast<std::uint32_t>(seed) * 7919u;
        const auto next = [&state] {
            state ^= state << 13;
            state ^= state >> 17;
            state ^= state << 5;
            return state;
        };
        const int changes = (seed % 3 == 0) ? 10 : (seed % 3 == 1) ? 100 : 1000;
        for (int i = 0; i < changes; ++i)
            bytes[4096 + static_cast<qsizetype>(next() % static_cast<std::uint32_t>(bytes.size() - 4096))] =
                static_cast<char>(next() & 0xff);
        test::TempFolder dir;
        dir.write(QStringLiteral("DB_KP.mdb"), bytes);
        RecordingPrompter prompter;
        IssuingDatabase db(dir.file(QStringLiteral("DB_KP.mdb")), prompter);
        if (!db.open()) {
            ++refused;
            ASSERT_EQ(prompter.texts().size(), 1);
            EXPECT_TRUE(prompter.texts()[0].startsWith(QStringLiteral("连接错误:")));
            continue;
        }
        const QStringList tables = db.tableNames().value_or(QStringList());
        for (const QString& table : tables) {
            try {
                db.table(table);
                ++read;
            } catch (const Failure& f) {
                ++refused;
                // The reason names what could not be read: the table, or the file's catalogue.
                EXPECT_TRUE(f.message().contains(table) || f.message().contains(QStringLiteral("DB_KP.mdb")))
                    << f.message().toStdString();
            }
        }
    }
    // The damage is noticed, and noticing it does not take every undamaged table with it.
    EXPECT_GT(refused, 0);
    EXPECT_GT(read, 0);
}

// A table whose usage map (the list of its data pages) is an empty row: the library hands back no
// map at all and then reads through it. Such a table is refused: the catalogue's when opening,
// any other when it is read.
TEST(AccessFile, TablesWithAnEmptyUsageMapAreRefused)
{
    ReadAttempts once(1, 0);
    constexpr int kPage = 4096, kMapPointer = 55, kRowCount = 12; // Jet 4 page layout
    const auto emptyUsageMap = [](QByteArray& bytes, int tablePage) {
        char* definition = bytes.data() + tablePage * kPage;
        ASSERT_EQ(definition[0], 0x02); // a table definition
        quint32 pointer = 0;
        std::memcpy(&pointer, definition + kMapPointer, 4);
        const int mapPage = static_cast<int>(pointer >> 8);
        ASSERT_EQ(pointer & 0xff, 0u);
        // The pointer moves to row 1 of the same page, and row 1 is made to end where it starts.
        pointer |= 1;
        std::memcpy(definition + kMapPointer, &pointer, 4);
        char* map = bytes.data() + mapPage * kPage;
        quint16 rowZero = 0;
        std::memcpy(&rowZero, map + kRowCount + 2, 2);
        rowZero &= 0x1fff;
        std::memcpy(map + kRowCount + 4, &rowZero, 2);
    };
    const QString file = QStringLiteral("DateTestDatabase.mdb");
    const QByteArray original = test::fileBytes(fixturePath(file));
    ASSERT_EQ(original[0x14], 1); // Jet 4
    std::vector<int> userTables;  // their definitions' pages
    for (int page = 3; page < original.size() / kPage; ++page)
        if (original[page * kPage] == 0x02 && original[page * kPage + 1] == 0x01)
            userTables.push_back(page);
    ASSERT_FALSE(userTables.empty());

    struct Case {
        const char* name;
        std::vector<int> emptied;
        bool opens;
    };
    const Case cases[] = {
        {"the catalogue", {2}, false},
        {"every other table", userTables, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QByteArray bytes = original;
        for (int page : c.emptied)
            emptyUsageMap(bytes, page);
        test::TempFolder dir;
        dir.write(QStringLiteral("DB_KP.mdb"), bytes);
        RecordingPrompter prompter;
        IssuingDatabase db(dir.file(QStringLiteral("DB_KP.mdb")), prompter);
        ASSERT_EQ(db.open(), c.opens);
        if (!c.opens) {
            ASSERT_EQ(prompter.texts().size(), 1);
            EXPECT_TRUE(prompter.texts()[0].startsWith(QStringLiteral("连接错误:")));
            continue;
        }
        const QStringList tables = db.tableNames().value_or(QStringList());
        ASSERT_TRUE(tables.contains(QStringLiteral("DateTest")));
        for (const QString& table : tables) {
            try {
                db.table(table);
                ADD_FAILURE() << "read " << table.toStdString();
            } catch (const Failure& f) {
                EXPECT_EQ(f.message(), QStringLiteral("表 %1 读不出来：数据库文件已损坏").arg(table));
            }
        }
    }
}

// The invoicing program has its database open, and writes it, while Corvina reads it: neither
// keeps the other out, and reading leaves no trace (no lock file, not a byte changed).
TEST(AccessFile, TheFileIsReadWhileItsProgramHoldsAndWritesIt)
{
    const QString file = QStringLiteral("DateTestCjk.mdb");
    const QByteArray original = test::fileBytes(fixturePath(file));
    test::TempFolder dir;
    dir.write(QStringLiteral("DB_KP.mdb"), original);
    const QString path = dir.file(QStringLiteral("DB_KP.mdb"));

    QFile program(path); // open for writing first, as the program is
    ASSERT_TRUE(program.open(QIODevice::ReadWrite)) << program.errorString().toStdString();
    RecordingPrompter prompter;
    {
        IssuingDatabase db(path, prompter);
        ASSERT_TRUE(db.open()) << prompter.texts().join(QLatin1Char('|')).toStdString();
        const Rows rows = *db.table(QStringLiteral("DateTest"));
        const Rows expected = wholeTable(file, QStringLiteral("DateTest"));
        ASSERT_EQ(rows.count(), expected.count());
        for (int r = 0; r < rows.count(); ++r)
            for (int c = 0; c < rows.columns().size(); ++c)
                EXPECT_EQ(rows.at(r, c), expected.at(r, c));

        // While the file is open here, the program opens it once more and writes a page.
        QFile again(path);
        ASSERT_TRUE(again.open(QIODevice::ReadWrite)) << again.errorString().toStdString();
        ASSERT_TRUE(again.seek(4096));
        ASSERT_EQ(again.write(original.mid(4096, 4096)), 4096);
        ASSERT_TRUE(again.flush());
        EXPECT_TRUE(db.table(QStringLiteral("DateTest")).has_value());
    }
    program.close();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("DB_KP.mdb")});
    EXPECT_EQ(test::fileBytes(path), original);
    EXPECT_TRUE(prompter.texts().isEmpty());
}

// A read that finds the file unreadable, as it may be for a moment while the program writes it,
// is made again after a pause; what is still unreadable after the last attempt is reported.
TEST(AccessFile, AFileBeingWrittenIsReadAgainBeforeItIsReported)
{
    const QString file = QStringLiteral("DateTestDatabase.mdb");
    const QByteArray original = test::fileBytes(fixturePath(file));
    ASSERT_GT(original.size(), 3 * 4096);
    // DateTest's definition: the table page that names its columns (UCS-2 in Jet 4).
    const QString column = QStringLiteral("DateTimeCol");
    const QByteArray columnName(reinterpret_cast<const char*>(column.utf16()), column.size() * 2);
    int tablePage = 0;
    for (int page = 3; page < original.size() / 4096 && !tablePage; ++page)
        if (original[page * 4096] == 0x02 && original.mid(page * 4096, 4096).contains(columnName))
            tablePage = page;
    ASSERT_GT(tablePage, 0);

    struct Case {
        const char* name;
        int page;   // zeroed when the read starts
        bool mends; // written back while the reader waits
        bool opens; // the catalogue is read
        bool readsTable;
    };
    const Case cases[] = {
        {"catalogue written back", 2, true, true, true},
        {"table written back", tablePage, true, true, true},
        {"catalogue stays unreadable", 2, false, false, false},
        {"table stays unreadable", tablePage, false, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ReadAttempts attempts(c.mends ? 8 : 3, c.mends ? 40 : 1);
        QByteArray damaged = original;
        damaged.replace(c.page * 4096, 4096, QByteArray(4096, '\0'));
        test::TempFolder dir;
        dir.write(QStringLiteral("DB_KP.mdb"), damaged);
        const QString path = dir.file(QStringLiteral("DB_KP.mdb"));

        std::thread writer;
        const auto mendSoon = [&] {
            if (c.mends)
                writer = std::thread([&] {
                    std::this_thread::sleep_for(std::chrono::milliseconds(20));
                    QFile f(path);
                    if (f.open(QIODevice::ReadWrite) && f.seek(c.page * 4096))
                        f.write(original.mid(c.page * 4096, 4096));
                });
        };
        RecordingPrompter prompter;
        IssuingDatabase db(path, prompter);
        std::optional<Rows> rows;
        QString failure;
        if (c.page == 2)
            mendSoon();
        const bool opened = db.open();
        if (opened && c.page != 2)
            mendSoon();
        if (opened) {
            try {
                rows = db.table(QStringLiteral("DateTest"));
            } catch (const Failure& f) {
                failure = f.message();
            }
        }
        if (writer.joinable())
            writer.join();

        ASSERT_EQ(opened, c.opens) << prompter.texts().join(QLatin1Char('|')).toStdString();
        if (!c.opens) {
            ASSERT_EQ(prompter.texts().size(), 1);
            EXPECT_TRUE(prompter.texts()[0].startsWith(QStringLiteral("连接错误:")));
            continue;
        }
        if (!c.readsTable) {
            EXPECT_EQ(failure, QStringLiteral("表 DateTest 读不出来：数据库文件已损坏"));
            continue;
        }
        ASSERT_TRUE(rows.has_value()) << failure.toStdString();
        const Rows expected = wholeTable(file, QStringLiteral("DateTest"));
        ASSERT_EQ(rows->count(), expected.count());
        for (int r = 0; r < rows->count(); ++r)
            for (int col = 0; col < rows->columns().size(); ++col)
                EXPECT_EQ(rows->at(r, col), expected.at(r, col));
    }
}
