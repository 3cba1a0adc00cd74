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
    // A select that decides whether to write a document (is it stored? is it claimed?) names the
    // document here. Inside a transaction the store then holds that document's lock until the
    // transaction ends, so that two desks sharing a server decide one after the other and the
    // second sees what the first wrote.
    QString lockKey = {};
};

} // namespace corvina
