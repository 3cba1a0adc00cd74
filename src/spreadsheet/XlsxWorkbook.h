#pragma once

#include "spreadsheet/DateFormats.h"
#include "spreadsheet/StringPool.h"
#include "spreadsheet/Workbook.h"
#include "spreadsheet/ZipPackage.h"

#include <vector>

namespace corvina {

// A zipped XML workbook (.xlsx, transitional or strict). Sheets are found through the package's
// relationships (name -> r:id -> target), never by part name; a sheet's rows are streamed.
class XlsxWorkbook : public Workbook {
public:
    explicit XlsxWorkbook(const QString& path);

    QStringList readSheetNames() override;

protected:
    std::unique_ptr<SheetRows> openRows(int index, int lastColumn) override;

private:
    void loadSharedStrings();
    void loadStyles();

    ZipPackage m_zip;
    QStringList m_names;
    QStringList m_targets;
    bool m_date1904 = false;
    QString m_sharedStringsPart;
    QString m_stylesPart;
    bool m_sharedLoaded = false;
    std::shared_ptr<StringPool> m_shared;
    std::shared_ptr<std::vector<DateFormats::Kind>> m_xfKinds;
};

} // namespace corvina
