// The piece reader finds whole children however the bytes are cut into blocks: a closing tag
// split between two blocks, long runs of whitespace, long elements, the container's own tag cut.

#include "spreadsheet/XmlPieceReader.h"
#include "app/Failure.h"
#include "spreadsheet/FormatError.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace corvina;

namespace {

// A sheet of `rows` rows, every 500th row preceded by a long run of whitespace and every 700th
// holding a long text, so the pieces cut at many places.
std::string sheet(int rows)
{
    std::string xml = "<?xml version='1.0'?><x:worksheet xmlns:x='ns'><x:sheetData>";
    for (int r = 1; r <= rows; ++r) {
        if (r % 500 == 0)
            xml += std::string(300000, ' ');
        xml += "<x:row r='" + std::to_string(r) + "'><x:c><x:v>" +
               (r % 700 == 0 ? std::string(200000, '7') : std::to_string(r)) + "</x:v></x:c></x:row>";
    }
    return xml + "</x:sheetData></x:worksheet>";
}

std::vector<std::string> read(const std::string& xml, size_t block)
{
    std::vector<std::string> values;
    XmlPieceReader reader("sheetData", "row", QStringLiteral("sheet"), [&](const pugi::xml_node& row) {
        values.push_back(row.first_child().first_child().child_value());
    });
    for (size_t at = 0; at < xml.size(); at += block)
        reader.feed(xml.data() + at, std::min(block, xml.size() - at));
    reader.finish();
    return values;
}

} // namespace

TEST(XmlPieceReader, EveryChildWhateverTheBlocks)
{
    const std::string xml = sheet(3000);
    ASSERT_GT(xml.size(), 2u * 1024 * 1024); // several pieces
    for (size_t block : {size_t(1) << 20, size_t(65536), size_t(4093), size_t(7), size_t(1)}) {
        if (block == 1 && xml.size() > (8u << 20))
            continue;
        SCOPED_TRACE(block);
        const std::vector<std::string> values = read(xml, block);
        ASSERT_EQ(values.size(), 3000u);
        for (int r = 1; r <= 3000; ++r)
            EXPECT_EQ(values[static_cast<size_t>(r - 1)], r % 700 == 0 ? std::string(200000, '7') : std::to_string(r))
                << r;
    }
}

TEST(XmlPieceReader, UnfinishedOrOversizedElementsFail)
{
    // An element that never closes is held only up to the element bound.
    const std::string open = "<sheetData><row r='1'><c><v>";
    XmlPieceReader reader("sheetData", "row", QStringLiteral("sheet"), [](const pugi::xml_node&) {});
    reader.feed(open.data(), open.size());
    const std::string digits(1 << 20, '7');
    bool failed = false;
    for (int i = 0; i < 80 && !failed; ++i) {
        try {
            reader.feed(digits.data(), digits.size());
        } catch (const FormatError& e) {
            failed = e.detail().contains(QStringLiteral("element too large"));
        }
    }
    EXPECT_TRUE(failed);

    // A sheet cut short ends in the XML error of its part.
    XmlPieceReader cut("sheetData", "row", QStringLiteral("sheet"), [](const pugi::xml_node&) {});
    const std::string xml = "<sheetData><row r='1'></row><row r='2'>";
    cut.feed(xml.data(), xml.size());
    EXPECT_THROW(cut.finish(), FormatError);
}
