#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

namespace corvina {

// One read of the invoicing program's database: some columns of one table, every row or only the
// rows whose column equals a value. A description rather than statement text, so that an engine
// without SQL (the Access file reader) filters in its own code, and every engine gets the value as
// a value, never spliced into text.
struct IssuingRead {
    QString table;
    QStringList columns;
    QString whereColumn; // empty: every row
    QVariant equals;     // a number compares as a number, a text as text
};

} // namespace corvina
