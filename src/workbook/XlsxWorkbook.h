#pragma once

#include "workbook/Workbook.h"
#include "workbook/ZipPackage.h"

#include <vector>

namespace corvina {

// A zipped XML workbook (.xlsx, transitional or strict). Sheets are found through the package's
// relationships (name -> r:id -> target), never by part name.
class XlsxWorkbook : public Workbook {
public:
    explicit XlsxWorkbook(const QString& path);

    QStringList sheetNames() const override;

protected:
    std::unique_ptr<Worksheet> loadSheet(int index) override;

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
    std::shared_ptr<Worksheet::StringPool> m_shared;
    std::vector<bool> m_xfIsDate;
};

} // namespace corvina
