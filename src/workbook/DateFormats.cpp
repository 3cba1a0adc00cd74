#include "workbook/DateFormats.h"

namespace corvina {

bool DateFormats::isBuiltInDate(int id)
{
    return (id >= 14 && id <= 22) || (id >= 27 && id <= 36) || (id >= 45 && id <= 47) || (id >= 50 && id <= 58);
}

bool DateFormats::isDate(int id) const
{
    const auto it = m_custom.constFind(id);
    if (it != m_custom.constEnd())
        return isDateCode(*it);
    return isBuiltInDate(id);
}

bool DateFormats::isDateCode(const QString& code)
{
    // Only the first section decides how a positive number looks.
    bool inQuote = false;
    for (qsizetype i = 0; i < code.size(); ++i) {
        const QChar c = code.at(i);
        if (inQuote) {
            if (c == u'"')
                inQuote = false;
            continue;
        }
        switch (c.unicode()) {
        case u'"':
            inQuote = true;
            break;
        case u'\\':
        case u'_':
        case u'*':
            ++i; // the next character is literal (or a fill/space width)
            break;
        case u'[': {
            const qsizetype close = code.indexOf(u']', i);
            if (close < 0)
                return false;
            const QString inner = code.mid(i + 1, close - i - 1).toLower();
            if (inner == u"h" || inner == u"hh" || inner == u"m" || inner == u"mm" || inner == u"s" || inner == u"ss")
                return true;
            i = close;
            break;
        }
        case u';':
            return false;
        default:
            switch (c.toLower().unicode()) {
            case u'y':
            case u'm':
            case u'd':
            case u'h':
            case u's':
                return true;
            default:
                break;
            }
        }
    }
    return false;
}

} // namespace corvina
