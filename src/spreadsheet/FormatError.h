#pragma once

#include <QString>
#include <stdexcept>

namespace corvina {

// A workbook's content is not what its format promises. Carries the detail; the workbook
// layer turns it into the clerk's message naming the file.
class FormatError : public std::runtime_error {
public:
    explicit FormatError(const QString& detail) : std::runtime_error(detail.toStdString()), m_detail(detail) {}
    const QString& detail() const { return m_detail; }

private:
    QString m_detail;
};

} // namespace corvina
