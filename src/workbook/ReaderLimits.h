#pragma once

#include <cstddef>

namespace corvina::ReaderLimits {

// Hostile files must end in a clear message, never in unbounded memory or time. The caps are
// absolute sizes, not compression ratios: real style parts compress a hundredfold.
constexpr size_t kMib = 1024 * 1024;
// Parts read through in pieces (worksheets, shared strings): bounds the time spent.
constexpr size_t kStreamedPartBytes = 256 * kMib;
// Parts held whole while read (workbook, relationships, styles).
constexpr size_t kWholePartBytes = 32 * kMib;
// Worksheet XML is parsed a piece of about this size at a time.
constexpr size_t kXmlPieceBytes = kMib;
// A single row or shared string larger than this is not a workbook's.
constexpr size_t kXmlElementBytes = 64 * kMib;
// Cells kept per worksheet (16 bytes each plus texts).
constexpr size_t kMaxCells = 8 * 1000 * 1000;
// Grid of the workbook formats.
constexpr int kMaxXlsxRows = 1048576;
constexpr int kMaxXlsxColumns = 16384;
constexpr int kMaxXlsRows = 65536;
constexpr int kMaxXlsColumns = 256;
// The binary workbook stream is read whole.
constexpr size_t kXlsStreamBytes = 256 * kMib;

} // namespace corvina::ReaderLimits
