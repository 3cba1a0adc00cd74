#pragma once

#include "workbook/Workbook.h"

#include <QByteArray>
#include <vector>

namespace corvina {

// A binary workbook (.xls, BIFF5 to BIFF8) read record by record from its compound file. Read
// here rather than through a general library because the import needs the cached result of
// formula cells (an amount computed as price times quantity) and dates as dates.
class XlsWorkbook : public Workbook {
public:
    explicit XlsWorkbook(const QString& path);

    QStringList sheetNames() const override;

protected:
    std::unique_ptr<Worksheet> loadSheet(int index) override;

private:
    void readGlobals();
    QString decodeBytes(const char* data, size_t size) const;

    QByteArray m_stream;
    int m_biff = 8;
    int m_codepage = 1252;
    bool m_date1904 = false;
    QStringList m_names;
    std::vector<quint32> m_offsets;
    std::shared_ptr<Worksheet::StringPool> m_sst;
    std::vector<bool> m_xfIsDate;
};

} // namespace corvina
