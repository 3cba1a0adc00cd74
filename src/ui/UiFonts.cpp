#include "ui/UiFonts.h"

#include <QStringList>

namespace corvina {

namespace {

const QStringList kCjkFallbacks{QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC"),
                                QStringLiteral("Microsoft YaHei")};

QFont makeFont(const QStringList& preferred, int pointSize)
{
    QFont font;
    font.setFamilies(preferred + kCjkFallbacks);
    font.setPointSize(pointSize);
    return font;
}

} // namespace

QFont windowFont()
{
    return makeFont({QStringLiteral("Tahoma"), QStringLiteral("SimSun"), QStringLiteral("宋体")}, 8);
}

QFont listFont()
{
    return makeFont({QStringLiteral("SimSun"), QStringLiteral("宋体")}, 9);
}

} // namespace corvina
