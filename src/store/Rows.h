#pragma once

#include <QHash>
#include <QList>
#include <QStringList>

namespace corvina {

// The fully read result of a select: no cursor is shared, so any thread may keep it.
// Every value is text; null reads as the empty text. Column names match without regard to case.
class Rows {
public:
    Rows() = default;
    explicit Rows(QStringList columns);

    int count() const { return static_cast<int>(m_values.size()); }
    bool isEmpty() const { return m_values.isEmpty(); }
    const QStringList& columns() const { return m_columns; }
    // The value of a column in a row; empty text when the column does not exist.
    QString value(int row, const QString& column) const;
    const QStringList& row(int row) const { return m_values.at(row); }
    int columnIndex(const QString& column) const; // -1 when absent

    void append(QStringList values) { m_values.append(std::move(values)); }
    void reserve(int n) { m_values.reserve(n); }

private:
    QStringList m_columns;
    QHash<QString, int> m_index; // lower-case name -> position
    QList<QStringList> m_values;
};

} // namespace corvina
