#include "spreadsheet/CellValue.h"

#include "app/NumberText.h"
#include "spreadsheet/ReaderLimits.h"

#include <QDate>
#include <cmath>

namespace corvina {

namespace {

// Last day the workbook applications accept: 9999-12-31.
constexpr double kMaxSerial = 2958466.0;

QDate baseDate(bool date1904)
{
    return date1904 ? QDate(1904, 1, 1) : QDate(1899, 12, 30);
}

} // namespace

CellValue CellValue::fromNumber(double value)
{
    if (!std::isfinite(value))
        return fromText(QStringLiteral("#NUM!"), CellType::Error);
    CellValue v;
    v.type = CellType::Number;
    v.number = value;
    v.text = formatGeneral(value);
    return v;
}

CellValue CellValue::fromSerial(double serial, bool date1904, bool timeFormat)
{
    CellValue v;
    if (timeFormat && serial >= 0 && serial < 1) {
        qint64 seconds = std::llround(serial * 86400.0);
        if (seconds < 86400) {
            v.type = CellType::Date;
            v.number = serial;
            v.text = QTime(0, 0).addSecs(static_cast<int>(seconds)).toString(QStringLiteral("HH:mm:ss"));
            return v;
        }
    }
    v.text = serialDateText(serial, date1904);
    if (v.text.isEmpty()) // out of the calendar: show the number
        return fromNumber(serial);
    v.type = CellType::Date;
    v.number = serial;
    return v;
}

CellValue CellValue::fromText(QString text, CellType type)
{
    CellValue v;
    v.type = type;
    v.text = std::move(text);
    return v;
}

CellValue CellValue::fromBoolean(bool value)
{
    CellValue v;
    v.type = CellType::Boolean;
    v.number = value ? 1.0 : 0.0;
    v.text = value ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
    return v;
}

CellValue CellValue::uncalculatedFormula()
{
    CellValue v;
    v.uncalculated = true;
    return v;
}

QString cellTypeCode(CellType type)
{
    switch (type) {
    case CellType::Number:
        return QStringLiteral("n");
    case CellType::Text:
        return QStringLiteral("s");
    case CellType::Boolean:
        return QStringLiteral("b");
    case CellType::Error:
        return QStringLiteral("e");
    case CellType::Date:
        return QStringLiteral("d");
    case CellType::Empty:
        break;
    }
    return QString();
}

QString cellReference(int row, int column)
{
    QString letters;
    for (int c = column; c > 0; c = (c - 1) / 26)
        letters.prepend(QChar(u'A' + (c - 1) % 26));
    return letters + QString::number(row);
}

bool parseCellReference(const char* reference, int* row, int* column)
{
    const char* p = reference;
    long long col = 0;
    if (*p == '$')
        ++p;
    while ((*p >= 'A' && *p <= 'Z') || (*p >= 'a' && *p <= 'z')) {
        col = col * 26 + ((*p | 0x20) - 'a' + 1);
        if (col > ReaderLimits::kMaxColumns)
            return false;
        ++p;
    }
    if (col == 0)
        return false;
    if (*p == '$')
        ++p;
    if (*p) {
        long long r = 0;
        while (*p >= '0' && *p <= '9') {
            r = r * 10 + (*p - '0');
            if (r > ReaderLimits::kMaxRows)
                return false;
            ++p;
        }
        if (*p || r == 0)
            return false;
        *row = static_cast<int>(r);
    }
    *column = static_cast<int>(col);
    return true;
}

QString serialDateText(double serial, bool date1904)
{
    if (!std::isfinite(serial) || serial < 0 || serial >= kMaxSerial)
        return QString();
    qint64 days = static_cast<qint64>(std::floor(serial));
    qint64 seconds = std::llround((serial - static_cast<double>(days)) * 86400.0);
    if (seconds >= 86400) {
        ++days;
        seconds -= 86400;
    }
    QString day;
    if (date1904) {
        day = baseDate(true).addDays(days).toString(QStringLiteral("yyyy-MM-dd"));
    } else if (days == 60) {
        // The 1900 system counts a 29 February 1900 that never was; keep its own name for it.
        day = QStringLiteral("1900-02-29");
    } else {
        // Serials before that day are one off from a plain count from 1899-12-30.
        const qint64 shift = days < 60 ? days + 1 : days;
        day = baseDate(false).addDays(shift).toString(QStringLiteral("yyyy-MM-dd"));
    }
    if (seconds == 0)
        return day;
    const QTime t = QTime(0, 0).addSecs(static_cast<int>(seconds));
    return day + QLatin1Char(' ') + t.toString(QStringLiteral("HH:mm:ss"));
}

bool isoDateSerial(const QString& iso, bool date1904, double* serial)
{
    QString text = iso.trimmed();
    if (text.endsWith(QLatin1Char('Z')))
        text.chop(1);
    if (text.isEmpty())
        return false;
    // Plain date and time parts, so no time zone or summer time can move the value.
    QString datePart = text;
    QString timePart;
    const qsizetype sep = text.indexOf(QLatin1Char('T'));
    if (sep >= 0) {
        datePart = text.left(sep);
        timePart = text.mid(sep + 1);
    } else if (text.contains(QLatin1Char(':'))) {
        datePart.clear();
        timePart = text;
    }
    double days = 0;
    if (!datePart.isEmpty()) {
        const QDate d = QDate::fromString(datePart, Qt::ISODate);
        if (!d.isValid())
            return false;
        days = static_cast<double>(baseDate(date1904).daysTo(d));
        if (!date1904 && days < 61)
            days -= 1; // before the phantom 29 February 1900
    }
    double fraction = 0;
    if (!timePart.isEmpty()) {
        const QTime t = QTime::fromString(timePart, Qt::ISODateWithMs);
        if (!t.isValid())
            return false;
        fraction = t.msecsSinceStartOfDay() / 86400000.0;
    }
    *serial = days + fraction;
    return *serial >= 0 && *serial < kMaxSerial;
}

} // namespace corvina
