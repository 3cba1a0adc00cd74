#pragma once

#include <QString>

namespace corvina {

// Fixed decimals ("0.00", "0.0000"): the value is first taken to 18 significant digits, then
// rounded half away from zero; no grouping, "." as the point, "-" for a negative result.
QString formatFixed(double value, int decimals);

// "#,##0.00": as formatFixed with two decimals, the integer digits grouped in threes by ",".
QString formatGrouped(double value);

// General form of a number as a cell shows it: at most 15 significant digits, no trailing zeros,
// no grouping. Positional for 1E-4 <= |value| < 1E15, otherwise mantissa and exponent ("1E15",
// "1.5E-5").
QString formatGeneral(double value);

// Reads a decimal number: optional sign, digits with an optional "." and an optional exponent.
// No grouping, no blanks, no hex, no infinities; out-of-range values fail.
bool parseDecimal(const QString& text, double* value);

} // namespace corvina
