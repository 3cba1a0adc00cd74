#include "workbook/Worksheet.h"

#include "app/NumberText.h"

#include <algorithm>

namespace corvina {

static_assert(sizeof(double) == 8);

Worksheet::Worksheet(QString name, bool date1904, std::shared_ptr<const StringPool> sharedStrings)
    : m_name(std::move(name)), m_date1904(date1904), m_shared(std::move(sharedStrings))
{
    if (!m_shared)
        m_shared = std::make_shared<const StringPool>();
}

void Worksheet::push(Entry e)
{
    if (!m_cells.empty()) {
        const Entry& last = m_cells.back();
        if (e.row < last.row || (e.row == last.row && e.column <= last.column))
            m_sorted = false;
    }
    m_cells.push_back(e);
}

void Worksheet::addNumber(int row, int column, double value, bool isDate)
{
    Entry e{static_cast<quint32>(row), static_cast<quint16>(column), isDate ? CellType::Date : CellType::Number, {}};
    e.number = value;
    push(e);
}

void Worksheet::addBoolean(int row, int column, bool value)
{
    Entry e{static_cast<quint32>(row), static_cast<quint16>(column), CellType::Boolean, {}};
    e.number = value ? 1.0 : 0.0;
    push(e);
}

void Worksheet::addSharedText(int row, int column, quint32 index)
{
    Entry e{static_cast<quint32>(row), static_cast<quint16>(column), CellType::Text, {}};
    e.string = index;
    push(e);
}

void Worksheet::addText(int row, int column, const QString& text, CellType type)
{
    Entry e{static_cast<quint32>(row), static_cast<quint16>(column), type, {}};
    e.string = static_cast<quint32>(m_shared->size() + m_local.size());
    m_local.push_back(text);
    push(e);
}

void Worksheet::addUncalculated(int row, int column)
{
    Entry e{static_cast<quint32>(row), static_cast<quint16>(column), CellType::Empty, {}};
    e.string = 1;
    push(e);
}

void Worksheet::finish()
{
    if (!m_sorted) {
        std::stable_sort(m_cells.begin(), m_cells.end(), [](const Entry& a, const Entry& b) {
            return a.row != b.row ? a.row < b.row : a.column < b.column;
        });
        m_sorted = true;
    }
    // A position written twice keeps its last value.
    auto out = m_cells.begin();
    for (auto it = m_cells.begin(); it != m_cells.end(); ++it) {
        if (out != m_cells.begin()) {
            auto prev = out - 1;
            if (prev->row == it->row && prev->column == it->column) {
                *prev = *it;
                continue;
            }
        }
        *out++ = *it;
    }
    m_cells.erase(out, m_cells.end());
    if (m_cells.capacity() > m_cells.size() + m_cells.size() / 4 + 1024)
        m_cells.shrink_to_fit();

    m_lastRow = m_cells.empty() ? 0 : static_cast<int>(m_cells.back().row);
    m_rowStart.assign(static_cast<size_t>(m_lastRow) + 2, 0);
    size_t i = 0;
    for (int r = 0; r <= m_lastRow + 1; ++r) {
        while (i < m_cells.size() && static_cast<int>(m_cells[i].row) < r)
            ++i;
        m_rowStart[static_cast<size_t>(r)] = static_cast<quint32>(i);
    }
}

CellValue Worksheet::valueOf(const Entry& e) const
{
    CellValue v;
    v.type = e.type;
    switch (e.type) {
    case CellType::Number:
        v.number = e.number;
        v.text = formatGeneral(e.number);
        break;
    case CellType::Date:
        v.number = e.number;
        v.text = serialDateText(e.number, m_date1904);
        if (v.text.isEmpty()) { // out of the calendar: show the number
            v.type = CellType::Number;
            v.text = formatGeneral(e.number);
        }
        break;
    case CellType::Boolean:
        v.number = e.number;
        v.text = e.number != 0 ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
        break;
    case CellType::Text:
    case CellType::Error: {
        const size_t shared = m_shared->size();
        v.text = e.string < shared ? (*m_shared)[e.string] : m_local[e.string - shared];
        break;
    }
    case CellType::Empty:
        v.uncalculated = e.string == 1;
        break;
    }
    return v;
}

CellValue Worksheet::cell(int row, int column) const
{
    if (row < 1 || row > m_lastRow || column < 1)
        return CellValue();
    auto first = m_cells.begin() + m_rowStart[static_cast<size_t>(row)];
    auto last = m_cells.begin() + m_rowStart[static_cast<size_t>(row) + 1];
    auto it =
        std::lower_bound(first, last, column, [](const Entry& e, int c) { return static_cast<int>(e.column) < c; });
    if (it == last || static_cast<int>(it->column) != column)
        return CellValue();
    return valueOf(*it);
}

void Worksheet::forEachCell(const std::function<void(int, int, const CellValue&)>& visit) const
{
    for (const Entry& e : m_cells)
        visit(static_cast<int>(e.row), static_cast<int>(e.column), valueOf(e));
}

} // namespace corvina
