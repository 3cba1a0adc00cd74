#include "workbook/XlsWorkbook.h"

#include "app/Failure.h"
#include "workbook/CompoundFile.h"
#include "workbook/DateFormats.h"
#include "workbook/FormatError.h"
#include "workbook/ReaderLimits.h"
#include "workbook/Texts.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <cstring>

namespace corvina {

namespace {

enum Rec : quint16 {
    Formula = 0x0006,
    Eof = 0x000A,
    DateMode = 0x0022,
    FilePass = 0x002F,
    Continue = 0x003C,
    CodePage = 0x0042,
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

quint16 u16(const uchar* p)
{
    return static_cast<quint16>(p[0] | (p[1] << 8));
}
quint32 u32(const uchar* p)
{
    return static_cast<quint32>(u16(p)) | (static_cast<quint32>(u16(p + 2)) << 16);
}
double f64(const uchar* p)
{
    quint64 bits = 0;
    for (int i = 7; i >= 0; --i)
        bits = (bits << 8) | p[i];
    double v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

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
    case 0x2A:
        return QStringLiteral("#N/A");
    default:
        return QStringLiteral("#N/A");
    }
}

struct Record {
    quint16 id = 0;
    const uchar* data = nullptr;
    size_t size = 0;
    size_t offset = 0;
};

// Walks the records of the workbook stream; a record that runs past the end throws.
class RecordCursor {
public:
    RecordCursor(const QByteArray& stream, size_t at)
        : m_data(reinterpret_cast<const uchar*>(stream.constData())), m_size(static_cast<size_t>(stream.size())),
          m_at(at)
    {
    }

    bool next(Record* r)
    {
        if (m_at + 4 > m_size)
            return false;
        r->id = u16(m_data + m_at);
        r->size = u16(m_data + m_at + 2);
        r->offset = m_at;
        if (m_at + 4 + r->size > m_size)
            throw FormatError(WorkbookTexts::DetailRecord.arg(r->id, 4, 16, QLatin1Char('0')).arg(m_at));
        r->data = m_data + m_at + 4;
        m_at += 4 + r->size;
        return true;
    }
    // The next record's id without moving, 0 at the end.
    quint16 peek() const { return m_at + 4 <= m_size ? u16(m_data + m_at) : 0; }

private:
    const uchar* m_data;
    size_t m_size;
    size_t m_at;
};

// The bytes of one record followed by its CONTINUE records. Strings whose characters cross into
// a CONTINUE record start that record with a fresh flags byte.
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
        quint8 flags = byte();
        const quint16 runs = (flags & 0x08) ? word() : 0;
        const quint32 ext = (flags & 0x04) ? dword() : 0;
        bool wide = flags & 0x01;
        QString text;
        text.reserve(static_cast<qsizetype>(std::min<size_t>(remaining, 65535)));
        while (remaining > 0) {
            if (m_pos >= currentSize()) {
                if (atEnd())
                    truncated();
                wide = byte() & 0x01; // a continued string restates its width
            }
            const Part& p = m_parts[m_part];
            const size_t unit = wide ? 2 : 1;
            const size_t n = std::min(remaining, (p.size - m_pos) / unit);
            if (n == 0)
                truncated();
            const uchar* c = p.data + m_pos;
            if (wide) {
                for (size_t i = 0; i < n; ++i)
                    text.append(QChar(u16(c + 2 * i)));
            } else {
                for (size_t i = 0; i < n; ++i)
                    text.append(QChar(c[i])); // compressed: the high byte is zero
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
    size_t currentSize() const { return m_part < m_parts.size() ? m_parts[m_part].size : 0; }
    [[noreturn]] void truncated() const
    {
        const size_t at =
            m_part < m_parts.size() ? m_parts[m_part].offset : (m_parts.empty() ? 0 : m_parts.back().offset);
        throw FormatError(WorkbookTexts::DetailRecord.arg(QStringLiteral("3C")).arg(at));
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

const char* codecName(int codepage)
{
    switch (codepage) {
    case 437:
        return "IBM437";
    case 932:
        return "Shift_JIS";
    case 936:
        return "GBK";
    case 949:
        return "windows-949";
    case 950:
        return "Big5";
    case 1250:
        return "windows-1250";
    case 1251:
        return "windows-1251";
    case 1253:
        return "windows-1253";
    case 1254:
        return "windows-1254";
    case 1255:
        return "windows-1255";
    case 1256:
        return "windows-1256";
    case 1257:
        return "windows-1257";
    case 1258:
        return "windows-1258";
    case 10000:
    case 32768:
        return "macintosh";
    default:
        return "windows-1252";
    }
}

QByteArray readWorkbookStream(const QString& path)
{
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

} // namespace

XlsWorkbook::XlsWorkbook(const QString& path) : Workbook(path), m_stream(readWorkbookStream(path))
{
    m_sst = std::make_shared<Worksheet::StringPool>();
    readGlobals();
}

QStringList XlsWorkbook::sheetNames() const
{
    return m_names;
}

QString XlsWorkbook::decodeBytes(const char* data, size_t size) const
{
    QStringDecoder decoder(codecName(m_codepage));
    if (!decoder.isValid())
        return QString::fromLatin1(data, static_cast<qsizetype>(size));
    return decoder.decode(QByteArrayView(data, static_cast<qsizetype>(size)));
}

void XlsWorkbook::readGlobals()
{
    RecordCursor cursor(m_stream, 0);
    Record r;
    if (!cursor.next(&r) || r.id != Bof || r.size < 4)
        throw FormatError(WorkbookTexts::DetailBiffVersion.arg(r.id, 0, 16));
    const quint16 version = u16(r.data);
    if (version == 0x0600)
        m_biff = 8;
    else if (version == 0x0500)
        m_biff = 5;
    else
        throw FormatError(WorkbookTexts::DetailBiffVersion.arg(version, 0, 16));

    DateFormats formats;
    std::vector<quint16> xfFormats;
    while (cursor.next(&r)) {
        switch (r.id) {
        case FilePass:
            throw Failure(WorkbookTexts::Encrypted.arg(QFileInfo(path()).fileName()));
        case CodePage:
            if (r.size >= 2)
                m_codepage = u16(r.data);
            break;
        case DateMode:
            if (r.size >= 2)
                m_date1904 = u16(r.data) == 1;
            break;
        case Format:
            if (r.size >= 3) {
                Segments s;
                s.add(r.data, r.size, r.offset);
                const int id = s.word();
                QString code;
                if (m_biff == 8) {
                    code = s.unicodeString(false);
                } else {
                    const size_t n = std::min<size_t>(r.data[2], r.size - 3);
                    code = decodeBytes(reinterpret_cast<const char*>(r.data + 3), n);
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
                throw FormatError(WorkbookTexts::DetailRecord.arg(r.id, 4, 16, QLatin1Char('0')).arg(r.offset));
            const quint32 offset = u32(r.data);
            const quint8 type = r.data[5];
            QString name;
            if (m_biff == 8) {
                Segments s;
                s.add(r.data + 6, r.size - 6, r.offset);
                name = s.unicodeString(true);
            } else {
                const size_t n = std::min<size_t>(r.data[6], r.size - 7);
                name = decodeBytes(reinterpret_cast<const char*>(r.data + 7), n);
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
            m_sst->reserve(std::min<size_t>(unique, s.totalBytes() / 3));
            for (quint32 i = 0; i < unique && !s.atEnd(); ++i)
                m_sst->push_back(s.unicodeString(false));
            break;
        }
        case Eof:
            for (quint16 f : xfFormats)
                m_xfIsDate.push_back(formats.isDate(f));
            return;
        default:
            break;
        }
    }
    for (quint16 f : xfFormats)
        m_xfIsDate.push_back(formats.isDate(f));
}

std::unique_ptr<Worksheet> XlsWorkbook::loadSheet(int index)
{
    const QString name = m_names.at(index);
    auto sheet = std::make_unique<Worksheet>(name, m_date1904, m_sst);
    const auto& sst = *m_sst;
    auto isDate = [this](quint16 xf) { return xf < m_xfIsDate.size() && m_xfIsDate[xf]; };
    auto need = [](const Record& r, size_t n) {
        if (r.size < n)
            throw FormatError(WorkbookTexts::DetailRecord.arg(r.id, 4, 16, QLatin1Char('0')).arg(r.offset));
    };
    auto checkCount = [&] {
        if (sheet->cellCount() > ReaderLimits::kMaxCells)
            throw Failure(WorkbookTexts::TooManyCells.arg(name).arg(ReaderLimits::kMaxCells));
    };

    // A cell record takes at least 14 bytes.
    sheet->reserve(std::min<size_t>(static_cast<size_t>(m_stream.size()) / 14, ReaderLimits::kMaxCells / 2));
    RecordCursor cursor(m_stream, m_offsets.at(static_cast<size_t>(index)));
    Record r;
    if (!cursor.next(&r) || r.id != Bof)
        throw FormatError(WorkbookTexts::DetailSheetOffset.arg(name));
    int depth = 1;
    int pendingRow = -1; // a formula whose text result follows in a STRING record
    int pendingColumn = -1;
    while (depth > 0 && cursor.next(&r)) {
        if (r.id == Bof) {
            ++depth; // an embedded chart: its records are not cells of this sheet
            continue;
        }
        if (r.id == Eof) {
            --depth;
            continue;
        }
        if (depth != 1)
            continue;
        const int row = r.size >= 2 ? u16(r.data) + 1 : 0;
        const int column = r.size >= 4 ? u16(r.data + 2) + 1 : 0;
        const bool inGrid = column >= 1 && column <= ReaderLimits::kMaxXlsColumns;
        switch (r.id) {
        case LabelSst: {
            need(r, 10);
            const quint32 i = u32(r.data + 6);
            if (i >= sst.size())
                throw FormatError(WorkbookTexts::DetailSharedString.arg(cellReference(row, column)).arg(i));
            if (inGrid)
                sheet->addSharedText(row, column, i);
            break;
        }
        case Label:
        case RString: {
            need(r, 8);
            QString text;
            if (m_biff == 8) {
                Segments s;
                s.add(r.data + 6, r.size - 6, r.offset);
                text = s.unicodeString(false);
            } else {
                const size_t n = std::min<size_t>(u16(r.data + 6), r.size - 8);
                text = decodeBytes(reinterpret_cast<const char*>(r.data + 8), n);
            }
            if (inGrid)
                sheet->addText(row, column, text);
            break;
        }
        case Number:
            need(r, 14);
            if (inGrid)
                sheet->addNumber(row, column, f64(r.data + 6), isDate(u16(r.data + 4)));
            break;
        case Rk:
            need(r, 10);
            if (inGrid)
                sheet->addNumber(row, column, rkValue(u32(r.data + 6)), isDate(u16(r.data + 4)));
            break;
        case MulRk: {
            need(r, 6);
            const size_t count = (r.size - 6) / 6;
            for (size_t k = 0; k < count; ++k) {
                const uchar* p = r.data + 4 + 6 * k;
                const int c = column + static_cast<int>(k);
                if (c <= ReaderLimits::kMaxXlsColumns)
                    sheet->addNumber(row, c, rkValue(u32(p + 2)), isDate(u16(p)));
            }
            break;
        }
        case Formula: {
            need(r, 14);
            const uchar* result = r.data + 6;
            if (u16(result + 6) != 0xFFFF) {
                if (inGrid)
                    sheet->addNumber(row, column, f64(result), isDate(u16(r.data + 4)));
                break;
            }
            switch (result[0]) {
            case 0: // text, in the STRING record that follows
                pendingRow = row;
                pendingColumn = column;
                break;
            case 1:
                if (inGrid)
                    sheet->addBoolean(row, column, result[2] != 0);
                break;
            case 2:
                if (inGrid)
                    sheet->addText(row, column, errorText(result[2]), CellType::Error);
                break;
            case 3:
                if (inGrid)
                    sheet->addText(row, column, QString());
                break;
            default:
                break;
            }
            break;
        }
        case StringRec: {
            QString text;
            if (m_biff == 8) {
                Segments s = withContinues(r, cursor);
                text = s.unicodeString(false);
            } else {
                need(r, 2);
                const size_t n = std::min<size_t>(u16(r.data), r.size - 2);
                text = decodeBytes(reinterpret_cast<const char*>(r.data + 2), n);
            }
            if (pendingRow > 0 && pendingColumn >= 1 && pendingColumn <= ReaderLimits::kMaxXlsColumns)
                sheet->addText(pendingRow, pendingColumn, text);
            pendingRow = pendingColumn = -1;
            break;
        }
        case BoolErr:
            need(r, 8);
            if (inGrid) {
                if (r.data[7])
                    sheet->addText(row, column, errorText(r.data[6]), CellType::Error);
                else
                    sheet->addBoolean(row, column, r.data[6] != 0);
            }
            break;
        default:
            break;
        }
        checkCount();
    }
    sheet->finish();
    return sheet;
}

} // namespace corvina
