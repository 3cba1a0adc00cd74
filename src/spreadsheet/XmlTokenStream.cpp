#include "spreadsheet/XmlTokenStream.h"

#include "spreadsheet/FormatError.h"
#include "spreadsheet/Texts.h"

namespace corvina {

XmlTokenStream::XmlTokenStream(QString partName, Source source)
    : m_partName(std::move(partName)), m_source(std::move(source))
{
}

QXmlStreamReader::TokenType XmlTokenStream::next()
{
    while (true) {
        const QXmlStreamReader::TokenType token = m_xml.readNext();
        if (token != QXmlStreamReader::Invalid)
            return token;
        if (m_xml.error() == QXmlStreamReader::PrematureEndOfDocumentError && !m_sourceEnded) {
            const size_t n = m_source(m_block.data(), m_block.size());
            if (n == 0)
                m_sourceEnded = true; // the next reading reports what was missing
            else
                m_xml.addData(QByteArray(m_block.data(), static_cast<qsizetype>(n)));
            continue;
        }
        throw FormatError(
            WorkbookTexts::DetailXml.arg(m_partName, m_xml.errorString(), QString::number(m_xml.characterOffset())));
    }
}

void XmlTokenStream::skipElement()
{
    for (int depth = 1; depth > 0;) {
        switch (next()) {
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

} // namespace corvina
