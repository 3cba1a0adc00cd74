#include "spreadsheet/XmlSpreadsheetWorkbook.h"

#include "app/Failure.h"
#include "spreadsheet/DateFormats.h"
#include "spreadsheet/FormatError.h"
#include "spreadsheet/ReaderLimits.h"
#include "spreadsheet/Texts.h"
#include "spreadsheet/XmlTokenStream.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>

namespace corvina {

namespace {

constexpr QLatin1StringView kSpreadsheet("urn:schemas-microsoft-com:office:spreadsheet");

bool is(const QXmlStreamReader& xml, QLatin1StringView name)
{
    return xml.namespaceUri() == kSpreadsheet && xml.name() == name;
}

// Attributes are written ss:Name; a writer that leaves out the prefix is read too.
QStringView attribute(const QXmlStreamAttributes& attributes, QLatin1StringView name)
{
    const QStringView prefixed = attributes.value(kSpreadsheet, name);
    return prefixed.isNull() ? attributes.value(QString(), name) : prefixed;
}

// The named formats the workbook program offers besides format codes.
DateFormats::Kind formatKind(const QString& format)
{
    static const QStringList dates = {QStringLiteral("General Date"), QStringLiteral("Long Date"),
                                      QStringLiteral("Medium Date"), QStringLiteral("Short Date")};
    static const QStringList times = {QStringLiteral("Long Time"), QStringLiteral("Medium Time"),
                                      QStringLiteral("Short Time")};
    if (dates.contains(format, Qt::CaseInsensitive))
        return DateFormats::Kind::Date;
    if (times.contains(format, Qt::CaseInsensitive))
        return DateFormats::Kind::Time;
    static const QStringList others = {QStringLiteral("General"),   QStringLiteral("General Number"),
                                       QStringLiteral("Currency"),  QStringLiteral("Fixed"),
                                       QStringLiteral("Standard"),  QStringLiteral("Percent"),
                                       QStringLiteral("Scientific")};
    if (others.contains(format, Qt::CaseInsensitive))
        return DateFormats::Kind::None;
    return DateFormats::codeKind(format);
}

class XmlSpreadsheetRows : public SheetRows {
public:
    XmlSpreadsheetRows(const QString& path, int lastColumn)
        : m_file(path), m_xml(QFileInfo(path).fileName(),
                              [this](char* into, size_t max) {
                                  const qint64 n = m_file.read(into, static_cast<qint64>(max));
                                  return n > 0 ? static_cast<size_t>(n) : size_t(0);
                              }),
          m_lastColumn(lastColumn > 0 ? lastColumn : ReaderLimits::kMaxColumns)
    {
        if (!m_file.open(QIODevice::ReadOnly))
            throw Failure(WorkbookTexts::CannotOpenFile.arg(path, m_file.errorString()));
    }

    // Reads on to the wanted worksheet (by position, or by name in any case); false when the
    // workbook ends first. The styles and the names passed on the way are kept.
    bool seek(int index, const QString& name)
    {
        int depth = 0;
        while (true) {
            switch (m_xml.next()) {
            case QXmlStreamReader::StartElement: {
                QXmlStreamReader& xml = m_xml.xml();
                if (depth == 0) {
                    if (!is(xml, QLatin1StringView("Workbook")))
                        throw FormatError(WorkbookTexts::DetailXml.arg(QStringLiteral("Workbook"),
                                                                       xml.name().toString(), QString::number(0)));
                    depth = 1;
                    continue;
                }
                if (is(xml, QLatin1StringView("Styles"))) {
                    readStyles();
                    continue;
                }
                if (!is(xml, QLatin1StringView("Worksheet"))) {
                    m_xml.skipElement();
                    continue;
                }
                const QString sheetName = attribute(xml.attributes(), QLatin1StringView("Name")).toString();
                m_names << sheetName;
                if ((index >= 0 && m_names.size() - 1 == index) ||
                    (index < 0 && sheetName.compare(name, Qt::CaseInsensitive) == 0))
                    return true;
                m_xml.skipElement();
                continue;
            }
            case QXmlStreamReader::EndElement:
            case QXmlStreamReader::EndDocument:
                return false; // the workbook's end
            default:
                continue;
            }
        }
    }
    const QStringList& namesSeen() const { return m_names; }

    bool next(SheetRow& row) override
    {
        while (!m_done) {
            switch (m_xml.next()) {
            case QXmlStreamReader::StartElement: {
                QXmlStreamReader& xml = m_xml.xml();
                if (!m_inTable) {
                    if (is(xml, QLatin1StringView("Table")))
                        m_inTable = true;
                    else
                        m_xml.skipElement(); // worksheet options, names
                    continue;
                }
                if (!is(xml, QLatin1StringView("Row"))) {
                    m_xml.skipElement(); // columns
                    continue;
                }
                if (readRow(row))
                    return true;
                continue;
            }
            case QXmlStreamReader::EndElement:
                if (m_inTable)
                    m_inTable = false; // the table's end; the worksheet's comes next
                else
                    m_done = true;
                continue;
            case QXmlStreamReader::EndDocument:
                m_done = true;
                continue;
            default:
                continue;
            }
        }
        return false;
    }

private:
    void readStyles()
    {
        QString id;
        for (int depth = 1; depth > 0;) {
            switch (m_xml.next()) {
            case QXmlStreamReader::StartElement: {
                QXmlStreamReader& xml = m_xml.xml();
                ++depth;
                if (is(xml, QLatin1StringView("Style"))) {
                    id = attribute(xml.attributes(), QLatin1StringView("ID")).toString();
                } else if (is(xml, QLatin1StringView("NumberFormat")) && !id.isEmpty()) {
                    if (static_cast<size_t>(m_styles.size()) >= ReaderLimits::kMaxStyles)
                        throw FormatError(WorkbookTexts::DetailTooManyStyles.arg(ReaderLimits::kMaxStyles));
                    m_styles.insert(id,
                                    formatKind(attribute(xml.attributes(), QLatin1StringView("Format")).toString()));
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
        }
    }

    int position(const QXmlStreamAttributes& attributes, int following, int limit, bool row) const
    {
        const QStringView index = attribute(attributes, QLatin1StringView("Index"));
        if (index.isEmpty())
            return following;
        bool ok = false;
        const qint64 n = index.toLongLong(&ok);
        // Positions go forward only, within the grid.
        if (!ok || n < following || n > limit)
            throw FormatError(
                WorkbookTexts::DetailCellRef.arg(row ? WorkbookTexts::DetailRowAt.arg(index.toString())
                                                     : WorkbookTexts::DetailColumnAt.arg(index.toString())));
        return static_cast<int>(n);
    }

    // The row whose start was the last token; false when it holds no cell.
    bool readRow(SheetRow& row)
    {
        const int number = position(m_xml.xml().attributes(), m_rowNumber + 1, ReaderLimits::kMaxRows, true);
        if (number > ReaderLimits::kMaxRows)
            throw FormatError(WorkbookTexts::DetailCellRef.arg(cellReference(number, 1)));
        m_rowNumber = number;
        row = SheetRow();
        row.number = number;
        qint64 column = 1;
        while (true) {
            const QXmlStreamReader::TokenType token = m_xml.next();
            if (token == QXmlStreamReader::EndElement || token == QXmlStreamReader::EndDocument)
                break;
            if (token != QXmlStreamReader::StartElement)
                continue;
            QXmlStreamReader& xml = m_xml.xml();
            if (!is(xml, QLatin1StringView("Cell"))) {
                m_xml.skipElement();
                continue;
            }
            const QXmlStreamAttributes a = xml.attributes();
            const int at = position(a, static_cast<int>(column), ReaderLimits::kMaxColumns, false);
            if (at > ReaderLimits::kMaxColumns)
                throw FormatError(WorkbookTexts::DetailCellRef.arg(cellReference(number, at)));
            bool ok = false;
            const qint64 across = attribute(a, QLatin1StringView("MergeAcross")).toLongLong(&ok);
            const QString style = attribute(a, QLatin1StringView("StyleID")).toString();
            const bool formula = !attribute(a, QLatin1StringView("Formula")).isEmpty();
            CellValue value = readCell(style, formula);
            if ((!value.isEmpty() || value.uncalculated) && at <= m_lastColumn)
                row.cells.push_back({at, std::move(value)});
            column = at + 1 + (ok && across > 0 ? std::min<qint64>(across, ReaderLimits::kMaxColumns) : 0);
        }
        return !row.cells.empty();
    }

    // The cell whose start was the last token, read to its end.
    CellValue readCell(const QString& style, bool formula)
    {
        QString type;
        QString text;
        bool hasData = false;
        while (true) {
            const QXmlStreamReader::TokenType token = m_xml.next();
            if (token == QXmlStreamReader::EndElement || token == QXmlStreamReader::EndDocument)
                break;
            if (token != QXmlStreamReader::StartElement)
                continue;
            QXmlStreamReader& xml = m_xml.xml();
            if (!is(xml, QLatin1StringView("Data"))) {
                m_xml.skipElement(); // comments, named cells
                continue;
            }
            hasData = true;
            type = attribute(xml.attributes(), QLatin1StringView("Type")).toString();
            readData(text);
        }
        if (!hasData)
            return formula ? CellValue::uncalculatedFormula() : CellValue();
        if (type == QLatin1StringView("Number")) {
            bool ok = false;
            const double number = text.trimmed().toDouble(&ok);
            return ok ? CellValue::fromNumber(number) : CellValue::fromText(text);
        }
        if (type == QLatin1StringView("DateTime")) {
            double serial = 0;
            if (!isoDateSerial(text, false, &serial))
                return CellValue::fromText(text);
            return CellValue::fromSerial(serial, false, m_styles.value(style) == DateFormats::Kind::Time);
        }
        if (type == QLatin1StringView("Boolean"))
            return CellValue::fromBoolean(text.trimmed() == QLatin1StringView("1") ||
                                          text.trimmed().compare(QLatin1StringView("true"), Qt::CaseInsensitive) == 0);
        if (type == QLatin1StringView("Error"))
            return CellValue::fromText(text, CellType::Error);
        return CellValue::fromText(text);
    }

    // The text of a Data element, rich-text runs included.
    void readData(QString& text)
    {
        for (int depth = 1; depth > 0;) {
            switch (m_xml.next()) {
            case QXmlStreamReader::Characters:
                text += m_xml.xml().text();
                if (text.size() > ReaderLimits::kMaxCellText)
                    throw FormatError(WorkbookTexts::DetailCellText.arg(ReaderLimits::kMaxCellText));
                break;
            case QXmlStreamReader::StartElement:
                ++depth;
                break;
            case QXmlStreamReader::EndElement:
                --depth;
                break;
            case QXmlStreamReader::EndDocument:
                return;
            default:
                break;
            }
        }
    }

    QFile m_file;
    XmlTokenStream m_xml;
    int m_lastColumn;
    QStringList m_names;
    QHash<QString, DateFormats::Kind> m_styles;
    int m_rowNumber = 0;
    bool m_inTable = false;
    bool m_done = false;
};

} // namespace

XmlSpreadsheetWorkbook::XmlSpreadsheetWorkbook(const QString& path) : Workbook(path)
{
}

bool XmlSpreadsheetWorkbook::looksLikeOne(const QByteArray& head)
{
    qsizetype start = head.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    while (start < head.size() &&
           (head[start] == ' ' || head[start] == '\t' || head[start] == '\r' || head[start] == '\n'))
        ++start;
    return head.mid(start).startsWith('<') && head.contains("urn:schemas-microsoft-com:office:spreadsheet") &&
           head.contains("Workbook");
}

QStringList XmlSpreadsheetWorkbook::readSheetNames()
{
    if (!m_namesKnown) {
        XmlSpreadsheetRows scan(path(), 0);
        scan.seek(-1, QString(QChar(0))); // no sheet has that name: every one is passed
        m_names = scan.namesSeen();
        m_namesKnown = true;
    }
    return m_names;
}

std::unique_ptr<SheetRows> XmlSpreadsheetWorkbook::openRows(int index, int lastColumn)
{
    auto rows = std::make_unique<XmlSpreadsheetRows>(path(), lastColumn);
    if (!rows->seek(index, QString()))
        throw FormatError(WorkbookTexts::DetailSheetOffset.arg(index + 1));
    return rows;
}

std::unique_ptr<SheetRows> XmlSpreadsheetWorkbook::openRowsByName(const QString& name, int lastColumn)
{
    auto rows = std::make_unique<XmlSpreadsheetRows>(path(), lastColumn);
    if (!rows->seek(-1, name)) {
        m_names = rows->namesSeen();
        m_namesKnown = true;
        sheetMissing(name, m_names);
    }
    return rows;
}

} // namespace corvina
