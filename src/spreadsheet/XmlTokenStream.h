#pragma once

#include <QString>
#include <QXmlStreamReader>
#include <functional>
#include <vector>

namespace corvina {

// The tokens of an XML document read through from a source of bytes, a block at a time, so that
// a document of any length is read in bounded memory and linear time. Malformed XML throws
// FormatError naming the part.
class XmlTokenStream {
public:
    // Fills `into` with up to `max` bytes; 0 at the end of the document.
    using Source = std::function<size_t(char* into, size_t max)>;

    XmlTokenStream(QString partName, Source source);

    // The next token; EndDocument at the end.
    QXmlStreamReader::TokenType next();
    // Reads on past the end of the element whose start was the last token.
    void skipElement();
    QXmlStreamReader& xml() { return m_xml; }

private:
    QString m_partName;
    Source m_source;
    QXmlStreamReader m_xml;
    std::vector<char> m_block = std::vector<char>(256 * 1024);
    bool m_sourceEnded = false;
};

} // namespace corvina
