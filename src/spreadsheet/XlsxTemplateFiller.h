#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace corvina {

// Writes rows of texts into a copy of an .xlsx template without disturbing anything else in it:
// other cells, rows, styles, column widths, merged ranges and sheets stay as the template has them.
// Only the first worksheet (in workbook order, chart sheets passed over) is touched. Texts become inline strings, so no
// shared-string table has to be rebuilt. calcChain.xml is dropped because the written cells may
// replace formula cells it lists; the spreadsheet application rebuilds it.
class XlsxTemplateFiller {
public:
    // Fills `path` in place: rows[i][j] goes to worksheet row firstRow + i, column j + 1. An empty
    // text leaves the cell without a value (its style stays). The file is replaced only once the
    // new workbook is complete. Throws Failure when the file is not a readable workbook or cannot
    // be written.
    static void fill(const QString& path, const QList<QStringList>& rows, int firstRow = 2);

    // A text as a cell stores it: characters XML cannot carry become _xHHHH_, and an underscore
    // that would read as such an escape is itself escaped.
    static QString encodeCellText(const QString& text);

    // "A" for 1, "O" for 15, "AA" for 27.
    static QString columnName(int column);
};

} // namespace corvina
