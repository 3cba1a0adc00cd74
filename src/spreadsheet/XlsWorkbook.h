#pragma once

#include "app/CodePage.h"
#include "spreadsheet/DateFormats.h"
#include "spreadsheet/StringPool.h"
#include "spreadsheet/Workbook.h"

#include <QByteArray>
#include <vector>

namespace corvina {

// A binary workbook (.xls, BIFF5 to BIFF8) read record by record from its compound file, or from
// a file that is the bare workbook stream; or an Excel 2, 3 or 4 worksheet (BIFF2-4), a file of
// one stream and one sheet, named "Sheet1". Read here rather than through a general library
// because the import needs the cached result of formula cells (an amount computed as price times
// quantity) and dates as dates.
class XlsWorkbook : public Workbook {
public:
    XlsWorkbook(const QString& path, bool bareStream);

    QStringList readSheetNames() override;

    // What the sheets' rows need of the workbook.
    int biff() const { return m_biff; }
    bool date1904() const { return m_date1904; }
    const QByteArray& stream() const { return m_stream; }
    const StringPool& sharedStrings() const { return m_sst; }
    DateFormats::Kind xfKind(quint16 xf) const
    {
        return xf < m_xfKinds.size() ? m_xfKinds[xf] : DateFormats::Kind::None;
    }
    // Byte strings of BIFF5, in the workbook's code page.
    QString decodeBytes(const uchar* data, size_t size) const;

protected:
    std::unique_ptr<SheetRows> openRows(int index, int lastColumn) override;

private:
    void readGlobals();
    void setCodepage(int codepage);

    QByteArray m_stream;
    int m_biff = 8;
    bool m_date1904 = false;
    CodePage m_codePage{1252};
    QStringList m_names;
    std::vector<quint32> m_offsets;
    StringPool m_sst;
    std::vector<DateFormats::Kind> m_xfKinds;
};

} // namespace corvina
