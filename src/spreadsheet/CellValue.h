#pragma once

#include <QString>

namespace corvina {

enum class CellType : quint8 { Empty, Number, Text, Boolean, Error, Date };

// One cell as the import sees it. `text` is the cell's value converted to text, untrimmed:
// numbers in general form, dates "YYYY-MM-DD" (with " hh:nn:ss" when there is a time), times of
// day "hh:nn:ss", booleans "TRUE"/"FALSE", errors as shown ("#N/A"). `number` holds the value of
// numbers and dates (the serial) and 1/0 for booleans.
struct CellValue {
    CellType type = CellType::Empty;
    double number = 0;
    QString text;
    // A formula whose result the writing program never computed (no cached value): reads as
    // empty, but the import must not take it for an empty cell.
    bool uncalculated = false;

    bool isEmpty() const { return type == CellType::Empty; }

    // A number in general form. No workbook program stores an infinity or a not-a-number, so
    // such a value reads as the error "#NUM!" rather than as a number.
    static CellValue fromNumber(double value);
    // A date-formatted number: the date (and time) it shows. With a format that shows only a
    // time of day, a serial below 1 reads as that time ("14:07:09"); longer durations keep the
    // date form. A serial outside the calendar reads as the number.
    static CellValue fromSerial(double serial, bool date1904, bool timeFormat);
    static CellValue fromText(QString text, CellType type = CellType::Text);
    static CellValue fromBoolean(bool value);
    static CellValue uncalculatedFormula();
};

// One-letter type code: n, s, b, e, d (empty for an empty cell).
QString cellTypeCode(CellType type);

// "A1" style reference of a 1-based row and column.
QString cellReference(int row, int column);

// Reads "BC12" (column 55, row 12), "$B$3" too, within the grid of 1,048,576 rows by 16,384
// columns. A reference without digits ("BC") leaves *row as it is. False when malformed.
bool parseCellReference(const char* reference, int* row, int* column);

// The text of a date serial in the given date system; empty when the serial is no valid date.
QString serialDateText(double serial, bool date1904);

// The serial of an ISO date or date-time text ("2021-01-02", "2021-01-02T15:10:10"); false when
// the text is no such date.
bool isoDateSerial(const QString& iso, bool date1904, double* serial);

} // namespace corvina
