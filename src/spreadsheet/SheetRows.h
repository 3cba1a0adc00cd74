#pragma once

#include "spreadsheet/CellValue.h"

#include <QString>
#include <memory>
#include <vector>

namespace corvina {

// One row of a worksheet as read: its number and its cells in column order, each column once.
struct SheetRow {
    struct Cell {
        int column;
        CellValue value;
    };
    int number = 0;
    std::vector<Cell> cells;

    // The cell of a column; nullptr when the row holds none there.
    const CellValue* cell(int column) const;
    // Sorts the cells by column, the last of several at one column winning.
    void settle();
};

// The rows of one worksheet, one after another in ascending order; rows without any cell may be
// left out. Whatever the length of the sheet, only a piece of it is held at a time. Damaged
// content throws Failure with the clerk's reason.
class SheetRows {
public:
    virtual ~SheetRows();
    // The next row; false after the last one.
    virtual bool next(SheetRow& row) = 0;
    // Why the rows ended before the sheet did (the file ends inside a record), for the log; ""
    // when they did not. Known once next() has returned false; the last row given may then lack
    // the cells that stood after the cut.
    virtual QString cutShort() const { return m_cutShort; }

protected:
    void setCutShort(const QString& reason) { m_cutShort = reason; }

private:
    QString m_cutShort;
};

} // namespace corvina
