#pragma once

#include <QString>
#include <vector>

namespace corvina {

// The shared strings of a workbook, held for the whole reading: all their characters in one
// buffer and an offset each, so a table of a million strings costs little more than its text.
class StringPool {
public:
    void append(QStringView text);
    size_t size() const { return m_ends.size(); }
    // Characters held, for the reader's bound.
    size_t characters() const { return static_cast<size_t>(m_chars.size()); }
    QString at(size_t index) const;
    void reserve(size_t strings) { m_ends.reserve(strings); }
    // Gives back the room kept for growth once the last string is in.
    void finish()
    {
        m_chars.squeeze();
        m_ends.shrink_to_fit();
    }

private:
    QString m_chars;
    std::vector<qsizetype> m_ends;
};

} // namespace corvina
