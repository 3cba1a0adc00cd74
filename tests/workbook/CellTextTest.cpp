#include "workbook/CellValue.h"
#include "workbook/DateFormats.h"

#include <gtest/gtest.h>

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
