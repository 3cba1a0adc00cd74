#include "spreadsheet/XlsWorkbook.h"

#include "app/Failure.h"
#include "spreadsheet/CompoundFile.h"
#include "spreadsheet/FormatError.h"
#include "spreadsheet/LittleEndian.h"
#include "spreadsheet/ReaderLimits.h"
#include "spreadsheet/Texts.h"

#include <QFile>
#include <QFileInfo>
#include <cstring>
#include <deque>
#include <optional>

namespace corvina {

namespace {

enum Rec : quint16 {
    // BIFF2 cell records: row, column and three bytes of cell attributes before the value.
    Integer2 = 0x0002,
    Number2 = 0x0003,
    Label2 = 0x0004,
    BoolErr2 = 0x0005,
    String2 = 0x0007,
    Bof2 = 0x0009,
    Format23 = 0x001E, // BIFF2 and BIFF3: the format's text only, numbered by order
    Xf2 = 0x0043,
    BundleSheet = 0x008F,
    Formula3 = 0x0206,
    Bof3 = 0x0209,
    Xf3 = 0x0243,
    Formula4 = 0x0406,
    Bof4 = 0x0409,
    Xf4 = 0x0443,
    Formula = 0x0006, // BIFF2 to BIFF8, with the cell's layout of its version
    Eof = 0x000A,
    DateMode = 0x0022,
    FilePass = 0x002F,
    Continue = 0x003C,
    CodePageRecord = 0x0042,
    BoundSheet = 0x0085,
    MulRk = 0x00BD,
    RString = 0x00D6,
    Xf = 0x00E0,
    Sst = 0x00FC,
    LabelSst = 0x00FD,
    Number = 0x0203,
    Label = 0x0204,
    BoolErr = 0x0205,
    StringRec = 0x0207,
    Rk = 0x027E,
    Format = 0x041E,
    Bof = 0x0809,
};

using le::f64;
using le::u16;
using le::u32;

double rkValue(quint32 rk)
{
    double v;
    if (rk & 2) {
        v = static_cast<double>(static_cast<qint32>(rk) >> 2);
    } else {
        const quint64 bits = static_cast<quint64>(rk & 0xFFFFFFFCu) << 32;
        std::memcpy(&v, &bits, sizeof v);
    }
    return (rk & 1) ? v / 100.0 : v;
}

QString errorText(quint8 code)
{
    switch (code) {
    case 0x00:
        return QStringLiteral("#NULL!");
    case 0x07:
        return QStringLiteral("#DIV/0!");
    case 0x0F:
        return QStringLiteral("#VALUE!");
    case 0x17:
        return QStringLiteral("#REF!");
    case 0x1D:
        return QStringLiteral("#NAME?");
    case 0x24:
        return QStringLiteral("#NUM!");
    default:
        return QStringLiteral("#N/A");
    }
}

[[noreturn]] void badRecord(quint16 id, size_t offset)
{
    throw FormatError(WorkbookTexts::DetailRecord.arg(QStringLiteral("%1").arg(id, 4, 16, QLatin1Char('0')),
                                                      QString::number(offset)));
}

// BIFF8's longest record (8,224 bytes of data); the older versions' are shorter.
constexpr size_t kMaxRecordBytes = 8224;

struct Record {
    quint16 id = 0;
    const uchar* data = nullptr;
    size_t size = 0;
    size_t offset = 0;
};

// Walks the records of the workbook stream. A record that runs past the end throws; where the
// stream may end early (a sheet's cells, the last thing in the file), the walk stops there
// instead and remembers where, so that what came before it stands.
class RecordCursor {
public:
    enum class AtCutEnd { Throw, Stop };

    RecordCursor(const QByteArray& stream, size_t at, AtCutEnd cutEnd = AtCutEnd::Throw)
        : m_data(reinterpret_cast<const uchar*>(stream.constData())), m_size(static_cast<size_t>(stream.size())),
          m_at(at), m_cutEnd(cutEnd)
    {
    }

    bool next(Record* r)
    {
        if (m_at + 4 > m_size) {
            if (m_at < m_size && m_cutEnd == AtCutEnd::Stop)
                m_cutAt = m_at; // not even a whole record header
            m_at = m_size;
            return false;
        }
        r->id = u16(m_data + m_at);
        r->size = u16(m_data + m_at + 2);
        r->offset = m_at;
        if (m_at + 4 + r->size > m_size) {
            // A length no writer gives a record is damage, not a file cut short.
            if (m_cutEnd == AtCutEnd::Throw || r->size > kMaxRecordBytes)
                badRecord(r->id, m_at);
            m_cutAt = m_at;
            m_at = m_size;
            return false;
        }
        r->data = m_data + m_at + 4;
        m_at += 4 + r->size;
        return true;
    }
    // The next record's id without moving, 0 at the end.
    quint16 peek() const { return m_at + 4 <= m_size ? u16(m_data + m_at) : 0; }
    // Where the stream ended inside a record, when it did.
    std::optional<size_t> cutAt() const { return m_cutAt; }

private:
    const uchar* m_data;
    size_t m_size;
    size_t m_at;
    AtCutEnd m_cutEnd;
    std::optional<size_t> m_cutAt;
};

// The bytes of one record followed by its CONTINUE records, read as one run. A string whose
// characters go on in a CONTINUE record restates its width in a flags byte at the start of that
// record; its header, rich-text runs and phonetic block carry on without one. Empty CONTINUE
// records are passed over.
class Segments {
public:
    void add(const uchar* data, size_t size, size_t offset) { m_parts.push_back({data, size, offset}); }
    size_t totalBytes() const
    {
        size_t n = 0;
        for (const Part& p : m_parts)
            n += p.size;
        return n;
    }
    bool atEnd()
    {
        while (m_part < m_parts.size() && m_pos >= m_parts[m_part].size) {
            ++m_part;
            m_pos = 0;
        }
        return m_part >= m_parts.size();
    }
    uchar byte()
    {
        if (atEnd())
            truncated();
        return m_parts[m_part].data[m_pos++];
    }
    quint16 word()
    {
        const quint16 lo = byte();
        return static_cast<quint16>(lo | (byte() << 8));
    }
    quint32 dword()
    {
        const quint32 lo = word();
        return lo | (static_cast<quint32>(word()) << 16);
    }
    void skip(size_t n)
    {
        while (n > 0) {
            if (atEnd())
                truncated();
            const size_t step = std::min(n, m_parts[m_part].size - m_pos);
            m_pos += step;
            n -= step;
        }
    }
    // A BIFF8 string: character count (one or two bytes), flags, optional rich-text and
    // phonetic sizes, the characters, then the skipped rich-text runs and phonetic data.
    QString unicodeString(bool shortCount)
    {
        size_t remaining = shortCount ? byte() : word();
        const quint8 flags = byte();
        const quint16 runs = (flags & 0x08) ? word() : 0;
        const quint32 ext = (flags & 0x04) ? dword() : 0;
        bool wide = flags & 0x01;
        QString text;
        text.reserve(static_cast<qsizetype>(remaining));
        while (remaining > 0) {
            if (m_part >= m_parts.size() || m_pos >= m_parts[m_part].size) {
                if (atEnd())
                    truncated();
                wide = byte() & 0x01;
                continue; // the record may hold nothing after its flags byte
            }
            const Part& p = m_parts[m_part];
            const size_t unit = wide ? 2 : 1;
            const size_t n = std::min(remaining, (p.size - m_pos) / unit);
            if (n == 0)
                truncated();
            const uchar* c = p.data + m_pos;
            if (wide) {
                const qsizetype at = text.size();
                text.resize(at + static_cast<qsizetype>(n));
                QChar* out = text.data() + at;
                for (size_t i = 0; i < n; ++i)
                    out[i] = QChar(u16(c + 2 * i));
            } else {
                text.append(QLatin1StringView(reinterpret_cast<const char*>(c), static_cast<qsizetype>(n)));
            }
            m_pos += n * unit;
            remaining -= n;
        }
        skip(static_cast<size_t>(runs) * 4 + ext);
        return text;
    }

private:
    struct Part {
        const uchar* data;
        size_t size;
        size_t offset;
    };
    [[noreturn]] void truncated() const
    {
        const size_t at =
            m_part < m_parts.size() ? m_parts[m_part].offset : (m_parts.empty() ? 0 : m_parts.back().offset);
        badRecord(Continue, at);
    }
    std::vector<Part> m_parts;
    size_t m_part = 0;
    size_t m_pos = 0;
};

// A record and the CONTINUE records after it.
Segments withContinues(const Record& first, RecordCursor& cursor)
{
    Segments s;
    s.add(first.data, first.size, first.offset);
    Record r;
    while (cursor.peek() == Continue && cursor.next(&r))
        s.add(r.data, r.size, r.offset);
    return s;
}

// The kind of a number format of BIFF2-4, numbered by its place among the FORMAT records. Excel
// wrote every format it used; a writer that wrote none meant Excel 2's own list, whose dates and
// times stand at 12 to 20.
DateFormats::Kind oldFormatKind(const DateFormats& formats, int index, int defined)
{
    if (index < defined)
        return formats.kind(index);
    if (index >= 12 && index <= 15)
        return DateFormats::Kind::Date;
    if (index >= 16 && index <= 19)
        return DateFormats::Kind::Time;
    return index == 20 ? DateFormats::Kind::Date : DateFormats::Kind::None;
}

// The Windows code page that a CODEPAGE record's number stands for. The Mac pages of the Far East
// read as their Windows pages; anything unknown as Windows Latin 1, which older writers meant.
int windowsCodePage(int codepage)
{
    switch (codepage) {
    case 437:
    case 850:
    case 874:
    case 932:
    case 936:
    case 949:
    case 950:
    case 1200:
    case 1250:
    case 1251:
    case 1253:
    case 1254:
    case 1255:
    case 1256:
    case 1257:
    case 1258:
    case 10000:
        return codepage;
    case 10001:
        return 932;
    case 10008:
        return 936;
    case 10002:
        return 950;
    case 32768:
        return 10000;
    default: // 1252, and 367 (ASCII) and 32769, which older writers use for it
        return 1252;
    }
}

QByteArray readWorkbookStream(const QString& path, bool bare)
{
    if (bare) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            throw Failure(WorkbookTexts::CannotOpenFile.arg(path, file.errorString()));
        if (static_cast<quint64>(file.size()) > ReaderLimits::kXlsStreamBytes)
            throw Failure(
                WorkbookTexts::PartTooLarge.arg(QFileInfo(path).fileName(), QStringLiteral("Workbook"),
                                                QString::number(ReaderLimits::kXlsStreamBytes / ReaderLimits::kMib)));
        return file.readAll();
    }
    const CompoundFile file(path);
    const QStringList names = file.streamNames();
    // "Workbook" holds BIFF8, "Book" the BIFF5 of older programs.
    for (const char* wanted : {"Workbook", "Book"})
        for (const QString& name : names)
            if (name.compare(QLatin1String(wanted), Qt::CaseInsensitive) == 0)
                return file.read(name, ReaderLimits::kXlsStreamBytes);
    for (const QString& name : names)
        if (name.compare(QLatin1String("EncryptedPackage"), Qt::CaseInsensitive) == 0)
            throw Failure(WorkbookTexts::Encrypted.arg(QFileInfo(path).fileName()));
    throw FormatError(WorkbookTexts::DetailStream);
}

// The cells of one sheet's records, row by row. Writers keep a sheet's cell records in row
// order; for a sheet that does not, the cells are gathered first (a binary sheet holds at most
// 65,536 rows) and handed out in order.
class XlsSheetRows : public SheetRows {
public:
    XlsSheetRows(const XlsWorkbook& book, const QString& name, size_t offset, int lastColumn)
        : m_book(book), m_name(name), m_offset(offset),
          m_lastColumn(
              std::min(lastColumn > 0 ? lastColumn : ReaderLimits::kMaxXlsColumns, ReaderLimits::kMaxXlsColumns)),
          m_cursor(book.stream(), offset, RecordCursor::AtCutEnd::Stop)
    {
        Record r;
        if (!m_cursor.next(&r) || (r.id != Bof && r.id != Bof2 && r.id != Bof3 && r.id != Bof4))
            throw FormatError(WorkbookTexts::DetailSheetOffset.arg(name));
        if (!inRowOrder()) {
            m_gathered.resize(ReaderLimits::kMaxXlsRows + 1);
            while (readRecord()) {
            }
            // Cells come in any order here: a cut could have taken cells of any row.
            if (m_cursor.cutAt())
                badRecord(0, *m_cursor.cutAt());
        }
    }

    bool next(SheetRow& row) override
    {
        if (!m_gathered.empty()) {
            while (m_nextGathered < m_gathered.size()) {
                SheetRow& r = m_gathered[m_nextGathered++];
                if (r.cells.empty())
                    continue;
                r.settle();
                row = std::move(r);
                return true;
            }
            return false;
        }
        while (m_ready.empty() && readRecord()) {
        }
        if (m_ready.empty() && !m_current.cells.empty()) {
            m_ready.push_back(std::move(m_current));
            m_current = SheetRow();
        }
        if (m_ready.empty())
            return false;
        row = std::move(m_ready.front());
        m_ready.pop_front();
        row.settle();
        return true;
    }

private:
    // Whether the cell records never go back to an earlier row.
    bool inRowOrder() const
    {
        RecordCursor cursor(m_book.stream(), m_offset, RecordCursor::AtCutEnd::Stop);
        Record r;
        cursor.next(&r);
        int depth = 1;
        int last = 0;
        while (depth > 0 && cursor.next(&r)) {
            if (r.id == Bof)
                ++depth;
            else if (r.id == Eof)
                --depth;
            else if (depth == 1 && r.size >= 2 && isCellRecord(r.id)) {
                const int row = u16(r.data);
                if (row < last)
                    return false;
                last = row;
            }
        }
        return true;
    }

    static bool isCellRecord(quint16 id)
    {
        switch (id) {
        case LabelSst:
        case Label:
        case RString:
        case Number:
        case Rk:
        case MulRk:
        case Formula:
        case BoolErr:
        case Integer2:
        case Number2:
        case Label2:
        case BoolErr2:
        case Formula3:
        case Formula4:
            return true;
        default:
            return false;
        }
    }

    void add(int row, int column, CellValue value)
    {
        if (column < 1 || column > m_lastColumn || (value.isEmpty() && !value.uncalculated))
            return;
        m_lastRow = std::max(m_lastRow, row);
        if (!m_gathered.empty()) {
            SheetRow& r = m_gathered[static_cast<size_t>(row)];
            r.number = row;
            r.cells.push_back({column, std::move(value)});
            if (++m_gatheredCells > ReaderLimits::kMaxCells)
                throw Failure(WorkbookTexts::TooManyCells.arg(m_name, QString::number(ReaderLimits::kMaxCells)));
            return;
        }
        if (row != m_current.number && !m_current.cells.empty()) {
            m_ready.push_back(std::move(m_current));
            m_current = SheetRow();
        }
        m_current.number = row;
        m_current.cells.push_back({column, std::move(value)});
    }

    CellValue numberCell(double value, quint16 xf) const
    {
        const DateFormats::Kind kind = m_book.xfKind(xf);
        if (kind == DateFormats::Kind::None)
            return CellValue::fromNumber(value);
        return CellValue::fromSerial(value, m_book.date1904(), kind == DateFormats::Kind::Time);
    }

    QString byteString(const Record& r, size_t countAt, size_t countBytes) const
    {
        const size_t count = countBytes == 1 ? r.data[countAt] : u16(r.data + countAt);
        const size_t at = countAt + countBytes;
        return m_book.decodeBytes(r.data + at, std::min(count, r.size - at));
    }

    // One record of the sheet; false at the sheet's end.
    bool readRecord()
    {
        Record r;
        while (m_depth > 0 && m_cursor.next(&r)) {
            if (r.id == Bof) {
                ++m_depth; // an embedded chart: its records are not cells of this sheet
                continue;
            }
            if (r.id == Eof) {
                --m_depth;
                continue;
            }
            if (m_depth != 1)
                continue;
            decode(r);
            return true;
        }
        if (m_depth > 0 && m_cursor.cutAt())
            setCutShort(m_lastRow > 0 ? WorkbookTexts::EndsEarly.arg(m_name, QString::number(m_lastRow))
                                      : WorkbookTexts::EndsEarlyNoCells.arg(m_name));
        m_depth = 0;
        return false;
    }

    void need(const Record& r, size_t n) const
    {
        if (r.size < n)
            badRecord(r.id, r.offset);
    }

    // A formula's cached result (eight bytes at `result`): a number, or a boolean, an error or an
    // empty text marked by 0xFFFF in its last two bytes; a text result follows in a STRING record.
    void formulaResult(const uchar* result, int row, int column, quint16 xf)
    {
        m_pendingRow = m_pendingColumn = -1;
        if (u16(result + 6) != 0xFFFF) {
            add(row, column, numberCell(f64(result), xf));
            return;
        }
        switch (result[0]) {
        case 0: // text, in the STRING record that follows
            m_pendingRow = row;
            m_pendingColumn = column;
            break;
        case 1:
            add(row, column, CellValue::fromBoolean(result[2] != 0));
            break;
        case 2:
            add(row, column, CellValue::fromText(errorText(result[2]), CellType::Error));
            break;
        case 3: // an empty text
            add(row, column, CellValue::fromText(QString()));
            break;
        default:
            break;
        }
    }

    // A BOOLERR record's value byte and its flag: an error code when the flag is set.
    void boolOrError(const uchar* value, int row, int column)
    {
        if (value[1])
            add(row, column, CellValue::fromText(errorText(value[0]), CellType::Error));
        else
            add(row, column, CellValue::fromBoolean(value[0] != 0));
    }

    void pendingText(const QString& text)
    {
        if (m_pendingRow > 0)
            add(m_pendingRow, m_pendingColumn, CellValue::fromText(text));
        m_pendingRow = m_pendingColumn = -1;
    }

    // BIFF2: the cell attributes' second byte names the number format itself, which the
    // workbook keeps in place of an XF's.
    void decodeBiff2(const Record& r, int row, int column)
    {
        const auto format = [&r] { return static_cast<quint16>(r.data[5] & 0x3F); };
        switch (r.id) {
        case Integer2:
            need(r, 9);
            add(row, column, numberCell(u16(r.data + 7), format()));
            break;
        case Number2:
            need(r, 15);
            add(row, column, numberCell(f64(r.data + 7), format()));
            break;
        case Label2:
            need(r, 8);
            add(row, column, CellValue::fromText(byteString(r, 7, 1)));
            break;
        case BoolErr2:
            need(r, 9);
            boolOrError(r.data + 7, row, column);
            break;
        case Formula:
            need(r, 15);
            formulaResult(r.data + 7, row, column, format());
            break;
        case String2:
            need(r, 1);
            pendingText(byteString(r, 0, 1));
            break;
        default:
            break;
        }
    }

    void decode(const Record& r)
    {
        const int row = r.size >= 2 ? u16(r.data) + 1 : 0;
        const int column = r.size >= 4 ? u16(r.data + 2) + 1 : 0;
        const int biff = m_book.biff();
        if (biff == 2) {
            decodeBiff2(r, row, column);
            return;
        }
        switch (r.id) {
        case LabelSst: {
            need(r, 10);
            const quint32 i = u32(r.data + 6);
            if (i >= m_book.sharedStrings().size())
                throw FormatError(
                    WorkbookTexts::DetailSharedString.arg(cellReference(row, column), QString::number(i)));
            add(row, column, CellValue::fromText(m_book.sharedStrings().at(i)));
            break;
        }
        case Label:
        case RString: {
            need(r, 8);
            if (biff == 8) {
                Segments s;
                s.add(r.data + 6, r.size - 6, r.offset);
                add(row, column, CellValue::fromText(s.unicodeString(false)));
            } else {
                add(row, column, CellValue::fromText(byteString(r, 6, 2)));
            }
            break;
        }
        case Number:
            need(r, 14);
            add(row, column, numberCell(f64(r.data + 6), u16(r.data + 4)));
            break;
        case Rk:
            need(r, 10);
            add(row, column, numberCell(rkValue(u32(r.data + 6)), u16(r.data + 4)));
            break;
        case MulRk: {
            need(r, 6);
            const size_t count = (r.size - 6) / 6;
            for (size_t k = 0; k < count; ++k) {
                const uchar* p = r.data + 4 + 6 * k;
                add(row, column + static_cast<int>(k), numberCell(rkValue(u32(p + 2)), u16(p)));
            }
            break;
        }
        case Formula:
        case Formula3:
        case Formula4:
            need(r, 14);
            formulaResult(r.data + 6, row, column, u16(r.data + 4));
            break;
        case StringRec: {
            if (biff == 8) {
                Segments s = withContinues(r, m_cursor);
                pendingText(s.unicodeString(false));
            } else {
                need(r, 2);
                pendingText(byteString(r, 0, 2));
            }
            break;
        }
        case BoolErr:
            need(r, 8);
            boolOrError(r.data + 6, row, column);
            break;
        default:
            break;
        }
    }

    const XlsWorkbook& m_book;
    QString m_name;
    size_t m_offset;
    int m_lastColumn;
    RecordCursor m_cursor;
    int m_depth = 1;
    int m_pendingRow = -1; // a formula whose text result follows in a STRING record
    int m_pendingColumn = -1;
    int m_lastRow = 0; // the last row with a cell, for the notice of a stream that ends early
    SheetRow m_current;
    std::deque<SheetRow> m_ready;
    std::vector<SheetRow> m_gathered;
    size_t m_nextGathered = 1;
    size_t m_gatheredCells = 0;
};

} // namespace

XlsWorkbook::XlsWorkbook(const QString& path, bool bareStream)
    : Workbook(path), m_stream(readWorkbookStream(path, bareStream))
{
    readGlobals();
}

QStringList XlsWorkbook::readSheetNames()
{
    return m_names;
}

void XlsWorkbook::setCodepage(int codepage)
{
    const int number = windowsCodePage(codepage);
    if (m_codePage.number() != number)
        m_codePage = CodePage(number);
}

QString XlsWorkbook::decodeBytes(const uchar* data, size_t size) const
{
    return m_codePage.decode(QByteArrayView(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
}

void XlsWorkbook::readGlobals()
{
    RecordCursor cursor(m_stream, 0);
    Record r;
    if (!cursor.next(&r) || r.size < 4)
        throw FormatError(WorkbookTexts::DetailBiffVersion.arg(QString::number(r.id, 16)));
    // The BOF's own id tells the versions before BIFF5; from BIFF5 on its version word does.
    const quint16 version = u16(r.data);
    const quint16 kind = u16(r.data + 2);
    if (r.id == Bof && version == 0x0600)
        m_biff = 8;
    else if (r.id == Bof && version == 0x0500)
        m_biff = 5;
    else if (r.id == Bof2 || r.id == Bof3 || r.id == Bof4)
        m_biff = r.id == Bof2 ? 2 : r.id == Bof3 ? 3 : 4;
    else
        throw FormatError(WorkbookTexts::DetailBiffVersion.arg(QString::number(r.id == Bof ? version : r.id, 16)));
    // Before BIFF5 a file is one worksheet (its formats, then its cells, in one stream), or an
    // Excel 4 workbook of such sheets bound together, which is not read here.
    const bool oneSheet = m_biff < 5;
    if (oneSheet && kind != 0x0010)
        throw Failure(WorkbookTexts::OldKindNotRead.arg(QFileInfo(path()).fileName()));
    if (oneSheet) {
        m_names.append(Workbook::unnamedSheet());
        m_offsets.push_back(0);
    }
    // Without a CODEPAGE record: the ANSI code page the version was written in (BIFF8 texts are
    // Unicode anyway).
    setCodepage(1252);

    DateFormats formats;
    std::vector<quint16> xfFormats;
    int formatsByOrder = 0; // before BIFF5 a FORMAT record's number is its place among them
    auto finish = [&] {
        if (m_biff == 2) { // the cells name their format, not an XF: the kinds go by format
            for (int f = 0; f < 64; ++f)
                m_xfKinds.push_back(oldFormatKind(formats, f, formatsByOrder));
        } else {
            for (quint16 f : xfFormats)
                m_xfKinds.push_back(m_biff < 5 ? oldFormatKind(formats, f, formatsByOrder) : formats.kind(f));
        }
        m_sst.finish();
    };
    while (cursor.next(&r)) {
        switch (r.id) {
        case Format23: // BIFF2-3: the text with its length byte
            if (r.size >= 1)
                formats.define(formatsByOrder++, decodeBytes(r.data + 1, std::min<size_t>(r.data[0], r.size - 1)));
            break;
        case Xf2:
            if (r.size >= 3)
                xfFormats.push_back(r.data[2] & 0x3F);
            break;
        case Xf3:
        case Xf4:
            if (r.size >= 2)
                xfFormats.push_back(r.data[1]);
            break;
        case FilePass:
            throw Failure(WorkbookTexts::Encrypted.arg(QFileInfo(path()).fileName()));
        case CodePageRecord:
            if (r.size >= 2)
                setCodepage(u16(r.data));
            break;
        case DateMode:
            if (r.size >= 2)
                m_date1904 = u16(r.data) == 1;
            break;
        case Format:
            if (r.size >= 3) {
                // BIFF4 writes two bytes it does not use where BIFF5 has the format's number.
                const int id = m_biff == 4 ? formatsByOrder++ : u16(r.data);
                QString code;
                if (m_biff == 8) {
                    Segments s;
                    s.add(r.data + 2, r.size - 2, r.offset);
                    code = s.unicodeString(false);
                } else {
                    code = decodeBytes(r.data + 3, std::min<size_t>(r.data[2], r.size - 3));
                }
                formats.define(id, code);
            }
            break;
        case Xf:
            if (r.size >= 4)
                xfFormats.push_back(u16(r.data + 2));
            break;
        case BoundSheet: {
            if (r.size < 8)
                badRecord(r.id, r.offset);
            const quint32 offset = u32(r.data);
            const quint8 type = r.data[5];
            QString name;
            if (m_biff == 8) {
                Segments s;
                s.add(r.data + 6, r.size - 6, r.offset);
                name = s.unicodeString(true);
            } else {
                name = decodeBytes(r.data + 7, std::min<size_t>(r.data[6], r.size - 7));
            }
            if (type != 0)
                break; // chart, macro and module sheets are no worksheets
            if (offset >= static_cast<quint32>(m_stream.size()))
                throw FormatError(WorkbookTexts::DetailSheetOffset.arg(name));
            m_names.append(name);
            m_offsets.push_back(offset);
            break;
        }
        case Sst: {
            Segments s = withContinues(r, cursor);
            s.word(); // total references, not needed
            s.word();
            const quint32 unique = s.dword();
            // Each string takes at least three bytes: never trust the count for memory.
            m_sst.reserve(std::min<size_t>(unique, s.totalBytes() / 3));
            for (quint32 i = 0; i < unique && !s.atEnd(); ++i) {
                m_sst.append(s.unicodeString(false));
                if (m_sst.characters() > ReaderLimits::kMaxSharedCharacters)
                    throw FormatError(WorkbookTexts::DetailTooManyStrings.arg(
                        QString::number(ReaderLimits::kMaxSharedStrings),
                        QString::number(ReaderLimits::kMaxSharedCharacters / ReaderLimits::kMib)));
            }
            break;
        }
        case Eof:
            finish();
            return;
        case Integer2: // a worksheet file's first cell: its formats are all read
        case Number2:
        case Label2:
        case BoolErr2:
        case Formula:
        case Formula3:
        case Formula4:
        case Number:
        case Label:
        case BoolErr:
        case Rk:
            if (oneSheet) {
                finish();
                return;
            }
            break;
        default:
            break;
        }
    }
    finish();
}

std::unique_ptr<SheetRows> XlsWorkbook::openRows(int index, int lastColumn)
{
    return std::make_unique<XlsSheetRows>(*this, m_names.at(index), m_offsets.at(static_cast<size_t>(index)),
                                          lastColumn);
}

} // namespace corvina
