#include "spreadsheet/Worksheet.h"

#include "app/Failure.h"
#include "spreadsheet/Texts.h"

#include <algorithm>

namespace corvina {

Worksheet::Worksheet(QString name, SheetRows& rows, size_t maxCells) : m_name(std::move(name))
{
    SheetRow row;
    while (rows.next(row)) {
        m_cellCount += row.cells.size();
        if (m_cellCount > maxCells)
            throw Failure(WorkbookTexts::TooManyCells.arg(m_name, QString::number(maxCells)));
        m_rows.push_back(std::move(row));
        row = SheetRow();
    }
}

CellValue Worksheet::cell(int row, int column) const
{
    const auto it = std::lower_bound(m_rows.begin(), m_rows.end(), row,
                                     [](const SheetRow& r, int wanted) { return r.number < wanted; });
    if (it == m_rows.end() || it->number != row)
        return CellValue();
    const CellValue* v = it->cell(column);
    return v ? *v : CellValue();
}

void Worksheet::forEachCell(const std::function<void(int, int, const CellValue&)>& visit) const
{
    for (const SheetRow& r : m_rows)
        for (const SheetRow::Cell& c : r.cells)
            visit(r.number, c.column, c.value);
}

} // namespace corvina
