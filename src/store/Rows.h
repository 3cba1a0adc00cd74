#pragma once

#include <QHash>
#include <QList>
#include <QStringList>
#include <vector>

namespace corvina {

// The fully read result of a select: no cursor is shared, so any thread may keep it.
// Every value is text; null reads as the empty text. Column names match without regard to case.
class Rows {
public:
    Rows() = default;
    explicit Rows(QStringList columns);

    int count() const { return m_width == 0 ? 0 : static_cast<int>(m_cells.size() / static_cast<size_t>(m_width)); }
    bool isEmpty() const { return m_cells.empty(); }
    const QStringList& columns() const { return m_columns; }
    // The value of a column in a row; empty text when the column does not exist.
    QString value(int row, const QString& column) const;
    // The value at a column position (see columnIndex) of a row.
    const QString& at(int row, int column) const
    {
        return m_cells[static_cast<size_t>(row) * static_cast<size_t>(m_width) + static_cast<size_t>(column)];
    }
    int columnIndex(const QString& column) const; // -1 when absent

    // Rows are added a value at a time, in column order; one flat block keeps 100,000 rows cheap.
    void appendValue(QString value) { m_cells.push_back(std::move(value)); }

private:
    QStringList m_columns;
    QHash<QString, int> m_index; // lower-case name -> position
    int m_width = 0;
    std::vector<QString> m_cells;
};

} // namespace corvina
