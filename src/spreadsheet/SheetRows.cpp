#include "spreadsheet/SheetRows.h"

#include <algorithm>

namespace corvina {

SheetRows::~SheetRows() = default;

const CellValue* SheetRow::cell(int column) const
{
    const auto it = std::lower_bound(cells.begin(), cells.end(), column,
                                     [](const Cell& c, int wanted) { return c.column < wanted; });
    return it != cells.end() && it->column == column ? &it->value : nullptr;
}

void SheetRow::settle()
{
    bool sorted = true;
    for (size_t i = 1; i < cells.size() && sorted; ++i)
        sorted = cells[i - 1].column < cells[i].column;
    if (sorted)
        return;
    std::stable_sort(cells.begin(), cells.end(), [](const Cell& a, const Cell& b) { return a.column < b.column; });
    // A position written twice keeps its last value.
    auto out = cells.begin();
    for (auto it = cells.begin(); it != cells.end(); ++it) {
        if (out != cells.begin() && (out - 1)->column == it->column)
            *(out - 1) = std::move(*it);
        else
            *out++ = std::move(*it);
    }
    cells.erase(out, cells.end());
}

} // namespace corvina
