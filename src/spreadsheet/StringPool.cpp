#include "spreadsheet/StringPool.h"

namespace corvina {

void StringPool::append(QStringView text)
{
    m_chars.append(text);
    m_ends.push_back(m_chars.size());
}

QString StringPool::at(size_t index) const
{
    const qsizetype begin = index == 0 ? 0 : m_ends[index - 1];
    return m_chars.mid(begin, m_ends[index] - begin);
}

} // namespace corvina
