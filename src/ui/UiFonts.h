#pragma once

#include <QFont>

namespace corvina {

// Tahoma 8 pt for the windows and 宋体 9 pt for the lists where the fonts exist; a CJK font
// otherwise, so Chinese text is always readable.
QFont windowFont();
QFont listFont();

} // namespace corvina
