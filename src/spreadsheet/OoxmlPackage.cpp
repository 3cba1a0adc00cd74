#include "spreadsheet/OoxmlPackage.h"

#include "spreadsheet/FormatError.h"
#include "spreadsheet/PackagePath.h"
#include "spreadsheet/ReaderLimits.h"
#include "spreadsheet/Texts.h"
#include "spreadsheet/XmlPieceReader.h"
#include "spreadsheet/ZipPackage.h"

#include <cstring>

namespace corvina {

pugi::xml_document OoxmlPackage::parse(const QString& part) const
{
    const std::string bytes = m_zip.read(part, ReaderLimits::kWholePartBytes);
    pugi::xml_document doc;
    // The declaration and whitespace-only texts are kept, so a part written back is unchanged
    // where it was not touched.
    const unsigned options = pugi::parse_default | pugi::parse_declaration | pugi::parse_ws_pcdata_single;
    const pugi::xml_parse_result result = doc.load_buffer(bytes.data(), bytes.size(), options, pugi::encoding_auto);
    if (!result)
        throw FormatError(WorkbookTexts::DetailXml.arg(part, QString::fromUtf8(result.description()),
                                                       QString::number(result.offset)));
    return doc;
}

QString OoxmlPackage::relationshipsPartOf(const QString& part)
{
    const qsizetype slash = part.lastIndexOf(QLatin1Char('/'));
    return part.left(slash + 1) + QStringLiteral("_rels/") + part.mid(slash + 1) + QStringLiteral(".rels");
}

std::vector<OoxmlPackage::Relationship> OoxmlPackage::relationships(const pugi::xml_document& rels,
                                                                    const QString& source)
{
    std::vector<Relationship> out;
    for (pugi::xml_node r = rels.document_element().first_child(); r; r = r.next_sibling()) {
        if (!isNamed(r, "Relationship") || std::strcmp(r.attribute("TargetMode").value(), "External") == 0)
            continue;
        out.push_back({QString::fromUtf8(r.attribute("Id").value()), QString::fromUtf8(r.attribute("Type").value()),
                       resolvePackageTarget(source, QString::fromUtf8(r.attribute("Target").value())), r});
    }
    return out;
}

std::vector<OoxmlPackage::Relationship> OoxmlPackage::relationshipsOf(const QString& part) const
{
    const QString relsPart = relationshipsPartOf(part);
    if (!m_zip.has(relsPart))
        return {};
    // The nodes die with the document here: only ids, types and targets are handed on.
    std::vector<Relationship> out = relationships(parse(relsPart), part);
    for (Relationship& r : out)
        r.node = pugi::xml_node();
    return out;
}

bool OoxmlPackage::typeIs(const QString& type, const char* suffix)
{
    return type.endsWith(QLatin1String(suffix));
}

QString OoxmlPackage::workbookPart() const
{
    // The package's own relationships live in "_rels/.rels" (the root part has no name).
    QString part;
    if (m_zip.has(QStringLiteral("_rels/.rels")))
        for (const Relationship& r : relationshipsOf(QString()))
            if (typeIs(r.type, "/officeDocument"))
                part = r.target;
    if (part.isEmpty() && m_zip.has(QStringLiteral("xl/workbook.xml")))
        part = QStringLiteral("xl/workbook.xml");
    return !part.isEmpty() && m_zip.has(part) ? part : QString();
}

std::vector<OoxmlPackage::Sheet> OoxmlPackage::sheets(const pugi::xml_document& workbook,
                                                      const std::vector<Relationship>& rels)
{
    std::vector<Sheet> out;
    pugi::xml_node list;
    for (pugi::xml_node n = workbook.document_element().first_child(); n && !list; n = n.next_sibling())
        if (isNamed(n, "sheets"))
            list = n;
    for (pugi::xml_node sheet = list.first_child(); sheet; sheet = sheet.next_sibling()) {
        if (!isNamed(sheet, "sheet"))
            continue;
        // r:id in one writer, other prefixes in others: the prefixed attribute named "id".
        QString id;
        for (pugi::xml_attribute a = sheet.first_attribute(); a; a = a.next_attribute())
            if (std::strchr(a.name(), ':') && std::strcmp(localName(a.name()), "id") == 0)
                id = QString::fromUtf8(a.value());
        Sheet s;
        s.name = QString::fromUtf8(sheet.attribute("name").value());
        for (const Relationship& r : rels)
            if (r.id == id) {
                s.target = r.target;
                s.worksheet = typeIs(r.type, "/worksheet");
            }
        if (!s.target.isEmpty())
            out.push_back(s);
    }
    return out;
}

} // namespace corvina
