#pragma once

#include <QtGlobal>
#include <cstddef>

namespace corvina::ReaderLimits {

// Hostile files must end in a clear message, never in unbounded memory or time. A worksheet is
// streamed, so its size costs time in proportion and no memory: what is capped is what has to be
// held at once (a part parsed whole, one element, the shared strings) and the grid itself.
constexpr size_t kMib = 1024 * 1024;
// Parts held whole while read (workbook, relationships, styles, a template's worksheet).
constexpr size_t kWholePartBytes = 32 * kMib;
// Worksheet XML is parsed a piece of about this size at a time.
constexpr size_t kXmlPieceBytes = kMib;
// A single row or shared string larger than this is not a workbook's.
constexpr size_t kXmlElementBytes = 64 * kMib;
// The shared strings are held for the whole reading: their part's unpacked size, their count and
// their characters (two bytes each in memory) are bounded. A million rows of a few distinct texts
// each stay well inside.
constexpr size_t kSharedStringsBytes = 512 * kMib;
constexpr size_t kMaxSharedStrings = 16 * 1024 * 1024;
constexpr size_t kMaxSharedCharacters = 128 * 1024 * 1024;
// Cells kept by a worksheet read whole into memory (tests, small tools; never the import).
constexpr size_t kMaxCells = 8 * 1000 * 1000;
// The grid of the workbook programs: .xlsx, .ods and XML spreadsheets, and the binary format.
constexpr int kMaxRows = 1048576;
constexpr int kMaxColumns = 16384;
constexpr int kMaxXlsRows = 65536;
constexpr int kMaxXlsColumns = 256;
// The binary workbook stream is read whole.
constexpr size_t kXlsStreamBytes = 256 * kMib;
// A cell's text in an .ods or XML spreadsheet beyond this is no spreadsheet's (the programs keep a
// few ten thousand characters).
constexpr qsizetype kMaxCellText = 1024 * 1024;
// Named cell styles of an XML spreadsheet, held while its sheets are read.
constexpr size_t kMaxStyles = 65536;

} // namespace corvina::ReaderLimits
