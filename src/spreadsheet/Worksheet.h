#pragma once

#include "spreadsheet/SheetRows.h"

#include <QString>
#include <functional>
#include <vector>

namespace corvina {

// Every cell of one worksheet held in memory, for the small uses that look cells up by position
// (tests, checks of a template). The import streams its rows instead. Rows and columns are 1-based.
class Worksheet {
public:
    // Reads every row; throws Failure when the sheet holds more than `maxCells` cells.
    Worksheet(QString name, SheetRows& rows, size_t maxCells);

    const QString& name() const { return m_name; }
    // The cell at a position; empty outside the stored cells.
    CellValue cell(int row, int column) const;
    // Every stored cell, in row then column order (uncalculated formulas included).
    void forEachCell(const std::function<void(int row, int column, const CellValue&)>& visit) const;
    int lastRow() const { return m_rows.empty() ? 0 : m_rows.back().number; }
    size_t cellCount() const { return m_cellCount; }

private:
    QString m_name;
    std::vector<SheetRow> m_rows;
    size_t m_cellCount = 0;
};

} // namespace corvina
