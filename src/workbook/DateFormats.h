#pragma once

#include <QHash>
#include <QString>

namespace corvina {

// Which number formats show a number as a date or time, so that such cells read as dates.
class DateFormats {
public:
    // Formats defined in the workbook itself, by id.
    void define(int id, const QString& code) { m_custom.insert(id, code); }
    bool isDate(int id) const;

    // Whether a format code shows a date or time: y, m, d, h or s outside quoted text, escapes
    // and bracketed colours/conditions ("[h]" elapsed time counts).
    static bool isDateCode(const QString& code);
    // The built-in formats that are dates in every locale, the Chinese ones included.
    static bool isBuiltInDate(int id);

private:
    QHash<int, QString> m_custom;
};

} // namespace corvina
