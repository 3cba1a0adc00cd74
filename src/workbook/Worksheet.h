#pragma once

#include "workbook/CellValue.h"

#include <QString>
#include <functional>
#include <memory>
#include <vector>

namespace corvina {

// The cells of one worksheet, held compactly (16 bytes a cell, texts by index into a string
// pool) so that a sheet of a hundred thousand rows stays small. Rows and columns are 1-based.
class Worksheet {
public:
    using StringPool = std::vector<QString>;

    Worksheet(QString name, bool date1904, std::shared_ptr<const StringPool> sharedStrings);

    const QString& name() const { return m_name; }

    // The cell at a position; empty outside the stored cells.
    CellValue cell(int row, int column) const;
    // Every stored cell, in row then column order (uncalculated formulas included).
    void forEachCell(const std::function<void(int row, int column, const CellValue&)>& visit) const;
    int lastRow() const { return m_lastRow; }
    size_t cellCount() const { return m_cells.size(); }

    // Room for about this many cells, so a big sheet is not copied while it grows.
    void reserve(size_t cells) { m_cells.reserve(cells); }
    // Building, by the readers. A later cell at the same position replaces an earlier one.
    void addNumber(int row, int column, double value, bool isDate);
    void addBoolean(int row, int column, bool value);
    void addSharedText(int row, int column, quint32 index); // index checked by the caller
    void addText(int row, int column, const QString& text, CellType type = CellType::Text);
    void addUncalculated(int row, int column);
    // Sorts and indexes the cells; call once after the last add.
    void finish();

private:
    struct Entry {
        quint32 row;
        quint16 column;
        CellType type;
        union {
            double number;
            quint32 string;
        };
    };
    CellValue valueOf(const Entry& e) const;
    void push(Entry e);

    QString m_name;
    bool m_date1904;
    std::shared_ptr<const StringPool> m_shared;
    StringPool m_local;
    std::vector<Entry> m_cells;
    std::vector<quint32> m_rowStart; // index of each row's first cell; m_lastRow + 2 entries
    int m_lastRow = 0;
    bool m_sorted = true;
};

} // namespace corvina
