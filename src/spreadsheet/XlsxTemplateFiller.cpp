#include "spreadsheet/XlsxTemplateFiller.h"

#include "app/Failure.h"
#include "spreadsheet/CellValue.h"
#include "spreadsheet/FormatError.h"
#include "spreadsheet/OoxmlPackage.h"
#include "spreadsheet/ReaderLimits.h"
#include "spreadsheet/XmlPieceReader.h"
#include "spreadsheet/ZipPackage.h"

#include <pugixml.hpp>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

namespace corvina {

namespace {

[[noreturn]] void fail(const QString& why)
{
    throw Failure(why);
}

// --- XML ----------------------------------------------------------------------------------------

QByteArray prefixOf(const pugi::xml_node& node)
{
    const char* name = node.name();
    const char* colon = std::strchr(name, ':');
    return colon ? QByteArray(name, static_cast<qsizetype>(colon - name + 1)) : QByteArray();
}

pugi::xml_node childByLocalName(const pugi::xml_node& parent, const char* local)
{
    for (pugi::xml_node child = parent.first_child(); child; child = child.next_sibling())
        if (isNamed(child, local))
            return child;
    return {};
}

struct ByteWriter : pugi::xml_writer {
    QByteArray out;
    void write(const void* data, size_t size) override
    {
        out.append(static_cast<const char*>(data), static_cast<qsizetype>(size));
    }
};

QByteArray serialise(const pugi::xml_document& doc)
{
    ByteWriter writer;
    doc.save(writer, "", pugi::format_raw, pugi::encoding_utf8);
    return writer.out;
}

// --- cell references ----------------------------------------------------------------------------

// A cell reference with its row: "B7", never a bare column.
bool parseCellRef(const char* ref, int* row, int* column)
{
    *row = 0;
    return parseCellReference(ref, row, column) && *row > 0;
}

bool parseRowNumber(const char* text, int* row)
{
    int column = 0;
    return *text >= '0' && *text <= '9' && parseCellRef((QByteArray("A") + text).constData(), row, &column);
}

QByteArray cellRef(int column, int row)
{
    return cellReference(row, column).toLatin1();
}

bool isTrue(const pugi::xml_attribute& a)
{
    const QByteArray v(a.value());
    return v == "1" || v == "true";
}

// --- the worksheet ------------------------------------------------------------------------------

class SheetFiller {
public:
    explicit SheetFiller(pugi::xml_node worksheet) : m_sheet(worksheet)
    {
        m_data = childByLocalName(worksheet, "sheetData");
        if (!m_data)
            fail(QStringLiteral("worksheet without sheetData"));
        m_prefix = prefixOf(m_data);
        readColumnStyles();
        indexRows();
    }

    void writeRows(const QList<QStringList>& rows, int firstRow)
    {
        for (int i = 0; i < rows.size(); ++i)
            writeRow(firstRow + i, rows.at(i));
    }

    void updateDimension()
    {
        int minRow = 0, maxRow = 0, minCol = 0, maxCol = 0;
        for (const auto& [number, row] : m_rows) {
            for (pugi::xml_node c = row.first_child(); c; c = c.next_sibling()) {
                int col = 0, r = 0;
                if (c.type() != pugi::node_element || !isCell(c) || !parseCellRef(c.attribute("r").value(), &r, &col))
                    continue;
                minRow = minRow ? std::min(minRow, r) : r;
                maxRow = std::max(maxRow, r);
                minCol = minCol ? std::min(minCol, col) : col;
                maxCol = std::max(maxCol, col);
            }
        }
        const QByteArray ref = !minRow ? QByteArray("A1")
                               : (minRow == maxRow && minCol == maxCol)
                                   ? cellRef(minCol, minRow)
                                   : cellRef(minCol, minRow) + ':' + cellRef(maxCol, maxRow);
        pugi::xml_node dimension = childByLocalName(m_sheet, "dimension");
        if (!dimension) {
            // Its place is right after sheetPr, or first.
            const pugi::xml_node sheetPr = childByLocalName(m_sheet, "sheetPr");
            const QByteArray name = m_prefix + "dimension";
            dimension = sheetPr ? m_sheet.insert_child_after(name.constData(), sheetPr)
                                : m_sheet.prepend_child(name.constData());
        }
        pugi::xml_attribute attr = dimension.attribute("ref");
        if (!attr)
            attr = dimension.append_attribute("ref");
        attr.set_value(ref.constData());
    }

private:
    bool isCell(const pugi::xml_node& n) const { return isNamed(n, "c"); }

    void readColumnStyles()
    {
        const pugi::xml_node cols = childByLocalName(m_sheet, "cols");
        for (pugi::xml_node col = cols.first_child(); col; col = col.next_sibling())
            if (col.type() == pugi::node_element && col.attribute("style"))
                m_columnStyles.push_back({col.attribute("min").as_int(), col.attribute("max").as_int(),
                                          QByteArray(col.attribute("style").value())});
    }

    // Every row and cell gets its explicit reference, so new ones can be placed in order.
    void indexRows()
    {
        int previousRow = 0;
        for (pugi::xml_node row = m_data.first_child(); row; row = row.next_sibling()) {
            if (!isNamed(row, "row"))
                continue;
            int number = previousRow + 1;
            pugi::xml_attribute r = row.attribute("r");
            if (r) {
                if (!parseRowNumber(r.value(), &number))
                    fail(QStringLiteral("bad row number %1").arg(QString::fromUtf8(r.value())));
            } else {
                row.append_attribute("r").set_value(number);
            }
            if (number <= previousRow)
                fail(QStringLiteral("rows out of order at %1").arg(number));
            previousRow = number;
            m_rows[number] = row;

            int previousCol = 0;
            for (pugi::xml_node c = row.first_child(); c; c = c.next_sibling()) {
                if (c.type() != pugi::node_element || !isCell(c))
                    continue;
                int col = previousCol + 1, cellRow = number;
                pugi::xml_attribute ref = c.attribute("r");
                if (ref) {
                    if (!parseCellRef(ref.value(), &cellRow, &col) || cellRow != number)
                        fail(QStringLiteral("bad cell reference %1").arg(QString::fromUtf8(ref.value())));
                } else {
                    c.prepend_attribute("r").set_value(cellRef(col, number).constData());
                }
                previousCol = col;
            }
        }
    }

    pugi::xml_node rowNode(int number)
    {
        const auto found = m_rows.find(number);
        if (found != m_rows.end())
            return found->second;
        const auto next = m_rows.upper_bound(number);
        const QByteArray name = m_prefix + "row";
        pugi::xml_node row = next == m_rows.end() ? m_data.append_child(name.constData())
                                                  : m_data.insert_child_before(name.constData(), next->second);
        row.append_attribute("r").set_value(number);
        m_rows.emplace(number, row);
        return row;
    }

    QByteArray newCellStyle(const pugi::xml_node& row, int column) const
    {
        if (isTrue(row.attribute("customFormat")) && row.attribute("s"))
            return row.attribute("s").value();
        for (const ColumnStyle& c : m_columnStyles)
            if (column >= c.from && column <= c.to)
                return c.style;
        return QByteArray();
    }

    void writeRow(int number, const QStringList& texts)
    {
        pugi::xml_node row = rowNode(number);
        // The span hint may no longer cover the row's cells; it is optional.
        row.remove_attribute("spans");

        std::vector<std::pair<int, pugi::xml_node>> cells;
        for (pugi::xml_node c = row.first_child(); c; c = c.next_sibling()) {
            int col = 0, r = 0;
            if (c.type() == pugi::node_element && isCell(c) && parseCellRef(c.attribute("r").value(), &r, &col))
                cells.emplace_back(col, c);
        }

        size_t next = 0; // first existing cell not left of the current column
        for (int i = 0; i < texts.size(); ++i) {
            const int column = i + 1;
            while (next < cells.size() && cells[next].first < column)
                ++next;
            const QString& text = texts.at(i);
            pugi::xml_node cell;
            if (next < cells.size() && cells[next].first == column) {
                cell = cells[next].second;
                clearValue(cell);
            } else {
                if (text.isEmpty())
                    continue;
                const QByteArray name = m_prefix + "c";
                cell = next < cells.size() ? row.insert_child_before(name.constData(), cells[next].second)
                                           : row.append_child(name.constData());
                cell.append_attribute("r").set_value(cellRef(column, number).constData());
                const QByteArray style = newCellStyle(row, column);
                if (!style.isEmpty())
                    cell.append_attribute("s").set_value(style.constData());
            }
            if (text.isEmpty())
                continue;
            cell.append_attribute("t").set_value("inlineStr");
            const QByteArray is = m_prefix + "is";
            const QByteArray t = m_prefix + "t";
            pugi::xml_node textNode = cell.append_child(is.constData()).append_child(t.constData());
            const QString encoded = XlsxTemplateFiller::encodeCellText(text);
            if (encoded.front().isSpace() || encoded.back().isSpace() || encoded.contains(QLatin1Char('\n')))
                textNode.append_attribute("xml:space").set_value("preserve");
            textNode.text().set(encoded.toUtf8().constData());
        }
    }

    // Keeps the cell's place and style, drops its value, type and formula.
    static void clearValue(pugi::xml_node cell)
    {
        while (pugi::xml_node child = cell.first_child())
            cell.remove_child(child);
        for (const char* attr : {"t", "cm", "vm", "ph"})
            cell.remove_attribute(attr);
    }

    pugi::xml_node m_sheet;
    pugi::xml_node m_data;
    QByteArray m_prefix;
    std::map<int, pugi::xml_node> m_rows;
    struct ColumnStyle {
        int from;
        int to;
        QByteArray style;
    };
    std::vector<ColumnStyle> m_columnStyles;
};

} // namespace

QString XlsxTemplateFiller::columnName(int column)
{
    return cellReference(1, column).chopped(1);
}

QString XlsxTemplateFiller::encodeCellText(const QString& text)
{
    auto isHex = [](QChar c) {
        return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
    };
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        const char16_t u = c.unicode();
        if (u == u'_' && i + 6 < text.size() && text.at(i + 1) == u'x' && isHex(text.at(i + 2)) &&
            isHex(text.at(i + 3)) && isHex(text.at(i + 4)) && isHex(text.at(i + 5)) && text.at(i + 6) == u'_') {
            out += QStringLiteral("_x005F_");
        } else if ((u < 0x20 && u != u'\t' && u != u'\n') || u == 0xFFFE || u == 0xFFFF) {
            out += QStringLiteral("_x") + QString::number(u, 16).toUpper().rightJustified(4, QLatin1Char('0')) +
                   QLatin1Char('_');
        } else if (c.isSurrogate() &&
                   !(c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) &&
                   !(c.isLowSurrogate() && i > 0 && text.at(i - 1).isHighSurrogate())) {
            out += QChar(0xFFFD); // a lone surrogate cannot be written as UTF-8
        } else {
            out += c;
        }
    }
    return out;
}

void XlsxTemplateFiller::fill(const QString& path, const QList<QStringList>& rows, int firstRow)
{
    if (firstRow < 1 || firstRow + rows.size() - 1 > ReaderLimits::kMaxRows)
        fail(QStringLiteral("rows beyond the worksheet"));
    try {
        ZipPackage zip(path, ZipPackage::Mode::Modify);
        const OoxmlPackage package(zip);
        const QString workbookPart = package.workbookPart();
        if (workbookPart.isEmpty())
            fail(QStringLiteral("no workbook part"));
        const QString relsPart = OoxmlPackage::relationshipsPartOf(workbookPart);
        if (!zip.has(relsPart))
            fail(QStringLiteral("no workbook relationships"));
        pugi::xml_document relsDoc = package.parse(relsPart);
        const std::vector<OoxmlPackage::Relationship> rels = OoxmlPackage::relationships(relsDoc, workbookPart);

        QString sheetPart;
        for (const OoxmlPackage::Sheet& sheet : OoxmlPackage::sheets(package.parse(workbookPart), rels))
            if (sheet.worksheet && sheetPart.isEmpty())
                sheetPart = sheet.target;
        if (sheetPart.isEmpty() || !zip.has(sheetPart))
            fail(QStringLiteral("first worksheet not found"));

        pugi::xml_document sheetDoc = package.parse(sheetPart);
        if (!isNamed(sheetDoc.document_element(), "worksheet"))
            fail(QStringLiteral("the first sheet is not a worksheet"));
        SheetFiller filler(sheetDoc.document_element());
        filler.writeRows(rows, firstRow);
        filler.updateDimension();
        zip.replace(sheetPart, serialise(sheetDoc));

        // The calculation chain lists formula cells that may now hold texts.
        QString calcChainPart;
        bool relsChanged = false;
        for (const OoxmlPackage::Relationship& r : rels)
            if (OoxmlPackage::typeIs(r.type, "/calcChain")) {
                calcChainPart = r.target;
                relsDoc.document_element().remove_child(r.node);
                relsChanged = true;
            }
        if (calcChainPart.isEmpty() && zip.has(QStringLiteral("xl/calcChain.xml")))
            calcChainPart = QStringLiteral("xl/calcChain.xml");
        if (!calcChainPart.isEmpty()) {
            if (relsChanged)
                zip.replace(relsPart, serialise(relsDoc));
            const QString types = QStringLiteral("[Content_Types].xml");
            if (zip.has(types)) {
                pugi::xml_document typesDoc = package.parse(types);
                std::vector<pugi::xml_node> drop;
                for (pugi::xml_node o : typesDoc.document_element().children())
                    if (isNamed(o, "Override") &&
                        QString::fromUtf8(o.attribute("PartName").value())
                                .compare(QLatin1Char('/') + calcChainPart, Qt::CaseInsensitive) == 0)
                        drop.push_back(o);
                for (pugi::xml_node o : drop)
                    typesDoc.document_element().remove_child(o);
                zip.replace(types, serialise(typesDoc));
            }
            zip.remove(calcChainPart);
        }
        // Written beside the file and put in its place, so a failure leaves the file as it was.
        zip.commit();
    } catch (const FormatError& e) {
        fail(e.detail());
    }
}

} // namespace corvina
