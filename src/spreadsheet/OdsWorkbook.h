#pragma once

#include "spreadsheet/Workbook.h"
#include "spreadsheet/ZipPackage.h"

namespace corvina {

// An OpenDocument spreadsheet (.ods). Its sheets all lie in one part, content.xml, which is read
// through as a stream: a sheet is found by its name on the way, and its rows are handed out one at
// a time, repeated rows and cells included up to the limits of the grid.
class OdsWorkbook : public Workbook {
public:
    explicit OdsWorkbook(const QString& path);

    // Whether the zip package at `path` is an OpenDocument spreadsheet.
    static bool isOne(const QString& path);

    // Found by reading content.xml through once.
    QStringList readSheetNames() override;

protected:
    std::unique_ptr<SheetRows> openRows(int index, int lastColumn) override;
    std::unique_ptr<SheetRows> openRowsByName(const QString& name, int lastColumn) override;

private:
    ZipPackage m_zip;
    bool m_namesKnown = false;
    QStringList m_names;
};

} // namespace corvina
