#pragma once

#include <QString>
#include <QVariantList>

namespace corvina {

// A statement of the catalogue: its text keeps the system's shape with "?" (or ":Name") where a
// value goes, and the values travel beside it, bound as parameters, never spliced into the text.
struct SqlStatement {
    QString text;
    QVariantList values;                   // positional "?" values, in order
    QList<QPair<QString, QVariant>> named; // ":Name" values
};

} // namespace corvina
