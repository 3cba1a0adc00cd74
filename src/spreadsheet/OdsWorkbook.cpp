#include "spreadsheet/OdsWorkbook.h"

#include "spreadsheet/FormatError.h"
#include "spreadsheet/ReaderLimits.h"
#include "spreadsheet/Texts.h"
#include "spreadsheet/XmlTokenStream.h"

#include <QFileInfo>
#include <cmath>
#include <optional>

namespace corvina {

namespace {

const QString kContent = QStringLiteral("content.xml");
constexpr QLatin1StringView kOffice("urn:oasis:names:tc:opendocument:xmlns:office:1.0");
constexpr QLatin1StringView kTable("urn:oasis:names:tc:opendocument:xmlns:table:1.0");
constexpr QLatin1StringView kText("urn:oasis:names:tc:opendocument:xmlns:text:1.0");
constexpr QLatin1StringView kCalcExt("urn:org:documentfoundation:names:experimental:calc:xmlns:calcext:1.0");

bool is(const QXmlStreamReader& xml, QLatin1StringView ns, QLatin1StringView name)
{
    return xml.namespaceUri() == ns && xml.name() == name;
}

qint64 repeatCount(const QXmlStreamAttributes& attributes, QLatin1StringView name)
{
    const QStringView text = attributes.value(kTable, name);
    if (text.isEmpty())
        return 1;
    bool ok = false;
    const qint64 n = text.toLongLong(&ok);
    return ok && n >= 1 ? n : 1;
}

// "PT14H07M09S" (with days, fractions and a sign as they come) in seconds.
std::optional<double> durationSeconds(QStringView text)
{
    bool negative = false;
    if (text.startsWith(u'-')) {
        negative = true;
        text = text.mid(1);
    }
    if (!text.startsWith(u'P'))
        return std::nullopt;
    double seconds = 0;
    bool inTime = false;
    qsizetype start = 1;
    for (qsizetype i = 1; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'T') {
            inTime = true;
            start = i + 1;
            continue;
        }
        if (c.isDigit() || c == u'.')
            continue;
        bool ok = false;
        const double n = text.mid(start, i - start).toDouble(&ok);
        if (!ok)
            return std::nullopt;
        switch (c.unicode()) {
        case u'D':
            seconds += n * 86400;
            break;
        case u'H':
            seconds += n * 3600;
            break;
        case u'M':
            if (!inTime)
                return std::nullopt; // months have no fixed length
            seconds += n * 60;
            break;
        case u'S':
            seconds += n;
            break;
        default:
            return std::nullopt;
        }
        start = i + 1;
    }
    return negative ? -seconds : seconds;
}

// Streams content.xml: finds a sheet (table) and hands out its rows.
class OdsSheetRows : public SheetRows {
public:
    OdsSheetRows(const ZipPackage& zip, int lastColumn)
        : m_part(zip.open(kContent, 0)),
          m_xml(kContent, [this](char* into, size_t max) { return m_part->read(into, max); }),
          m_lastColumn(lastColumn > 0 ? lastColumn : ReaderLimits::kMaxColumns)
    {
    }

    // Reads on to the wanted sheet (by position, or by name in any case); false when the content
    // ends first. The names passed on the way are kept.
    bool seek(int index, const QString& name)
    {
        bool inSpreadsheet = false;
        while (true) {
            switch (m_xml.next()) {
            case QXmlStreamReader::StartElement: {
                QXmlStreamReader& xml = m_xml.xml();
                if (!inSpreadsheet) {
                    inSpreadsheet = is(xml, kOffice, QLatin1StringView("spreadsheet"));
                    continue; // the way down to the spreadsheet
                }
                if (!is(xml, kTable, QLatin1StringView("table"))) {
                    m_xml.skipElement();
                    continue;
                }
                const QString tableName = xml.attributes().value(kTable, QLatin1StringView("name")).toString();
                m_names << tableName;
                if ((index >= 0 && m_names.size() - 1 == index) ||
                    (index < 0 && tableName.compare(name, Qt::CaseInsensitive) == 0))
                    return true;
                m_xml.skipElement();
                continue;
            }
            case QXmlStreamReader::EndElement:
                if (inSpreadsheet && is(m_xml.xml(), kOffice, QLatin1StringView("spreadsheet")))
                    return false;
                continue;
            case QXmlStreamReader::EndDocument:
                return false;
            default:
                continue;
            }
        }
    }
    const QStringList& namesSeen() const { return m_names; }

    bool next(SheetRow& row) override
    {
        while (true) {
            if (m_repeatLeft > 0) {
                --m_repeatLeft;
                row = m_repeated;
                row.number = ++m_rowNumber;
                return true;
            }
            if (m_done)
                return false;
            switch (m_xml.next()) {
            case QXmlStreamReader::StartElement: {
                QXmlStreamReader& xml = m_xml.xml();
                if (is(xml, kTable, QLatin1StringView("table-row")))
                    readRow();
                else if (xml.namespaceUri() == kTable && (xml.name() == QLatin1StringView("table-header-rows") ||
                                                          xml.name() == QLatin1StringView("table-row-group") ||
                                                          xml.name() == QLatin1StringView("table-rows")))
                    ++m_depth; // rows in groups are rows of the sheet all the same
                else
                    m_xml.skipElement();
                continue;
            }
            case QXmlStreamReader::EndElement:
                if (m_depth == 0)
                    m_done = true; // the table's end
                else
                    --m_depth;
                continue;
            case QXmlStreamReader::EndDocument:
                m_done = true;
                continue;
            default:
                continue;
            }
        }
    }

private:
    void readRow()
    {
        const qint64 repeat = repeatCount(m_xml.xml().attributes(), QLatin1StringView("number-rows-repeated"));
        SheetRow row;
        qint64 column = 1;
        while (true) {
            const QXmlStreamReader::TokenType token = m_xml.next();
            if (token == QXmlStreamReader::EndElement || token == QXmlStreamReader::EndDocument)
                break;
            if (token != QXmlStreamReader::StartElement)
                continue;
            QXmlStreamReader& xml = m_xml.xml();
            if (!is(xml, kTable, QLatin1StringView("table-cell")) &&
                !is(xml, kTable, QLatin1StringView("covered-table-cell"))) {
                m_xml.skipElement();
                continue;
            }
            const qint64 cellRepeat = repeatCount(xml.attributes(), QLatin1StringView("number-columns-repeated"));
            const CellValue value = readCell();
            if (!value.isEmpty() || value.uncalculated) {
                for (qint64 k = 0; k < cellRepeat && column + k <= m_lastColumn; ++k) {
                    if (column + k > ReaderLimits::kMaxColumns)
                        throw FormatError(WorkbookTexts::DetailCellRef.arg(
                            cellReference(static_cast<int>(std::min<qint64>(m_rowNumber + 1, ReaderLimits::kMaxRows)),
                                          ReaderLimits::kMaxColumns + 1)));
                    row.cells.push_back({static_cast<int>(column + k), value});
                }
            }
            column = std::min<qint64>(column + cellRepeat, qint64(ReaderLimits::kMaxColumns) + 1);
        }
        if (row.cells.empty()) {
            m_rowNumber = std::min<qint64>(m_rowNumber + repeat, ReaderLimits::kMaxRows);
            return;
        }
        if (m_rowNumber + repeat > ReaderLimits::kMaxRows)
            throw FormatError(WorkbookTexts::DetailCellRef.arg(cellReference(ReaderLimits::kMaxRows + 1, 1)));
        m_repeated = std::move(row);
        m_repeatLeft = repeat;
    }

    // The cell whose start was the last token, read to its end.
    CellValue readCell()
    {
        const QXmlStreamAttributes a = m_xml.xml().attributes();
        const QString type = a.value(kOffice, QLatin1StringView("value-type")).toString();
        const bool error = a.value(kCalcExt, QLatin1StringView("value-type")) == QLatin1StringView("error");
        const bool formula = a.hasAttribute(kTable, QLatin1StringView("formula"));
        const QString value = a.value(kOffice, QLatin1StringView("value")).toString();
        const QString dateValue = a.value(kOffice, QLatin1StringView("date-value")).toString();
        const QString timeValue = a.value(kOffice, QLatin1StringView("time-value")).toString();
        const QString booleanValue = a.value(kOffice, QLatin1StringView("boolean-value")).toString();
        const QString stringValue = a.value(kOffice, QLatin1StringView("string-value")).toString();
        const QString text = readCellText();

        if (error)
            return CellValue::fromText(text, CellType::Error);
        if (type == QLatin1StringView("float") || type == QLatin1StringView("percentage") ||
            type == QLatin1StringView("currency")) {
            bool ok = false;
            const double number = value.toDouble(&ok);
            // A logical formula (TRUE(), A1>2) keeps its result as the number 1 or 0 and shows it
            // as TRUE or FALSE; the shown word tells it from an arithmetic result.
            if (ok && formula && (number == 1 || number == 0) &&
                text.compare(number != 0 ? QLatin1StringView("TRUE") : QLatin1StringView("FALSE"),
                             Qt::CaseInsensitive) == 0)
                return CellValue::fromBoolean(number != 0);
            if (ok)
                return CellValue::fromNumber(number);
        } else if (type == QLatin1StringView("date")) {
            double serial = 0;
            if (isoDateSerial(dateValue, false, &serial))
                return CellValue::fromSerial(serial, false, false);
        } else if (type == QLatin1StringView("time")) {
            if (const auto seconds = durationSeconds(timeValue))
                return CellValue::fromSerial(*seconds / 86400.0, false, true);
        } else if (type == QLatin1StringView("boolean")) {
            return CellValue::fromBoolean(booleanValue == QLatin1StringView("true") ||
                                          booleanValue == QLatin1StringView("1"));
        } else if (type == QLatin1StringView("string")) {
            return CellValue::fromText(stringValue.isEmpty() ? text : stringValue);
        }
        if (type.isEmpty() || type == QLatin1StringView("void")) {
            if (formula)
                return CellValue::uncalculatedFormula();
            return text.isEmpty() ? CellValue() : CellValue::fromText(text);
        }
        // A typed value whose value attribute is missing: a formula never calculated, or text.
        if (formula)
            return CellValue::uncalculatedFormula();
        return text.isEmpty() ? CellValue() : CellValue::fromText(text);
    }

    // The paragraphs of a cell joined by line breaks; annotations and drawings are no part of it.
    QString readCellText()
    {
        QString text;
        int paragraphs = 0;
        while (true) {
            const QXmlStreamReader::TokenType token = m_xml.next();
            if (token == QXmlStreamReader::EndElement || token == QXmlStreamReader::EndDocument)
                return text;
            if (token != QXmlStreamReader::StartElement)
                continue;
            QXmlStreamReader& xml = m_xml.xml();
            if (xml.namespaceUri() == kText &&
                (xml.name() == QLatin1StringView("p") || xml.name() == QLatin1StringView("h"))) {
                if (paragraphs++ > 0)
                    text += QLatin1Char('\n');
                readParagraph(text);
            } else {
                m_xml.skipElement();
            }
        }
    }

    void readParagraph(QString& text)
    {
        for (int depth = 1; depth > 0;) {
            switch (m_xml.next()) {
            case QXmlStreamReader::Characters:
                text += m_xml.xml().text();
                break;
            case QXmlStreamReader::StartElement: {
                QXmlStreamReader& xml = m_xml.xml();
                if (xml.namespaceUri() != kText) {
                    m_xml.skipElement(); // frames, annotations
                } else if (xml.name() == QLatin1StringView("s")) {
                    bool ok = false;
                    const qint64 c = xml.attributes().value(kText, QLatin1StringView("c")).toLongLong(&ok);
                    text += QString(
                        static_cast<qsizetype>(ok && c > 0 ? std::min<qint64>(c, ReaderLimits::kMaxCellText) : 1),
                        QLatin1Char(' '));
                    m_xml.skipElement();
                } else if (xml.name() == QLatin1StringView("tab")) {
                    text += QLatin1Char('\t');
                    m_xml.skipElement();
                } else if (xml.name() == QLatin1StringView("line-break")) {
                    text += QLatin1Char('\n');
                    m_xml.skipElement();
                } else if (xml.name() == QLatin1StringView("note") || xml.name() == QLatin1StringView("ruby-text")) {
                    m_xml.skipElement();
                } else {
                    ++depth; // spans, links: their text is the paragraph's
                }
                break;
            }
            case QXmlStreamReader::EndElement:
                --depth;
                break;
            case QXmlStreamReader::EndDocument:
                return;
            default:
                break;
            }
            if (text.size() > ReaderLimits::kMaxCellText)
                throw FormatError(WorkbookTexts::DetailCellText.arg(ReaderLimits::kMaxCellText));
        }
    }

    std::unique_ptr<ZipPackage::Part> m_part;
    XmlTokenStream m_xml;
    int m_lastColumn;
    QStringList m_names;
    qint64 m_rowNumber = 0;
    qint64 m_repeatLeft = 0;
    SheetRow m_repeated;
    int m_depth = 0;
    bool m_done = false;
};

} // namespace

OdsWorkbook::OdsWorkbook(const QString& path) : Workbook(path), m_zip(path)
{
    if (!m_zip.has(kContent))
        throw FormatError(WorkbookTexts::DetailPartMissing.arg(kContent));
}

bool OdsWorkbook::isOne(const QString& path)
{
    try {
        const ZipPackage zip(path);
        if (zip.has(QStringLiteral("mimetype"))) {
            const std::string type = zip.read(QStringLiteral("mimetype"), 256);
            return type.rfind("application/vnd.oasis.opendocument.spreadsheet", 0) == 0;
        }
        return zip.has(kContent) && !zip.has(QStringLiteral("[Content_Types].xml"));
    } catch (const std::exception&) {
        return false; // the workbook reader reports what is wrong with the package
    }
}

QStringList OdsWorkbook::readSheetNames()
{
    if (!m_namesKnown) {
        OdsSheetRows scan(m_zip, 0);
        scan.seek(-1, QString(QChar(0))); // no sheet has that name: every one is passed
        m_names = scan.namesSeen();
        m_namesKnown = true;
    }
    return m_names;
}

std::unique_ptr<SheetRows> OdsWorkbook::openRows(int index, int lastColumn)
{
    auto rows = std::make_unique<OdsSheetRows>(m_zip, lastColumn);
    if (!rows->seek(index, QString()))
        throw FormatError(WorkbookTexts::DetailPartMissing.arg(kContent));
    return rows;
}

std::unique_ptr<SheetRows> OdsWorkbook::openRowsByName(const QString& name, int lastColumn)
{
    auto rows = std::make_unique<OdsSheetRows>(m_zip, lastColumn);
    if (!rows->seek(-1, name)) {
        m_names = rows->namesSeen();
        m_namesKnown = true;
        sheetMissing(name, m_names);
    }
    return rows;
}

} // namespace corvina
