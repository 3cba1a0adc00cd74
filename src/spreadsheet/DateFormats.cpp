#include "spreadsheet/DateFormats.h"

namespace corvina {

DateFormats::Kind DateFormats::builtInKind(int id)
{
    switch (id) {
    case 18: // h:mm AM/PM
    case 19: // h:mm:ss AM/PM
    case 20: // h:mm
    case 21: // h:mm:ss
    case 32: // h"时"mm"分" and the other Chinese times
    case 33:
    case 34:
    case 35:
    case 45: // mm:ss
    case 46: // [h]:mm:ss
    case 47: // mm:ss.0
    case 55:
    case 56:
        return Kind::Time;
    default:
        break;
    }
    if ((id >= 14 && id <= 22) || (id >= 27 && id <= 36) || (id >= 50 && id <= 58))
        return Kind::Date;
    return Kind::None;
}

DateFormats::Kind DateFormats::kind(int id) const
{
    const auto it = m_custom.constFind(id);
    if (it != m_custom.constEnd())
        return codeKind(*it);
    return builtInKind(id);
}

DateFormats::Kind DateFormats::codeKind(const QString& code)
{
    bool date = false;
    bool time = false;
    bool month = false; // an "m" not known to be minutes
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
            continue;
        case u'\\':
        case u'_':
        case u'*':
            ++i; // the next character is literal (or a fill/space width)
            continue;
        case u'[': {
            const qsizetype close = code.indexOf(u']', i);
            if (close < 0)
                return Kind::None;
            const QString inner = code.mid(i + 1, close - i - 1).toLower();
            if (inner == u"h" || inner == u"hh" || inner == u"m" || inner == u"mm" || inner == u"s" || inner == u"ss")
                time = true; // elapsed time
            i = close;
            continue;
        }
        case u';':
            i = code.size();
            continue;
        default:
            break;
        }
        switch (c.toLower().unicode()) {
        case u'y':
        case u'd':
            date = true;
            break;
        case u'h':
        case u's':
            time = true;
            break;
        case u'm':
            month = true;
            break;
        default:
            break;
        }
    }
    // Next to an hour or a second, m counts minutes; alone, or beside a day or year, months.
    if (date || (month && !time))
        return Kind::Date;
    return time ? Kind::Time : Kind::None;
}

} // namespace corvina
