#include "spreadsheet/Workbook.h"

#include "app/Failure.h"
#include "app/Texts.h"
#include "spreadsheet/DelimitedTextWorkbook.h"
#include "spreadsheet/FormatError.h"
#include "spreadsheet/OdsWorkbook.h"
#include "spreadsheet/ReaderLimits.h"
#include "spreadsheet/Texts.h"
#include "spreadsheet/XlsWorkbook.h"
#include "spreadsheet/XlsxWorkbook.h"
#include "spreadsheet/XmlSpreadsheetWorkbook.h"
#include "spreadsheet/ZipPackage.h"

#include <QFile>
#include <QFileInfo>
#include <new>

namespace corvina {

namespace {

enum class Kind { Zip, Compound, BareBiff, XmlSpreadsheet, DelimitedText, Other };

Kind sniff(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Failure(WorkbookTexts::CannotOpenFile.arg(path, file.errorString()));
    const QByteArray head = file.read(4096);
    if (head.startsWith(QByteArrayLiteral("PK\x03\x04")) || head.startsWith(QByteArrayLiteral("PK\x05\x06")))
        return Kind::Zip;
    if (head.startsWith(QByteArrayLiteral("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1")))
        return Kind::Compound;
    // Some exporters write the binary workbook stream as the whole file, and Excel 2 to 4 wrote
    // nothing else: it starts with the stream's first record, a BOF of BIFF2, 3 or 4 (told by the
    // record's id) or of BIFF5 or BIFF8 (by its version).
    if (head.size() >= 8 && head[0] == '\x09' && (head[1] == 0 || head[1] == 2 || head[1] == 4 || head[1] == 8)) {
        const int length = static_cast<uchar>(head[2]) | (static_cast<uchar>(head[3]) << 8);
        const int version = static_cast<uchar>(head[4]) | (static_cast<uchar>(head[5]) << 8);
        if (head[1] != 8 && length >= 4 && length <= 16)
            return Kind::BareBiff;
        if (length >= 4 && length <= 32 && (version == 0x0500 || version == 0x0600))
            return Kind::BareBiff;
    }
    if (XmlSpreadsheetWorkbook::looksLikeOne(head))
        return Kind::XmlSpreadsheet;
    if (DelimitedTextWorkbook::looksLikeOne(head))
        return Kind::DelimitedText;
    return Kind::Other;
}

template <typename F> auto guarded(const QString& path, F&& f) -> decltype(f())
{
    try {
        return f();
    } catch (const FormatError& e) {
        throw Failure(WorkbookTexts::Corrupt.arg(QFileInfo(path).fileName(), e.detail()));
    } catch (const std::bad_alloc&) {
        throw Failure(WorkbookTexts::Corrupt.arg(QFileInfo(path).fileName(), WorkbookTexts::DetailMemory));
    }
}

// Turns the reader's FormatError into the clerk's message naming the file, row by row.
class GuardedRows : public SheetRows {
public:
    GuardedRows(QString path, std::unique_ptr<SheetRows> inner) : m_path(std::move(path)), m_inner(std::move(inner)) {}
    bool next(SheetRow& row) override
    {
        return guarded(m_path, [&] { return m_inner->next(row); });
    }
    QString cutShort() const override { return m_inner->cutShort(); }

private:
    QString m_path;
    std::unique_ptr<SheetRows> m_inner;
};

} // namespace

Workbook::~Workbook() = default;

std::unique_ptr<Workbook> Workbook::open(const QString& path)
{
    const Kind kind = sniff(path);
    return guarded(path, [&]() -> std::unique_ptr<Workbook> {
        switch (kind) {
        case Kind::Zip:
            if (OdsWorkbook::isOne(path))
                return std::make_unique<OdsWorkbook>(path);
            return std::make_unique<XlsxWorkbook>(path);
        case Kind::Compound:
            return std::make_unique<XlsWorkbook>(path, false);
        case Kind::BareBiff:
            return std::make_unique<XlsWorkbook>(path, true);
        case Kind::XmlSpreadsheet:
            return std::make_unique<XmlSpreadsheetWorkbook>(path);
        case Kind::DelimitedText:
            return std::make_unique<DelimitedTextWorkbook>(path);
        case Kind::Other:
            break;
        }
        throw Failure(WorkbookTexts::NotAWorkbook.arg(QFileInfo(path).fileName()));
    });
}

QStringList Workbook::sheetNames()
{
    return guarded(m_path, [&] { return readSheetNames(); });
}

int Workbook::findSheet(const QString& name)
{
    const QStringList names = sheetNames();
    for (int i = 0; i < names.size(); ++i)
        if (names.at(i).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

void Workbook::sheetMissing(const QString& name, const QStringList& names) const
{
    throw Failure(WorkbookTexts::SheetMissing.arg(name, names.join(AppTexts::ListSeparator)));
}

std::unique_ptr<SheetRows> Workbook::openRowsByName(const QString& name, int lastColumn)
{
    const int index = findSheet(name);
    if (index < 0)
        sheetMissing(name, sheetNames());
    return openRows(index, lastColumn);
}

std::unique_ptr<SheetRows> Workbook::rows(const QString& name, int lastColumn)
{
    auto inner = guarded(m_path, [&] { return openRowsByName(name, lastColumn); });
    return std::make_unique<GuardedRows>(m_path, std::move(inner));
}

const Worksheet& Workbook::worksheet(const QString& name)
{
    const QString key = name.toLower();
    auto it = m_loaded.find(key);
    if (it == m_loaded.end()) {
        auto sheetRows = rows(name);
        auto sheet = std::make_unique<Worksheet>(name, *sheetRows, ReaderLimits::kMaxCells);
        it = m_loaded.emplace(key, std::move(sheet)).first;
    }
    return *it->second;
}

} // namespace corvina
