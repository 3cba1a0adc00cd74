#include "spreadsheet/XlsxWorkbook.h"

#include "app/Failure.h"
#include "spreadsheet/FormatError.h"
#include "spreadsheet/OoxmlPackage.h"
#include "spreadsheet/ReaderLimits.h"
#include "spreadsheet/Texts.h"
#include "spreadsheet/XmlPieceReader.h"

#include <QFileInfo>
#include <charconv>
#include <cmath>
#include <cstring>
#include <deque>

namespace corvina {

namespace {

// "_xHHHH_" stands for the UTF-16 unit HHHH ("_x005F_" for the underscore itself).
QString decodeEscapes(QString text)
{
    qsizetype at = text.indexOf(QLatin1String("_x"));
    while (at >= 0 && at + 7 <= text.size()) {
        bool ok = text.at(at + 6) == QLatin1Char('_');
        const ushort unit = ok ? QStringView(text).mid(at + 2, 4).toUShort(&ok, 16) : 0;
        if (ok)
            text.replace(at, 7, QChar(unit));
        at = text.indexOf(QLatin1String("_x"), at + 1);
    }
    return text;
}

QString escapedText(const char* utf8, size_t size)
{
    QString s = QString::fromUtf8(utf8, static_cast<qsizetype>(size));
    return s.contains(QLatin1String("_x")) ? decodeEscapes(std::move(s)) : s;
}

// The text of a shared or inline string: plain <t>, or the <t> of its rich-text runs.
// Phonetic runs (<rPh>) are reading aids, not part of the text.
QString stringItemText(const pugi::xml_node& item)
{
    std::string text;
    for (pugi::xml_node n = item.first_child(); n; n = n.next_sibling()) {
        if (isNamed(n, "t")) {
            text += n.child_value();
        } else if (isNamed(n, "r")) {
            for (pugi::xml_node t = n.first_child(); t; t = t.next_sibling())
                if (isNamed(t, "t"))
                    text += t.child_value();
        }
    }
    return escapedText(text.data(), text.size());
}

// A number as the file writes it; infinities and not-a-numbers are no numbers.
bool parseNumber(const char* text, double* value)
{
    while (*text == ' ' || *text == '\t' || *text == '\r' || *text == '\n')
        ++text;
    if (*text == '+')
        ++text;
    const char* end = text + std::strlen(text);
    while (end > text && (end[-1] == ' ' || end[-1] == '\t' || end[-1] == '\r' || end[-1] == '\n'))
        --end;
    if (end == text)
        return false;
    const auto result = std::from_chars(text, end, *value);
    return result.ec == std::errc() && result.ptr == end && std::isfinite(*value);
}

// Streams the rows of one worksheet part: the part is inflated a block at a time and parsed a
// piece of whole rows at a time; the rows of the last piece wait in a queue.
class XlsxSheetRows : public SheetRows {
public:
    XlsxSheetRows(const ZipPackage& zip, const QString& part, int lastColumn, bool date1904,
                  std::shared_ptr<const StringPool> shared, std::shared_ptr<const std::vector<DateFormats::Kind>> kinds)
        : m_part(zip.open(part, 0)), m_lastColumn(lastColumn > 0 ? lastColumn : ReaderLimits::kMaxColumns),
          m_date1904(date1904), m_shared(std::move(shared)), m_kinds(std::move(kinds)),
          m_reader("sheetData", "row", part, [this](const pugi::xml_node& row) { addRow(row); })
    {
    }

    bool next(SheetRow& row) override
    {
        while (m_queue.empty() && !m_ended) {
            const size_t n = m_part.read(m_block.data(), m_block.size());
            if (n == 0) {
                m_reader.finish();
                m_ended = true;
            } else {
                m_reader.feed(m_block.data(), n);
            }
        }
        if (m_queue.empty())
            return false;
        row = std::move(m_queue.front());
        m_queue.pop_front();
        return true;
    }

private:
    void addRow(const pugi::xml_node& node)
    {
        if (!isNamed(node, "row"))
            return;
        const pugi::xml_attribute r = node.attribute("r");
        int number = r ? r.as_int(0) : m_rowNumber + 1;
        if (!r) {
            // Some writers number the cells but not the rows.
            for (pugi::xml_node c = node.first_child(); c; c = c.next_sibling())
                if (isNamed(c, "c") && c.attribute("r")) {
                    int column = 0;
                    parseCellReference(c.attribute("r").value(), &number, &column);
                    break;
                }
        }
        if (number < 1 || number > ReaderLimits::kMaxRows)
            throw FormatError(WorkbookTexts::DetailCellRef.arg(QString::fromUtf8(r.value())));
        // Rows come in ascending order; one that goes back would make the sheet's rows ambiguous
        // and its reading unbounded.
        if (number <= m_rowNumber)
            throw FormatError(WorkbookTexts::DetailRowOrder.arg(number));
        m_rowNumber = number;

        SheetRow row;
        row.number = number;
        row.cells.reserve(16);
        int column = 0;
        for (pugi::xml_node c = node.first_child(); c; c = c.next_sibling()) {
            if (!isNamed(c, "c"))
                continue;
            const char* ref = nullptr;
            const char* type = "n";
            int style = 0;
            for (pugi::xml_attribute a = c.first_attribute(); a; a = a.next_attribute()) {
                const char* an = a.name();
                if (an[0] == 'r' && an[1] == 0)
                    ref = a.value();
                else if (an[0] == 't' && an[1] == 0)
                    type = a.value();
                else if (an[0] == 's' && an[1] == 0)
                    style = a.as_int(0);
            }
            int cellRow = number;
            if (ref) {
                if (!parseCellReference(ref, &cellRow, &column))
                    throw FormatError(WorkbookTexts::DetailCellRef.arg(QString::fromUtf8(ref)));
            } else if (++column > ReaderLimits::kMaxColumns) {
                throw FormatError(WorkbookTexts::DetailCellRef.arg(cellReference(cellRow, column)));
            }
            if (column > m_lastColumn)
                continue;
            pugi::xml_node v;
            pugi::xml_node is;
            bool formula = false;
            for (pugi::xml_node n = c.first_child(); n; n = n.next_sibling()) {
                if (isNamed(n, "v"))
                    v = n;
                else if (isNamed(n, "is"))
                    is = n;
                else if (isNamed(n, "f"))
                    formula = true;
            }
            // An empty <v/> beside a formula is no result either, except for a text result.
            if (formula && !is && (!v || (!*v.child_value() && std::strcmp(type, "str") != 0))) {
                row.cells.push_back({column, CellValue::uncalculatedFormula()});
                continue;
            }
            CellValue value = cellValue(type, style, v, is, number, column);
            if (!value.isEmpty())
                row.cells.push_back({column, std::move(value)});
        }
        if (row.cells.empty())
            return;
        row.settle();
        m_queue.push_back(std::move(row));
    }

    DateFormats::Kind styleKind(int style) const
    {
        return style >= 0 && static_cast<size_t>(style) < m_kinds->size() ? (*m_kinds)[static_cast<size_t>(style)]
                                                                          : DateFormats::Kind::None;
    }

    CellValue cellValue(const char* type, int style, const pugi::xml_node& v, const pugi::xml_node& is, int row,
                        int column) const
    {
        const char* vText = v.child_value();
        switch (type[0]) {
        case 's':
            if (type[1] == 0) {    // shared string
                if (!v || !*vText) // <v/>, written by some libraries: an empty cell, as other readers take it
                    break;
                char* end = nullptr;
                const unsigned long long i = std::strtoull(vText, &end, 10);
                if (end == vText || *end || i >= m_shared->size())
                    throw FormatError(
                        WorkbookTexts::DetailSharedString.arg(cellReference(row, column), QString::fromUtf8(vText)));
                return CellValue::fromText(m_shared->at(static_cast<size_t>(i)));
            }
            if (v) // "str": a formula's text result
                return CellValue::fromText(escapedText(vText, std::strlen(vText)));
            break;
        case 'i': // inlineStr
            if (is)
                return CellValue::fromText(stringItemText(is));
            if (v)
                return CellValue::fromText(QString::fromUtf8(vText));
            break;
        case 'b':
            if (v)
                return CellValue::fromBoolean(vText[0] == '1' || std::strcmp(vText, "true") == 0);
            break;
        case 'e':
            if (v)
                return CellValue::fromText(QString::fromUtf8(vText), CellType::Error);
            break;
        case 'd': {
            if (!v)
                break;
            const QString iso = QString::fromUtf8(vText);
            double serial = 0;
            if (isoDateSerial(iso, m_date1904, &serial)) {
                const bool timeOnly = styleKind(style) == DateFormats::Kind::Time || !iso.contains(QLatin1Char('-'));
                return CellValue::fromSerial(serial, m_date1904, timeOnly);
            }
            return CellValue::fromText(iso);
        }
        default: { // number
            if (!v || !*vText)
                break;
            double value = 0;
            if (!parseNumber(vText, &value))
                return CellValue::fromText(QString::fromUtf8(vText));
            const DateFormats::Kind kind = styleKind(style);
            if (kind == DateFormats::Kind::None)
                return CellValue::fromNumber(value);
            return CellValue::fromSerial(value, m_date1904, kind == DateFormats::Kind::Time);
        }
        }
        return CellValue();
    }

    PrefetchedPart m_part;
    int m_lastColumn;
    bool m_date1904;
    std::shared_ptr<const StringPool> m_shared;
    std::shared_ptr<const std::vector<DateFormats::Kind>> m_kinds;
    XmlPieceReader m_reader;
    std::vector<char> m_block = std::vector<char>(256 * 1024);
    std::deque<SheetRow> m_queue;
    int m_rowNumber = 0;
    bool m_ended = false;
};

} // namespace

XlsxWorkbook::XlsxWorkbook(const QString& path) : Workbook(path), m_zip(path)
{
    const OoxmlPackage package(m_zip);
    const QString workbookPart = package.workbookPart();
    if (workbookPart.isEmpty())
        throw Failure(WorkbookTexts::NotAWorkbook.arg(QFileInfo(path).fileName()));

    const std::vector<OoxmlPackage::Relationship> rels = package.relationshipsOf(workbookPart);
    for (const OoxmlPackage::Relationship& r : rels) {
        if (OoxmlPackage::typeIs(r.type, "/sharedStrings"))
            m_sharedStringsPart = r.target;
        else if (OoxmlPackage::typeIs(r.type, "/styles"))
            m_stylesPart = r.target;
    }

    const pugi::xml_document doc = package.parse(workbookPart);
    for (pugi::xml_node pr = doc.document_element().first_child(); pr; pr = pr.next_sibling())
        if (isNamed(pr, "workbookPr")) {
            const char* d1904 = pr.attribute("date1904").value();
            m_date1904 = std::strcmp(d1904, "1") == 0 || std::strcmp(d1904, "true") == 0;
        }
    for (const OoxmlPackage::Sheet& sheet : OoxmlPackage::sheets(doc, rels)) {
        if (!sheet.worksheet)
            continue;
        m_names.append(sheet.name);
        m_targets.append(sheet.target);
    }
}

QStringList XlsxWorkbook::readSheetNames()
{
    return m_names;
}

void XlsxWorkbook::loadSharedStrings()
{
    m_shared = std::make_shared<StringPool>();
    if (m_sharedStringsPart.isEmpty() || !m_zip.has(m_sharedStringsPart))
        return;
    StringPool* pool = m_shared.get();
    XmlPieceReader reader("sst", "si", m_sharedStringsPart, [pool](const pugi::xml_node& si) {
        if (!isNamed(si, "si"))
            return;
        pool->append(stringItemText(si));
        if (pool->size() > ReaderLimits::kMaxSharedStrings || pool->characters() > ReaderLimits::kMaxSharedCharacters)
            throw FormatError(WorkbookTexts::DetailTooManyStrings.arg(
                QString::number(ReaderLimits::kMaxSharedStrings),
                QString::number(ReaderLimits::kMaxSharedCharacters / ReaderLimits::kMib)));
    });
    m_zip.stream(m_sharedStringsPart, ReaderLimits::kSharedStringsBytes,
                 [&reader](const char* data, size_t size) { reader.feed(data, size); });
    reader.finish();
    pool->finish();
}

void XlsxWorkbook::loadStyles()
{
    m_xfKinds = std::make_shared<std::vector<DateFormats::Kind>>();
    if (m_stylesPart.isEmpty() || !m_zip.has(m_stylesPart))
        return;
    const pugi::xml_document doc = OoxmlPackage(m_zip).parse(m_stylesPart);
    DateFormats formats;
    for (pugi::xml_node list = doc.document_element().first_child(); list; list = list.next_sibling()) {
        if (isNamed(list, "numFmts")) {
            for (pugi::xml_node f = list.first_child(); f; f = f.next_sibling())
                if (isNamed(f, "numFmt"))
                    formats.define(f.attribute("numFmtId").as_int(-1),
                                   QString::fromUtf8(f.attribute("formatCode").value()));
        } else if (isNamed(list, "cellXfs")) {
            for (pugi::xml_node xf = list.first_child(); xf; xf = xf.next_sibling())
                if (isNamed(xf, "xf"))
                    m_xfKinds->push_back(formats.kind(xf.attribute("numFmtId").as_int(0)));
        }
    }
}

std::unique_ptr<SheetRows> XlsxWorkbook::openRows(int index, int lastColumn)
{
    if (!m_sharedLoaded) {
        loadSharedStrings();
        loadStyles();
        m_sharedLoaded = true;
    }
    return std::make_unique<XlsxSheetRows>(m_zip, m_targets.at(index), lastColumn, m_date1904, m_shared, m_xfKinds);
}

} // namespace corvina
