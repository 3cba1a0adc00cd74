#pragma once

#include <QString>
#include <cstring>
#include <functional>
#include <pugixml.hpp>
#include <string>

namespace corvina {

// Reads the children of one container element (the rows of sheetData, the strings of sst) from
// a stream of XML, parsing a few megabytes of whole children at a time. A worksheet of a hundred
// thousand rows is never one document tree in memory. Element names may carry any namespace
// prefix; the handler sees each child element in document order. Malformed XML throws
// FormatError.
class XmlPieceReader {
public:
    using ChildHandler = std::function<void(const pugi::xml_node& child)>;

    XmlPieceReader(std::string container, std::string child, QString partName, ChildHandler handler);

    void feed(const char* data, size_t size);
    void finish();

private:
    bool findContainer();
    void parsePiece(size_t length);
    [[noreturn]] void fail(const char* what, size_t offset) const;

    enum class State { Seeking, Inside, Done };
    State m_state = State::Seeking;
    std::string m_container;
    std::string m_child;
    QString m_partName;
    ChildHandler m_handler;
    std::string m_buffer;
    std::string m_childClose;
    std::string m_containerClose;
    size_t m_consumed = 0; // bytes of the part before m_buffer
    // Searches resume where the previous one stopped, so a long element or a long run of
    // whitespace costs time in proportion to its length, not to its square.
    size_t m_searchedTo = 0;   // the buffer before this offset has been searched
    size_t m_lastChildEnd = 0; // end of the last complete child found, 0 when none
};

// The part after a namespace prefix: "x:row" gives "row".
inline const char* localName(const char* name)
{
    const char* colon = nullptr;
    for (const char* p = name; *p; ++p)
        if (*p == ':')
            colon = p;
    return colon ? colon + 1 : name;
}

inline bool isNamed(const pugi::xml_node& node, const char* local)
{
    return node.type() == pugi::node_element && std::strcmp(localName(node.name()), local) == 0;
}

} // namespace corvina
