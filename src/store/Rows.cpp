#include "store/Rows.h"

namespace corvina {

Rows::Rows(QStringList columns) : m_columns(std::move(columns)), m_width(static_cast<int>(m_columns.size()))
{
    for (int i = 0; i < m_columns.size(); ++i)
        m_index.insert(m_columns.at(i).toLower(), i);
}

int Rows::columnIndex(const QString& column) const
{
    return m_index.value(column.toLower(), -1);
}

QString Rows::value(int row, const QString& column) const
{
    const int c = columnIndex(column);
    if (c < 0 || row < 0 || row >= count())
        return QString();
    return at(row, c);
}

} // namespace corvina
