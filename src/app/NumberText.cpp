#include "app/NumberText.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>

namespace corvina {

namespace {

struct Decimal {
    std::string digits; // significant digits, no leading zero
    int pointPos = 0;   // digits before the decimal point (may be <= 0 or > digits.size())
};

Decimal toDecimal(double magnitude, int significant)
{
    // The same correctly rounded digits as printf's "%.*e", several times faster: a workbook's
    // every number passes here.
    char buf[64];
    const auto written =
        std::to_chars(buf, buf + sizeof buf - 1, magnitude, std::chars_format::scientific, significant - 1);
    *written.ptr = 0;
    Decimal d;
    d.digits.reserve(static_cast<size_t>(significant));
    const char* p = buf;
    for (; *p && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9')
            d.digits += *p;
    d.pointPos = std::atoi(p + 1) + 1;
    return d;
}

// Adds one unit in the last place of a digit string; returns true when it grew a digit.
bool incrementDigits(std::string& s)
{
    for (auto it = s.rbegin(); it != s.rend(); ++it) {
        if (*it != '9') {
            ++*it;
            return false;
        }
        *it = '0';
    }
    s.insert(s.begin(), '1');
    return true;
}

// Integer and fraction digits of |value| rounded half away from zero to `decimals`.
void roundedParts(double value, int decimals, std::string* intPart, std::string* fracPart)
{
    const Decimal d = toDecimal(std::fabs(value), 18);
    std::string ip, fp;
    if (d.pointPos <= 0) {
        ip = "0";
        fp = std::string(static_cast<size_t>(-d.pointPos), '0') + d.digits;
    } else if (d.pointPos >= static_cast<int>(d.digits.size())) {
        ip = d.digits + std::string(static_cast<size_t>(d.pointPos) - d.digits.size(), '0');
    } else {
        ip = d.digits.substr(0, static_cast<size_t>(d.pointPos));
        fp = d.digits.substr(static_cast<size_t>(d.pointPos));
    }
    fp.resize(static_cast<size_t>(decimals) + 1, '0');
    const bool roundUp = fp.back() >= '5';
    fp.pop_back();
    std::string all = ip + fp;
    if (roundUp)
        incrementDigits(all);
    ip = all.substr(0, all.size() - static_cast<size_t>(decimals));
    fp = all.substr(all.size() - static_cast<size_t>(decimals));
    const size_t nz = ip.find_first_not_of('0');
    ip = nz == std::string::npos ? "0" : ip.substr(nz);
    *intPart = ip;
    *fracPart = fp;
}

QString assemble(bool negative, const std::string& ip, const std::string& fp)
{
    const bool zero = ip == "0" && fp.find_first_not_of('0') == std::string::npos;
    std::string out = (negative && !zero) ? "-" : "";
    out += ip;
    if (!fp.empty())
        out += "." + fp;
    return QString::fromLatin1(out.c_str());
}

} // namespace

QString formatFixed(double value, int decimals)
{
    if (!std::isfinite(value))
        return QString::fromLatin1(std::isnan(value) ? "NAN" : (value < 0 ? "-INF" : "INF"));
    std::string ip, fp;
    roundedParts(value, decimals, &ip, &fp);
    return assemble(std::signbit(value), ip, fp);
}

QString formatGrouped(double value)
{
    if (!std::isfinite(value))
        return formatFixed(value, 2);
    std::string ip, fp;
    roundedParts(value, 2, &ip, &fp);
    std::string grouped;
    const int n = static_cast<int>(ip.size());
    for (int i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0)
            grouped += ',';
        grouped += ip[static_cast<size_t>(i)];
    }
    return assemble(std::signbit(value), grouped, fp);
}

QString formatGeneral(double value)
{
    if (!std::isfinite(value))
        return formatFixed(value, 0);
    if (value == 0)
        return QStringLiteral("0");
    Decimal d = toDecimal(std::fabs(value), 15);
    while (d.digits.size() > 1 && d.digits.back() == '0')
        d.digits.pop_back();
    std::string out = value < 0 ? "-" : "";
    const int exp10 = d.pointPos - 1;
    if (exp10 >= -4 && exp10 < 15) {
        if (d.pointPos <= 0) {
            out += "0." + std::string(static_cast<size_t>(-d.pointPos), '0') + d.digits;
        } else if (d.pointPos >= static_cast<int>(d.digits.size())) {
            out += d.digits + std::string(static_cast<size_t>(d.pointPos) - d.digits.size(), '0');
        } else {
            out += d.digits.substr(0, static_cast<size_t>(d.pointPos)) + "." +
                   d.digits.substr(static_cast<size_t>(d.pointPos));
        }
    } else {
        out += d.digits.substr(0, 1);
        if (d.digits.size() > 1)
            out += "." + d.digits.substr(1);
        out += "E" + std::to_string(exp10);
    }
    return QString::fromLatin1(out.c_str());
}

bool parseDecimal(const QString& text, double* value)
{
    const QByteArray latin = text.toLatin1();
    const char* p = latin.constData();
    const char* end = p + latin.size();
    if (text.isEmpty() || latin.size() != text.size())
        return false;
    // Shape check first: from_chars alone would accept "inf", "nan" and hex forms.
    const char* q = p;
    if (q < end && (*q == '+' || *q == '-'))
        ++q;
    int digits = 0;
    while (q < end && *q >= '0' && *q <= '9')
        ++q, ++digits;
    if (q < end && *q == '.') {
        ++q;
        while (q < end && *q >= '0' && *q <= '9')
            ++q, ++digits;
    }
    if (digits == 0)
        return false;
    if (q < end && (*q == 'e' || *q == 'E')) {
        ++q;
        if (q < end && (*q == '+' || *q == '-'))
            ++q;
        int expDigits = 0;
        while (q < end && *q >= '0' && *q <= '9')
            ++q, ++expDigits;
        if (expDigits == 0)
            return false;
    }
    if (q != end)
        return false;
    const char* start = (*p == '+') ? p + 1 : p;
    double v = 0;
    const auto [ptr, ec] = std::from_chars(start, end, v);
    if (ec != std::errc() || ptr != end || !std::isfinite(v))
        return false;
    *value = v;
    return true;
}

} // namespace corvina
