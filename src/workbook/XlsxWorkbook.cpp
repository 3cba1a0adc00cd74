#include "workbook/XlsxWorkbook.h"

#include "workbook/PackagePath.h"

#include "app/Failure.h"
#include "workbook/DateFormats.h"
#include "workbook/FormatError.h"
#include "workbook/ReaderLimits.h"
#include "workbook/Texts.h"
#include "workbook/XmlPieceReader.h"

#include <QFileInfo>
#include <QHash>
#include <charconv>
#include <cstring>

namespace corvina {

namespace {

bool endsWith(const char* text, const char* suffix)
{
    const size_t n = std::strlen(text);
    const size_t m = std::strlen(suffix);
    return n >= m && std::strcmp(text + n - m, suffix) == 0;
}

// The relationships part of a part: "xl/_rels/workbook.xml.rels" for "xl/workbook.xml".
QString relsOf(const QString& part)
{
    const qsizetype slash = part.lastIndexOf(QLatin1Char('/'));
    return part.left(slash + 1) + QStringLiteral("_rels/") + part.mid(slash + 1) + QStringLiteral(".rels");
}

pugi::xml_document parseWhole(const ZipPackage& zip, const QString& part)
{
    std::string bytes = zip.read(part, ReaderLimits::kWholePartBytes);
    pugi::xml_document doc;
    const pugi::xml_parse_result result =
        doc.load_buffer(bytes.data(), bytes.size(), pugi::parse_default, pugi::encoding_auto);
    if (!result)
        throw FormatError(
            WorkbookTexts::DetailXml.arg(part, QString::fromUtf8(result.description())).arg(result.offset));
    return doc;
}

pugi::xml_node firstElement(const pugi::xml_node& parent, const char* local)
{
    for (pugi::xml_node n = parent.first_child(); n; n = n.next_sibling())
        if (isNamed(n, local))
            return n;
    return pugi::xml_node();
}

struct Relationship {
    QString type;
    QString target;
};

// Relationships of a part by id; internal targets only, resolved to part names.
QHash<QString, Relationship> readRelationships(const ZipPackage& zip, const QString& part)
{
    QHash<QString, Relationship> rels;
    const QString relsPart = relsOf(part);
    if (!zip.has(relsPart))
        return rels;
    const pugi::xml_document doc = parseWhole(zip, relsPart);
    const pugi::xml_node root = firstElement(doc, "Relationships");
    for (pugi::xml_node r = root.first_child(); r; r = r.next_sibling()) {
        if (!isNamed(r, "Relationship"))
            continue;
        if (std::strcmp(r.attribute("TargetMode").value(), "External") == 0)
            continue;
        rels.insert(QString::fromUtf8(r.attribute("Id").value()),
                    {QString::fromUtf8(r.attribute("Type").value()),
                     resolvePackageTarget(part, QString::fromUtf8(r.attribute("Target").value()))});
    }
    return rels;
}

QString findByType(const QHash<QString, Relationship>& rels, const char* suffix)
{
    for (const Relationship& r : rels)
        if (endsWith(r.type.toUtf8().constData(), suffix))
            return r.target;
    return QString();
}

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
    QString s = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    return s.contains(QLatin1String("_x")) ? decodeEscapes(std::move(s)) : s;
}

// "BC12" -> column 55, row 12. Missing digits keep *row; false when malformed.
bool parseReference(const char* ref, int* row, int* column)
{
    const char* p = ref;
    long long col = 0;
    while (*p == '$')
        ++p;
    while ((*p >= 'A' && *p <= 'Z') || (*p >= 'a' && *p <= 'z')) {
        col = col * 26 + ((*p | 0x20) - 'a' + 1);
        if (col > ReaderLimits::kMaxXlsxColumns)
            return false;
        ++p;
    }
    if (col == 0)
        return false;
    if (*p == '$')
        ++p;
    if (*p) {
        long long r = 0;
        while (*p >= '0' && *p <= '9') {
            r = r * 10 + (*p - '0');
            if (r > ReaderLimits::kMaxXlsxRows)
                return false;
            ++p;
        }
        if (*p || r == 0)
            return false;
        *row = static_cast<int>(r);
    }
    *column = static_cast<int>(col);
    return true;
}

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
    return result.ec == std::errc() && result.ptr == end;
}

} // namespace

XlsxWorkbook::XlsxWorkbook(const QString& path) : Workbook(path), m_zip(path)
{
    // The package's own relationships live in "_rels/.rels" (the root part has no name).
    QString workbookPart;
    if (m_zip.has(QStringLiteral("_rels/.rels"))) {
        const pugi::xml_document doc = parseWhole(m_zip, QStringLiteral("_rels/.rels"));
        const pugi::xml_node root = firstElement(doc, "Relationships");
        for (pugi::xml_node r = root.first_child(); r; r = r.next_sibling())
            if (isNamed(r, "Relationship") && endsWith(r.attribute("Type").value(), "/officeDocument"))
                workbookPart = resolvePackageTarget(QString(), QString::fromUtf8(r.attribute("Target").value()));
    }
    if (workbookPart.isEmpty() && m_zip.has(QStringLiteral("xl/workbook.xml")))
        workbookPart = QStringLiteral("xl/workbook.xml");
    if (workbookPart.isEmpty() || !m_zip.has(workbookPart))
        throw Failure(WorkbookTexts::NotAWorkbook.arg(QFileInfo(path).fileName()));

    const QHash<QString, Relationship> rels = readRelationships(m_zip, workbookPart);
    m_sharedStringsPart = findByType(rels, "/sharedStrings");
    m_stylesPart = findByType(rels, "/styles");

    const pugi::xml_document doc = parseWhole(m_zip, workbookPart);
    const pugi::xml_node workbook = firstElement(doc, "workbook");
    const pugi::xml_node pr = firstElement(workbook, "workbookPr");
    const char* d1904 = pr.attribute("date1904").value();
    m_date1904 = std::strcmp(d1904, "1") == 0 || std::strcmp(d1904, "true") == 0;
    for (pugi::xml_node sheet = firstElement(workbook, "sheets").first_child(); sheet; sheet = sheet.next_sibling()) {
        if (!isNamed(sheet, "sheet"))
            continue;
        QString id;
        for (pugi::xml_attribute a = sheet.first_attribute(); a; a = a.next_attribute())
            if (std::strchr(a.name(), ':') && std::strcmp(localName(a.name()), "id") == 0)
                id = QString::fromUtf8(a.value());
        const auto rel = rels.constFind(id);
        if (rel == rels.constEnd() || !endsWith(rel->type.toUtf8().constData(), "/worksheet"))
            continue; // chart and dialog sheets are no worksheets
        m_names.append(QString::fromUtf8(sheet.attribute("name").value()));
        m_targets.append(rel->target);
    }
}

QStringList XlsxWorkbook::sheetNames() const
{
    return m_names;
}

void XlsxWorkbook::loadSharedStrings()
{
    m_sharedLoaded = true;
    m_shared = std::make_shared<Worksheet::StringPool>();
    if (m_sharedStringsPart.isEmpty() || !m_zip.has(m_sharedStringsPart))
        return;
    auto* pool = m_shared.get();
    XmlPieceReader reader("sst", "si", m_sharedStringsPart, [pool](const pugi::xml_node& si) {
        if (!isNamed(si, "si"))
            return;
        if (pool->size() >= ReaderLimits::kMaxCells)
            throw FormatError(QStringLiteral("共享字符串过多"));
        pool->push_back(stringItemText(si));
    });
    m_zip.stream(m_sharedStringsPart, ReaderLimits::kStreamedPartBytes,
                 [&reader](const char* data, size_t size) { reader.feed(data, size); });
    reader.finish();
}

void XlsxWorkbook::loadStyles()
{
    if (m_stylesPart.isEmpty() || !m_zip.has(m_stylesPart))
        return;
    const pugi::xml_document doc = parseWhole(m_zip, m_stylesPart);
    const pugi::xml_node styles = firstElement(doc, "styleSheet");
    DateFormats formats;
    for (pugi::xml_node f = firstElement(styles, "numFmts").first_child(); f; f = f.next_sibling())
        if (isNamed(f, "numFmt"))
            formats.define(f.attribute("numFmtId").as_int(-1), QString::fromUtf8(f.attribute("formatCode").value()));
    for (pugi::xml_node xf = firstElement(styles, "cellXfs").first_child(); xf; xf = xf.next_sibling())
        if (isNamed(xf, "xf"))
            m_xfIsDate.push_back(formats.isDate(xf.attribute("numFmtId").as_int(0)));
}

std::unique_ptr<Worksheet> XlsxWorkbook::loadSheet(int index)
{
    if (!m_sharedLoaded) {
        loadSharedStrings();
        loadStyles();
    }
    const QString name = m_names.at(index);
    const QString part = m_targets.at(index);
    auto sheet = std::make_unique<Worksheet>(name, m_date1904, m_shared);
    Worksheet* ws = sheet.get();
    const auto& pool = *m_shared;
    const auto& xfIsDate = m_xfIsDate;
    const bool date1904 = m_date1904;
    int rowNumber = 0;
    // A cell takes some 40 bytes of XML or more.
    sheet->reserve(std::min(m_zip.statedSize(part) / 40, ReaderLimits::kMaxCells / 2));

    XmlPieceReader reader("sheetData", "row", part, [&](const pugi::xml_node& row) {
        if (!isNamed(row, "row"))
            return;
        const pugi::xml_attribute r = row.attribute("r");
        rowNumber = r ? r.as_int(0) : rowNumber + 1;
        if (rowNumber < 1 || rowNumber > ReaderLimits::kMaxXlsxRows)
            throw FormatError(WorkbookTexts::DetailCellRef.arg(QString::fromUtf8(r.value())));
        int column = 0;
        for (pugi::xml_node c = row.first_child(); c; c = c.next_sibling()) {
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
            int cellRow = rowNumber;
            if (ref) {
                if (!parseReference(ref, &cellRow, &column))
                    throw FormatError(WorkbookTexts::DetailCellRef.arg(QString::fromUtf8(ref)));
            } else if (++column > ReaderLimits::kMaxXlsxColumns) {
                throw FormatError(WorkbookTexts::DetailCellRef.arg(cellReference(cellRow, column)));
            }
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
                ws->addUncalculated(cellRow, column);
                continue;
            }
            const char* vText = v.child_value();
            switch (type[0]) {
            case 's':
                if (type[1] == 0) { // shared string
                    if (!v)
                        break;
                    char* end = nullptr;
                    const unsigned long long i = std::strtoull(vText, &end, 10);
                    if (end == vText || *end || i >= pool.size())
                        throw FormatError(WorkbookTexts::DetailSharedString.arg(cellReference(cellRow, column),
                                                                                QString::fromUtf8(vText)));
                    ws->addSharedText(cellRow, column, static_cast<quint32>(i));
                } else if (v) { // "str": a formula's text result
                    QString s = QString::fromUtf8(vText);
                    ws->addText(cellRow, column, s.contains(QLatin1String("_x")) ? decodeEscapes(s) : s);
                }
                break;
            case 'i': // inlineStr
                if (is)
                    ws->addText(cellRow, column, stringItemText(is));
                else if (v)
                    ws->addText(cellRow, column, QString::fromUtf8(vText));
                break;
            case 'b':
                if (v)
                    ws->addBoolean(cellRow, column, vText[0] == '1' || std::strcmp(vText, "true") == 0);
                break;
            case 'e':
                if (v)
                    ws->addText(cellRow, column, QString::fromUtf8(vText), CellType::Error);
                break;
            case 'd': {
                if (!v)
                    break;
                double serial = 0;
                if (isoDateSerial(QString::fromUtf8(vText), date1904, &serial))
                    ws->addNumber(cellRow, column, serial, true);
                else
                    ws->addText(cellRow, column, QString::fromUtf8(vText));
                break;
            }
            default: { // number
                if (!v || !*vText)
                    break;
                double value = 0;
                if (parseNumber(vText, &value)) {
                    const bool isDate = style >= 0 && static_cast<size_t>(style) < xfIsDate.size() &&
                                        xfIsDate[static_cast<size_t>(style)];
                    ws->addNumber(cellRow, column, value, isDate);
                } else {
                    ws->addText(cellRow, column, QString::fromUtf8(vText));
                }
                break;
            }
            }
            if (ws->cellCount() > ReaderLimits::kMaxCells)
                throw Failure(WorkbookTexts::TooManyCells.arg(name).arg(ReaderLimits::kMaxCells));
        }
    });
    m_zip.stream(part, ReaderLimits::kStreamedPartBytes,
                 [&reader](const char* data, size_t size) { reader.feed(data, size); });
    reader.finish();
    sheet->finish();
    return sheet;
}

} // namespace corvina
