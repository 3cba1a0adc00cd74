#pragma once

#include "spreadsheet/Workbook.h"

namespace corvina {

// An XML spreadsheet (the "XML Spreadsheet 2003" that many business systems export under an .xls
// or .xml name): one XML document with the styles first and then the worksheets. It is read
// through as a stream: a sheet is found by its name on the way, and its rows are handed out one
// at a time.
class XmlSpreadsheetWorkbook : public Workbook {
public:
    explicit XmlSpreadsheetWorkbook(const QString& path);

    // Whether the first bytes of a file are those of such a workbook.
    static bool looksLikeOne(const QByteArray& head);

    // Found by reading the file through once.
    QStringList readSheetNames() override;

protected:
    std::unique_ptr<SheetRows> openRows(int index, int lastColumn) override;
    std::unique_ptr<SheetRows> openRowsByName(const QString& name, int lastColumn) override;

private:
    bool m_namesKnown = false;
    QStringList m_names;
};

} // namespace corvina
