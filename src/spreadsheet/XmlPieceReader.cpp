#include "spreadsheet/XmlPieceReader.h"

#include "spreadsheet/FormatError.h"
#include "spreadsheet/ReaderLimits.h"
#include "spreadsheet/Texts.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace corvina {

namespace {

constexpr unsigned kParseFlags =
    pugi::parse_default | pugi::parse_ws_pcdata_single | pugi::parse_fragment | pugi::parse_embed_pcdata;

bool isNameChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-' ||
           c == '.' || static_cast<unsigned char>(c) >= 0x80;
}

} // namespace

XmlPieceReader::XmlPieceReader(std::string container, std::string child, QString partName, ChildHandler handler)
    : m_container(std::move(container)), m_child(std::move(child)), m_partName(std::move(partName)),
      m_handler(std::move(handler))
{
}

void XmlPieceReader::fail(const char* what, size_t offset) const
{
    throw FormatError(WorkbookTexts::DetailXml.arg(m_partName, QString::fromUtf8(what), QString::number(offset)));
}

bool XmlPieceReader::findContainer()
{
    size_t from = m_searchedTo;
    while (true) {
        const size_t at = m_buffer.find(m_container, from);
        if (at == std::string::npos) {
            // The name may be cut at the end of what has come so far: look there again.
            m_searchedTo = m_buffer.size() > m_container.size() ? m_buffer.size() - m_container.size() : 0;
            return false;
        }
        from = at + 1;
        const size_t after = at + m_container.size();
        if (after >= m_buffer.size()) {
            m_searchedTo = at;
            return false; // wait for more bytes
        }
        const char next = m_buffer[after];
        if (next != '>' && next != '/' && next != ' ' && next != '\t' && next != '\r' && next != '\n')
            continue;
        // Before the name: "<" directly, or "<prefix:".
        std::string prefix;
        if (at == 0)
            continue;
        if (m_buffer[at - 1] != '<') {
            if (m_buffer[at - 1] != ':')
                continue;
            size_t p = at - 1;
            while (p > 0 && isNameChar(m_buffer[p - 1]))
                --p;
            if (p == 0 || m_buffer[p - 1] != '<' || p == at - 1)
                continue;
            prefix = m_buffer.substr(p, at - p); // includes the colon
        }
        const size_t close = m_buffer.find('>', after);
        if (close == std::string::npos) {
            m_searchedTo = at;
            return false;
        }
        m_childClose = "</" + prefix + m_child + ">";
        m_containerClose = "</" + prefix + m_container;
        const bool selfClosing = m_buffer[close - 1] == '/';
        m_consumed += close + 1;
        m_buffer.erase(0, close + 1);
        m_searchedTo = 0;
        m_state = selfClosing ? State::Done : State::Inside;
        if (selfClosing)
            m_buffer.clear();
        return true;
    }
}

void XmlPieceReader::parsePiece(size_t length)
{
    if (length > 0) {
        pugi::xml_document doc;
        const pugi::xml_parse_result result =
            doc.load_buffer_inplace(m_buffer.data(), length, kParseFlags, pugi::encoding_utf8);
        if (!result)
            fail(result.description(), m_consumed + static_cast<size_t>(result.offset));
        for (pugi::xml_node node = doc.first_child(); node; node = node.next_sibling())
            if (node.type() == pugi::node_element)
                m_handler(node);
    }
    m_consumed += length;
    m_buffer.erase(0, length);
    m_searchedTo = m_searchedTo > length ? m_searchedTo - length : 0;
    m_lastChildEnd = 0;
}

void XmlPieceReader::feed(const char* data, size_t size)
{
    if (m_state == State::Done)
        return;
    m_buffer.append(data, size);
    if (m_state == State::Seeking) {
        if (!findContainer()) {
            if (m_buffer.size() > ReaderLimits::kXmlElementBytes)
                fail("no data element", m_consumed);
            return;
        }
        if (m_state == State::Done)
            return;
    }
    // The last complete child in the new bytes, searched back from their end; the search reaches
    // a closing tag's length before them, in case one was cut at the end of the previous block.
    const size_t from = std::min(m_searchedTo, m_buffer.size());
    const size_t at = std::string_view(m_buffer).substr(from).rfind(m_childClose);
    if (at != std::string_view::npos)
        m_lastChildEnd = from + at + m_childClose.size();
    m_searchedTo = m_buffer.size() >= m_childClose.size() ? m_buffer.size() - m_childClose.size() + 1 : 0;
    if (m_buffer.size() < ReaderLimits::kXmlPieceBytes)
        return;
    if (m_lastChildEnd == 0) {
        if (m_buffer.size() > ReaderLimits::kXmlElementBytes)
            fail("element too large", m_consumed);
        return;
    }
    parsePiece(m_lastChildEnd);
}

void XmlPieceReader::finish()
{
    switch (m_state) {
    case State::Done:
        return;
    case State::Seeking: {
        // No container at all: an empty sheet, unless the part is no XML to begin with.
        pugi::xml_document doc;
        const pugi::xml_parse_result result =
            doc.load_buffer_inplace(m_buffer.data(), m_buffer.size(), pugi::parse_default, pugi::encoding_utf8);
        if (!result)
            fail(result.description(), m_consumed + static_cast<size_t>(result.offset));
        m_state = State::Done;
        return;
    }
    case State::Inside: {
        const size_t end = m_buffer.find(m_containerClose);
        if (end == std::string::npos)
            fail("unexpected end of data", m_consumed + m_buffer.size());
        parsePiece(end);
        m_buffer.clear();
        m_state = State::Done;
        return;
    }
    }
}

} // namespace corvina
