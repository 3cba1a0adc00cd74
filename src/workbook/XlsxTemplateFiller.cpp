#include "workbook/XlsxTemplateFiller.h"

#include "workbook/PackagePath.h"

#include "app/Failure.h"

#include <QFile>
#include <QHash>
#include <QSaveFile>

#include <pugixml.hpp>
#include <zip.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

namespace corvina {

namespace {

constexpr qint64 kMaxPartSize = qint64(1) << 30; // refuse absurd parts rather than exhaust memory

[[noreturn]] void fail(const QString& why)
{
    throw Failure(why);
}

// --- zip package -------------------------------------------------------------------------------

struct Part {
    QString name; // as stored in the package
    QByteArray data;
    bool directory = false;
};

struct Package {
    std::vector<Part> parts;
    QHash<QString, size_t> index; // lower-case name -> position (part names ignore case)

    Part* find(const QString& name)
    {
        const auto it = index.constFind(name.toLower());
        return it == index.constEnd() ? nullptr : &parts[*it];
    }
};

struct ZipCloser {
    void operator()(zip_t* z) const { zip_discard(z); }
};

Package readPackage(const QByteArray& bytes)
{
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source =
        zip_source_buffer_create(bytes.constData(), static_cast<zip_uint64_t>(bytes.size()), 0, &error);
    if (!source)
        fail(QStringLiteral("zip: %1").arg(QString::fromUtf8(zip_error_strerror(&error))));
    std::unique_ptr<zip_t, ZipCloser> archive(zip_open_from_source(source, ZIP_RDONLY, &error));
    if (!archive) {
        zip_source_free(source);
        const QString why = QString::fromUtf8(zip_error_strerror(&error));
        zip_error_fini(&error);
        fail(QStringLiteral("not a zip package: %1").arg(why));
    }
    Package package;
    const zip_int64_t count = zip_get_num_entries(archive.get(), 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const char* rawName = zip_get_name(archive.get(), static_cast<zip_uint64_t>(i), ZIP_FL_ENC_GUESS);
        if (!rawName)
            fail(QStringLiteral("unreadable entry name"));
        Part part;
        part.name = QString::fromUtf8(rawName);
        part.directory = part.name.endsWith(QLatin1Char('/'));
        if (!part.directory) {
            zip_stat_t st;
            zip_stat_init(&st);
            if (zip_stat_index(archive.get(), static_cast<zip_uint64_t>(i), 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE))
                fail(QStringLiteral("cannot stat %1").arg(part.name));
            if (st.size > static_cast<zip_uint64_t>(kMaxPartSize))
                fail(QStringLiteral("part too large: %1").arg(part.name));
            zip_file_t* file = zip_fopen_index(archive.get(), static_cast<zip_uint64_t>(i), 0);
            if (!file)
                fail(QStringLiteral("cannot open %1: %2")
                         .arg(part.name, QString::fromUtf8(zip_strerror(archive.get()))));
            part.data.resize(static_cast<qsizetype>(st.size));
            zip_int64_t got = st.size ? zip_fread(file, part.data.data(), st.size) : 0;
            zip_fclose(file);
            if (got < 0 || static_cast<zip_uint64_t>(got) != st.size)
                fail(QStringLiteral("cannot read %1").arg(part.name));
        }
        package.index.insert(part.name.toLower(), package.parts.size());
        package.parts.push_back(std::move(part));
    }
    return package;
}

QByteArray writePackage(const Package& package)
{
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* target = zip_source_buffer_create(nullptr, 0, 0, &error);
    if (!target)
        fail(QStringLiteral("zip: %1").arg(QString::fromUtf8(zip_error_strerror(&error))));
    zip_source_keep(target);
    struct SourceFree {
        zip_source_t* s;
        ~SourceFree() { zip_source_free(s); }
    } keepTarget{target};

    zip_t* archive = zip_open_from_source(target, ZIP_TRUNCATE, &error);
    if (!archive)
        fail(QStringLiteral("zip: %1").arg(QString::fromUtf8(zip_error_strerror(&error))));
    for (const Part& part : package.parts) {
        const QByteArray name = part.name.toUtf8();
        if (part.directory) {
            if (zip_dir_add(archive, name.constData(), ZIP_FL_ENC_UTF_8) < 0) {
                const QString why = QString::fromUtf8(zip_strerror(archive));
                zip_discard(archive);
                fail(why);
            }
            continue;
        }
        // The data outlives zip_close: the package is kept by the caller.
        zip_source_t* s =
            zip_source_buffer(archive, part.data.constData(), static_cast<zip_uint64_t>(part.data.size()), 0);
        const zip_int64_t at = s ? zip_file_add(archive, name.constData(), s, ZIP_FL_ENC_UTF_8) : -1;
        if (at < 0) {
            if (s)
                zip_source_free(s);
            const QString why = QString::fromUtf8(zip_strerror(archive));
            zip_discard(archive);
            fail(why);
        }
        // The fastest level: a 10,000-row sheet compresses in a fraction of the time for a few
        // percent more bytes.
        zip_set_file_compression(archive, static_cast<zip_uint64_t>(at), ZIP_CM_DEFLATE, 1);
    }
    if (zip_close(archive) != 0) {
        const QString why = QString::fromUtf8(zip_strerror(archive));
        zip_discard(archive);
        fail(why);
    }

    QByteArray out;
    if (zip_source_open(target) != 0)
        fail(QStringLiteral("zip: cannot reopen the new package"));
    zip_source_seek(target, 0, SEEK_END);
    const zip_int64_t size = zip_source_tell(target);
    zip_source_seek(target, 0, SEEK_SET);
    if (size < 0) {
        zip_source_close(target);
        fail(QStringLiteral("zip: cannot size the new package"));
    }
    out.resize(static_cast<qsizetype>(size));
    const zip_int64_t got = size ? zip_source_read(target, out.data(), static_cast<zip_uint64_t>(size)) : 0;
    zip_source_close(target);
    if (got != size)
        fail(QStringLiteral("zip: cannot read the new package"));
    return out;
}

// --- package parts ------------------------------------------------------------------------------

QString localName(const char* qualified)
{
    const char* colon = std::strrchr(qualified, ':');
    return QString::fromUtf8(colon ? colon + 1 : qualified);
}

QByteArray prefixOf(const pugi::xml_node& node)
{
    const char* name = node.name();
    const char* colon = std::strchr(name, ':');
    return colon ? QByteArray(name, static_cast<qsizetype>(colon - name + 1)) : QByteArray();
}

pugi::xml_node childByLocalName(const pugi::xml_node& parent, const char* local)
{
    for (pugi::xml_node child = parent.first_child(); child; child = child.next_sibling())
        if (child.type() == pugi::node_element && localName(child.name()) == QLatin1String(local))
            return child;
    return {};
}

// An attribute by local name, whatever its prefix (r:id in one writer, other prefixes elsewhere).
pugi::xml_attribute attributeByLocalName(const pugi::xml_node& node, const char* local, bool prefixed)
{
    for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute()) {
        const bool hasPrefix = std::strchr(a.name(), ':') != nullptr;
        if (hasPrefix == prefixed && localName(a.name()) == QLatin1String(local))
            return a;
    }
    return {};
}

void parseXml(pugi::xml_document& doc, const QByteArray& data, const QString& name)
{
    // Whitespace-only texts are kept where they are a cell's whole content.
    const unsigned options = pugi::parse_default | pugi::parse_declaration | pugi::parse_ws_pcdata_single;
    const pugi::xml_parse_result result = doc.load_buffer(data.constData(), static_cast<size_t>(data.size()), options);
    if (!result)
        fail(QStringLiteral("%1: %2").arg(name, QString::fromUtf8(result.description())));
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

QString relsPartOf(const QString& part)
{
    const int slash = part.lastIndexOf(QLatin1Char('/'));
    return part.left(slash + 1) + QStringLiteral("_rels/") + part.mid(slash + 1) + QStringLiteral(".rels");
}

bool typeEndsWith(const pugi::xml_node& rel, const char* suffix)
{
    return QString::fromUtf8(rel.attribute("Type").value()).endsWith(QLatin1String(suffix));
}

// --- cell references ----------------------------------------------------------------------------

bool parseCellRef(const char* ref, int* column, int* row)
{
    int c = 0;
    const char* p = ref;
    for (; (*p >= 'A' && *p <= 'Z') || (*p >= 'a' && *p <= 'z'); ++p) {
        c = c * 26 + ((*p & ~0x20) - 'A' + 1);
        if (c > 16384)
            return false;
    }
    if (p == ref)
        return false;
    long r = 0;
    const char* digits = p;
    for (; *p >= '0' && *p <= '9'; ++p) {
        r = r * 10 + (*p - '0');
        if (r > 1048576)
            return false;
    }
    if (*p != '\0' || p == digits || r < 1)
        return false;
    *column = c;
    *row = static_cast<int>(r);
    return true;
}

bool parseRowNumber(const char* text, int* row)
{
    long r = 0;
    const char* p = text;
    for (; *p >= '0' && *p <= '9'; ++p) {
        r = r * 10 + (*p - '0');
        if (r > 1048576)
            return false;
    }
    if (*p != '\0' || p == text || r < 1)
        return false;
    *row = static_cast<int>(r);
    return true;
}

QByteArray cellRef(int column, int row)
{
    return XlsxTemplateFiller::columnName(column).toLatin1() + QByteArray::number(row);
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
                if (c.type() != pugi::node_element || !isCell(c) || !parseCellRef(c.attribute("r").value(), &col, &r))
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
    bool isCell(const pugi::xml_node& n) const { return localName(n.name()) == QLatin1String("c"); }

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
            if (row.type() != pugi::node_element || localName(row.name()) != QLatin1String("row"))
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
                    if (!parseCellRef(ref.value(), &col, &cellRow) || cellRow != number)
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
            if (c.type() == pugi::node_element && isCell(c) && parseCellRef(c.attribute("r").value(), &col, &r))
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
    QString name;
    for (int c = column; c > 0; c = (c - 1) / 26)
        name.prepend(QChar(u'A' + (c - 1) % 26));
    return name;
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

QByteArray XlsxTemplateFiller::fillBytes(const QByteArray& workbook, const QList<QStringList>& rows, int firstRow)
{
    if (firstRow < 1 || firstRow + rows.size() - 1 > 1048576)
        fail(QStringLiteral("rows beyond the worksheet"));
    Package package = readPackage(workbook);

    // The workbook part, from the package relationships.
    Part* rootRels = package.find(QStringLiteral("_rels/.rels"));
    if (!rootRels)
        fail(QStringLiteral("no package relationships"));
    pugi::xml_document rootDoc;
    parseXml(rootDoc, rootRels->data, rootRels->name);
    QString workbookPart;
    for (pugi::xml_node rel : rootDoc.document_element().children())
        if (typeEndsWith(rel, "/officeDocument"))
            workbookPart = resolvePackageTarget(QString(), QString::fromUtf8(rel.attribute("Target").value()));
    Part* workbookXml = workbookPart.isEmpty() ? nullptr : package.find(workbookPart);
    if (!workbookXml)
        fail(QStringLiteral("no workbook part"));

    pugi::xml_document wbDoc;
    parseXml(wbDoc, workbookXml->data, workbookXml->name);
    const pugi::xml_node firstSheet = childByLocalName(childByLocalName(wbDoc.document_element(), "sheets"), "sheet");
    const QString sheetId = QString::fromUtf8(attributeByLocalName(firstSheet, "id", true).value());
    if (sheetId.isEmpty())
        fail(QStringLiteral("workbook without sheets"));

    const QString wbRelsName = relsPartOf(workbookXml->name);
    Part* wbRels = package.find(wbRelsName);
    if (!wbRels)
        fail(QStringLiteral("no workbook relationships"));
    pugi::xml_document relsDoc;
    parseXml(relsDoc, wbRels->data, wbRels->name);

    QString sheetPart;
    QString calcChainPart;
    std::vector<pugi::xml_node> calcChainRels;
    for (pugi::xml_node rel : relsDoc.document_element().children()) {
        if (rel.type() != pugi::node_element)
            continue;
        const QString target =
            resolvePackageTarget(workbookXml->name, QString::fromUtf8(rel.attribute("Target").value()));
        if (QString::fromUtf8(rel.attribute("Id").value()) == sheetId)
            sheetPart = target;
        if (typeEndsWith(rel, "/calcChain")) {
            calcChainPart = target;
            calcChainRels.push_back(rel);
        }
    }
    Part* sheetXml = sheetPart.isEmpty() ? nullptr : package.find(sheetPart);
    if (!sheetXml)
        fail(QStringLiteral("first worksheet not found"));

    pugi::xml_document sheetDoc;
    parseXml(sheetDoc, sheetXml->data, sheetXml->name);
    if (localName(sheetDoc.document_element().name()) != QLatin1String("worksheet"))
        fail(QStringLiteral("the first sheet is not a worksheet"));
    SheetFiller filler(sheetDoc.document_element());
    filler.writeRows(rows, firstRow);
    filler.updateDimension();
    sheetXml->data = serialise(sheetDoc);

    // The calculation chain lists formula cells that may now hold texts.
    if (!calcChainRels.empty() || package.find(QStringLiteral("xl/calcChain.xml"))) {
        if (calcChainPart.isEmpty())
            calcChainPart = resolvePackageTarget(workbookXml->name, QStringLiteral("calcChain.xml"));
        for (pugi::xml_node rel : calcChainRels)
            relsDoc.document_element().remove_child(rel);
        wbRels->data = serialise(relsDoc);

        if (Part* types = package.find(QStringLiteral("[Content_Types].xml"))) {
            pugi::xml_document typesDoc;
            parseXml(typesDoc, types->data, types->name);
            std::vector<pugi::xml_node> drop;
            for (pugi::xml_node o : typesDoc.document_element().children())
                if (localName(o.name()) == QLatin1String("Override") &&
                    QString::fromUtf8(o.attribute("PartName").value())
                            .compare(QLatin1Char('/') + calcChainPart, Qt::CaseInsensitive) == 0)
                    drop.push_back(o);
            for (pugi::xml_node o : drop)
                typesDoc.document_element().remove_child(o);
            types->data = serialise(typesDoc);
        }
        std::erase_if(package.parts,
                      [&](const Part& p) { return p.name.compare(calcChainPart, Qt::CaseInsensitive) == 0; });
    }
    return writePackage(package);
}

void XlsxTemplateFiller::fill(const QString& path, const QList<QStringList>& rows, int firstRow)
{
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly))
        fail(QStringLiteral("cannot open %1: %2").arg(path, in.errorString()));
    const QByteArray original = in.readAll();
    in.close();

    const QByteArray filled = fillBytes(original, rows, firstRow);

    // Written beside the file and renamed over it, so a failure leaves the file as it was.
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(filled) != filled.size() || !out.commit())
        fail(QStringLiteral("cannot write %1: %2").arg(path, out.errorString()));
}

} // namespace corvina
