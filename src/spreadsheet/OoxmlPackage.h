#pragma once

#include <QString>
#include <pugixml.hpp>
#include <vector>

namespace corvina {

class ZipPackage;

// An Office Open XML workbook package as both the workbook reader and the template filler see
// it: the workbook part found through the package relationships, a part's relationships with their
// targets resolved to part names, and the sheets in workbook order. Parts parsed whole are held
// to the readers' limits; malformed XML throws FormatError.
class OoxmlPackage {
public:
    struct Relationship {
        QString id;
        QString type;
        QString target; // the part it names (internal targets only)
        pugi::xml_node node;
    };
    struct Sheet {
        QString name;
        QString target;
        bool worksheet = false; // chart and dialog sheets are not
    };

    explicit OoxmlPackage(const ZipPackage& zip) : m_zip(zip) {}

    // A part parsed whole (at most the readers' whole-part size).
    pugi::xml_document parse(const QString& part) const;
    // "xl/_rels/workbook.xml.rels" for "xl/workbook.xml".
    static QString relationshipsPartOf(const QString& part);
    // The internal relationships of a parsed relationships part, targets resolved from `source`.
    static std::vector<Relationship> relationships(const pugi::xml_document& rels, const QString& source);
    // Those of a part; none when it has no relationships part.
    std::vector<Relationship> relationshipsOf(const QString& part) const;
    // Whether a relationship type ends in "/worksheet", "/sharedStrings" and so on (transitional
    // and strict types differ only before that).
    static bool typeIs(const QString& type, const char* suffix);
    // The workbook part; empty when the package has none.
    QString workbookPart() const;
    // The sheets of a parsed workbook part, in workbook order.
    static std::vector<Sheet> sheets(const pugi::xml_document& workbook, const std::vector<Relationship>& rels);

private:
    const ZipPackage& m_zip;
};

} // namespace corvina
