#pragma once

#include <QHash>
#include <QString>

namespace corvina {

// Which number formats show a number as a date or a time, so that such cells read as dates.
class DateFormats {
public:
    enum class Kind : quint8 { None, Date, Time };

    // Formats defined in the workbook itself, by id.
    void define(int id, const QString& code) { m_custom.insert(id, code); }
    Kind kind(int id) const;
    bool isDate(int id) const { return kind(id) != Kind::None; }

    // What a format code shows: a date (y, d, or m outside a time), a time of day only (h, s,
    // elapsed "[h]"), or neither. Quoted text, escapes and bracketed colours or conditions do not
    // count; only the first section decides.
    static Kind codeKind(const QString& code);
    static bool isDateCode(const QString& code) { return codeKind(code) != Kind::None; }
    // The built-in formats that are dates or times in every locale, the Chinese ones included.
    static Kind builtInKind(int id);
    static bool isBuiltInDate(int id) { return builtInKind(id) != Kind::None; }

private:
    QHash<int, QString> m_custom;
};

} // namespace corvina
