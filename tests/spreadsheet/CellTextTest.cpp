#include "spreadsheet/CellValue.h"
#include "spreadsheet/DateFormats.h"

#include <gtest/gtest.h>
#include <limits>

using namespace corvina;

TEST(CellText, DateSerialsInBothDateSystems)
{
    const struct {
        double serial;
        bool date1904;
        const char* text;
    } cases[] = {
        {1, false, "1900-01-01"},
        {59, false, "1900-02-28"},
        {60, false, "1900-02-29"}, // the 1900 system's phantom day
        {61, false, "1900-03-01"},
        {45000, false, "2023-03-15"},
        {45000.5, false, "2023-03-15 12:00:00"},
        {45000.99999999, false, "2023-03-16"}, // rounds to the next midnight
        {44197.632060185, false, "2021-01-01 15:10:10"},
        {0, true, "1904-01-01"},
        {10.632060185185, true, "1904-01-11 15:10:10"},
        {2958465, false, "9999-12-31"},
        {2958466, false, ""},
        {-1, false, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(serialDateText(c.serial, c.date1904), QString::fromLatin1(c.text)) << c.serial << " " << c.date1904;
}

TEST(CellText, IsoDatesOfStrictFilesBecomeSerials)
{
    const struct {
        const char* iso;
        bool date1904;
        double serial;
    } cases[] = {
        {"2023-03-15", false, 45000},
        {"2023-03-15T12:00:00", false, 45000.5},
        {"2023-03-15T12:00:00Z", false, 45000.5},
        {"1900-01-01", false, 1},
        {"1904-01-02", true, 1},
        {"12:00:00", false, 0.5},
    };
    for (const auto& c : cases) {
        double serial = -1;
        EXPECT_TRUE(isoDateSerial(QString::fromLatin1(c.iso), c.date1904, &serial)) << c.iso;
        EXPECT_DOUBLE_EQ(serial, c.serial) << c.iso;
    }
    double serial = 0;
    for (const char* bad : {"", "yesterday", "2023-13-01", "2023-03-15T25:00"})
        EXPECT_FALSE(isoDateSerial(QString::fromLatin1(bad), false, &serial)) << bad;
}

TEST(CellText, WhichNumberFormatsAreDates)
{
    const struct {
        const char* code;
        bool date;
    } codes[] = {
        {"yyyy-mm-dd", true},
        {"m/d/yy h:mm", true},
        {"[h]:mm:ss", true},
        {"[$-804]yyyy\"年\"m\"月\"d\"日\"", true},
        {"General", false},
        {"0.00", false},
        {"#,##0.00;[Red]-#,##0.00", false},
        {"0.00E+00", false},
        {"\"day\"0", false},
        {"\\d0", false},
        {"@", false},
        {"[Red]0", false},
        {"0;\"yes\";\"no\"", false},
        {"G/通用格式", false},
    };
    for (const auto& c : codes)
        EXPECT_EQ(DateFormats::isDateCode(QString::fromUtf8(c.code)), c.date) << c.code;

    DateFormats formats;
    formats.define(14, QStringLiteral("0.00")); // a workbook may redefine a built-in id
    formats.define(164, QStringLiteral("yyyy/m/d"));
    EXPECT_FALSE(formats.isDate(14));
    EXPECT_TRUE(formats.isDate(164));
    EXPECT_TRUE(formats.isDate(22));
    EXPECT_TRUE(formats.isDate(57)); // Chinese built-in date
    EXPECT_FALSE(formats.isDate(2));
}

TEST(CellText, References)
{
    const struct {
        int row, column;
        const char* ref;
    } cases[] = {{1, 1, "A1"},   {2, 14, "N2"},    {10, 26, "Z10"},
                 {3, 27, "AA3"}, {7, 703, "AAA7"}, {1048576, 16384, "XFD1048576"}};
    for (const auto& c : cases)
        EXPECT_EQ(cellReference(c.row, c.column), QString::fromLatin1(c.ref));
}

TEST(CellText, TimeFormatsTellTimesOfDayFromDates)
{
    using Kind = DateFormats::Kind;
    const struct {
        const char* code;
        Kind kind;
    } codes[] = {
        {"hh:mm:ss", Kind::Time},
        {"h:mm AM/PM", Kind::Time},
        {"mm:ss", Kind::Time},
        {"[h]:mm:ss", Kind::Time},
        {"h\"时\"mm\"分\"", Kind::Time},
        {"yyyy-mm-dd hh:mm", Kind::Date},
        {"m/d/yy", Kind::Date},
        {"mmm", Kind::Date},
        {"dd", Kind::Date},
        {"0.00", Kind::None},
        {"General", Kind::None},
        {"0.00E+00", Kind::None},
        {"\"h\"0;hh:mm", Kind::None},
        {"[Red]hh:mm", Kind::Time},
    };
    for (const auto& c : codes)
        EXPECT_EQ(DateFormats::codeKind(QString::fromUtf8(c.code)), c.kind) << c.code;
    const struct {
        int id;
        Kind kind;
    } builtIns[] = {{14, Kind::Date}, {18, Kind::Time}, {21, Kind::Time}, {22, Kind::Date},
                    {32, Kind::Time}, {31, Kind::Date}, {45, Kind::Time}, {46, Kind::Time},
                    {55, Kind::Time}, {57, Kind::Date}, {2, Kind::None},  {49, Kind::None}};
    for (const auto& b : builtIns)
        EXPECT_EQ(DateFormats::builtInKind(b.id), b.kind) << b.id;
}

TEST(CellText, SerialsUnderATimeFormatBelowOneDayReadAsTimes)
{
    const struct {
        double serial;
        bool timeFormat;
        CellType type;
        const char* text;
    } cases[] = {
        {0.632060185185185, true, CellType::Date, "15:10:10"},
        {0.0, true, CellType::Date, "00:00:00"},
        {0.99999999, true, CellType::Date, "1900-01-01"},    // rounds to the next day: a date again
        {1.5, true, CellType::Date, "1900-01-01 12:00:00"},  // a duration over a day keeps the date
        {0.5, false, CellType::Date, "1899-12-31 12:00:00"}, // a date format: the 1900 system's day 0
        {45356.5882986111, false, CellType::Date, "2024-03-05 14:07:09"},
        {45356.5882986111, true, CellType::Date, "2024-03-05 14:07:09"},
        {-0.5, true, CellType::Number, "-0.5"}, // no date at all: the number
    };
    for (const auto& c : cases) {
        const CellValue v = CellValue::fromSerial(c.serial, false, c.timeFormat);
        EXPECT_EQ(v.type, c.type) << c.serial;
        EXPECT_EQ(v.text, QString::fromLatin1(c.text)) << c.serial;
    }
    // No workbook program stores an infinity or a not-a-number: such a value is an error.
    for (double bad : {std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
                       std::numeric_limits<double>::quiet_NaN()}) {
        const CellValue v = CellValue::fromNumber(bad);
        EXPECT_EQ(v.type, CellType::Error);
        EXPECT_EQ(v.text, QStringLiteral("#NUM!"));
    }
}
