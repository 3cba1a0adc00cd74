#include "spreadsheet/DelimitedTextWorkbook.h"

#include "app/CodePage.h"
#include "app/Failure.h"
#include "spreadsheet/FormatError.h"
#include "spreadsheet/ReaderLimits.h"
#include "spreadsheet/Texts.h"

#include <QFile>
#include <QStringDecoder>
#include <cstring>
#include <vector>

namespace corvina {

namespace {

constexpr qsizetype kChunkBytes = 1024 * 1024;

bool startsWith(const QByteArray& bytes, const char* prefix, qsizetype n)
{
    return bytes.size() >= n && std::memcmp(bytes.constData(), prefix, static_cast<size_t>(n)) == 0;
}

// Whether the bytes go on as valid UTF-8; `pending` carries an unfinished sequence's remaining
// continuation bytes from one chunk to the next.
bool validUtf8(const uchar* p, const uchar* end, int& pending)
{
    while (p < end) {
        if (pending > 0) {
            if ((*p & 0xC0) != 0x80)
                return false;
            --pending;
            ++p;
            continue;
        }
        // Plain ASCII eight bytes at a time: most of a business file.
        while (end - p >= 8) {
            quint64 word;
            std::memcpy(&word, p, 8);
            if (word & 0x8080808080808080ull)
                break;
            p += 8;
        }
        if (p >= end)
            break;
        const uchar c = *p++;
        if (c < 0x80)
            continue;
        if (c >= 0xC2 && c <= 0xDF)
            pending = 1;
        else if (c >= 0xE0 && c <= 0xEF)
            pending = 2;
        else if (c >= 0xF0 && c <= 0xF4)
            pending = 3;
        else
            return false;
    }
    return true;
}

// The file's bytes a chunk at a time, after its byte-order mark; UTF-16 comes out as UTF-8, so
// that one parser reads every encoding (in UTF-8 and in GBK a quote, a separator or a line end is
// never part of another character).
class ByteSource {
public:
    ByteSource(const QString& path, qsizetype bomBytes, DelimitedTextWorkbook::Encoding encoding) : m_file(path)
    {
        if (!m_file.open(QIODevice::ReadOnly))
            throw Failure(WorkbookTexts::CannotOpenFile.arg(path, m_file.errorString()));
        m_file.skip(bomBytes);
        if (encoding == DelimitedTextWorkbook::Encoding::Utf16Le)
            m_utf16 = QStringDecoder(QStringDecoder::Utf16LE);
        else if (encoding == DelimitedTextWorkbook::Encoding::Utf16Be)
            m_utf16 = QStringDecoder(QStringDecoder::Utf16BE);
    }

    // Appends the next chunk; false at the end of the file.
    bool readInto(QByteArray& buffer)
    {
        const QByteArray chunk = m_file.read(kChunkBytes);
        if (chunk.isEmpty())
            return false;
        if (m_utf16.isValid())
            buffer += QString(m_utf16.decode(chunk)).toUtf8();
        else
            buffer += chunk;
        return true;
    }

private:
    QFile m_file;
    QStringDecoder m_utf16;
};

enum class Parse { Record, Incomplete };

// One record from `data`: its fields' bytes, quotes taken off, in `fields` (the first `count`
// entries); `at` moves past the record and its line end. Incomplete when the data ends before the
// record does and more may follow.
Parse parseRecord(const char* data, qsizetype size, qsizetype& at, char separator, bool final,
                  std::vector<QByteArray>& fields, size_t& count)
{
    count = 0;
    qsizetype i = at;
    // Fields past the grid's last column are read through into one scratch field, so that a line
    // of nothing but separators costs no memory per field.
    QByteArray past;
    auto field = [&]() -> QByteArray& {
        if (count >= static_cast<size_t>(ReaderLimits::kMaxColumns)) {
            past.clear();
            return past;
        }
        if (count == fields.size())
            fields.emplace_back();
        QByteArray& f = fields[count];
        f.clear();
        return f;
    };
    QByteArray* current = &field();
    bool fieldStart = true;
    bool quoted = false;
    while (i < size) {
        const char c = data[i];
        if (quoted) {
            const void* q = std::memchr(data + i, '"', static_cast<size_t>(size - i));
            const qsizetype quote = q ? static_cast<const char*>(q) - data : size;
            current->append(data + i, quote - i);
            i = quote;
            if (i >= size)
                break;
            if (i + 1 >= size && !final)
                return Parse::Incomplete; // a doubled quote may go on in the next chunk
            if (i + 1 < size && data[i + 1] == '"') {
                current->append('"');
                i += 2;
            } else {
                quoted = false;
                ++i;
            }
            continue;
        }
        if (c == separator) {
            ++count;
            current = &field();
            fieldStart = true;
            ++i;
            continue;
        }
        if (c == '\n' || c == '\r') {
            if (c == '\r' && i + 1 >= size && !final)
                return Parse::Incomplete; // its "\n" may start the next chunk
            i += (c == '\r' && i + 1 < size && data[i + 1] == '\n') ? 2 : 1;
            ++count;
            at = i;
            return Parse::Record;
        }
        if (c == '"' && fieldStart) {
            quoted = true;
            fieldStart = false;
            ++i;
            continue;
        }
        // Up to the next separator, line end or quote: a quote inside a field is a character.
        const qsizetype from = i;
        while (i < size && data[i] != separator && data[i] != '\n' && data[i] != '\r' && data[i] != '"')
            ++i;
        if (i == from) { // a quote not at the field's start
            current->append('"');
            ++i;
        } else {
            current->append(data + from, i - from);
        }
        fieldStart = false;
    }
    if (!final)
        return Parse::Incomplete;
    ++count; // the last record, without a line end
    at = size;
    return Parse::Record;
}

class DelimitedRows : public SheetRows {
public:
    DelimitedRows(const QString& path, qsizetype bomBytes, DelimitedTextWorkbook::Encoding encoding, char separator,
                  int lastColumn)
        : m_source(path, bomBytes, encoding), m_gbk(encoding == DelimitedTextWorkbook::Encoding::Gbk),
          m_separator(separator),
          m_lastColumn(lastColumn > 0 ? std::min(lastColumn, ReaderLimits::kMaxColumns) : ReaderLimits::kMaxColumns)
    {
    }

    bool next(SheetRow& row) override
    {
        row.cells.clear();
        for (;;) {
            if (m_at >= m_buffer.size() && !fill())
                return false;
            size_t count = 0;
            qsizetype at = m_at;
            if (parseRecord(m_buffer.constData(), m_buffer.size(), at, m_separator, m_ended, m_fields, count) ==
                Parse::Incomplete) {
                fill();
                continue;
            }
            m_at = at;
            if (++m_row > ReaderLimits::kMaxRows)
                throw FormatError(WorkbookTexts::DetailTooManyRows.arg(QString::number(ReaderLimits::kMaxRows)));
            const size_t columns = std::min(count, static_cast<size_t>(m_lastColumn));
            for (size_t i = 0; i < columns; ++i)
                if (!m_fields[i].isEmpty())
                    row.cells.push_back({static_cast<int>(i) + 1, CellValue::fromText(decode(m_fields[i]))});
            if (!row.cells.empty()) {
                row.number = m_row;
                return true;
            }
        }
    }

private:
    // Moves what is left to the front and reads the next chunk behind it; false at the end.
    bool fill()
    {
        if (m_ended)
            return false;
        m_buffer.remove(0, m_at);
        m_at = 0;
        if (static_cast<size_t>(m_buffer.size()) > ReaderLimits::kXmlElementBytes)
            throw FormatError(WorkbookTexts::DetailRecordTooLong.arg(
                QString::number(m_row + 1), QString::number(ReaderLimits::kXmlElementBytes / ReaderLimits::kMib)));
        m_ended = !m_source.readInto(m_buffer);
        return !m_ended || m_at < m_buffer.size();
    }

    QString decode(const QByteArray& bytes)
    {
        if (!m_gbk)
            return QString::fromUtf8(bytes);
        for (const char c : bytes)
            if (static_cast<uchar>(c) >= 0x80)
                return m_gbkPage.decode(bytes);
        return QString::fromLatin1(bytes);
    }

    ByteSource m_source;
    bool m_gbk;
    CodePage m_gbkPage{936};
    char m_separator;
    int m_lastColumn;
    QByteArray m_buffer;
    qsizetype m_at = 0;
    bool m_ended = false;
    int m_row = 0;
    std::vector<QByteArray> m_fields;
};

} // namespace

DelimitedTextWorkbook::DelimitedTextWorkbook(const QString& path) : Workbook(path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Failure(WorkbookTexts::CannotOpenFile.arg(path, file.errorString()));
    QByteArray head = file.read(kChunkBytes);
    if (startsWith(head, "\xEF\xBB\xBF", 3)) {
        m_encoding = Encoding::Utf8;
        m_bomBytes = 3;
    } else if (startsWith(head, "\xFF\xFE", 2)) {
        m_encoding = Encoding::Utf16Le;
        m_bomBytes = 2;
    } else if (startsWith(head, "\xFE\xFF", 2)) {
        m_encoding = Encoding::Utf16Be;
        m_bomBytes = 2;
    } else {
        // Valid UTF-8 from end to end, or else GBK: a GBK text of any length is almost never
        // valid UTF-8.
        int pending = 0;
        bool valid = true;
        for (QByteArray chunk = head; valid && !chunk.isEmpty(); chunk = file.read(kChunkBytes)) {
            const auto* p = reinterpret_cast<const uchar*>(chunk.constData());
            valid = validUtf8(p, p + chunk.size(), pending);
        }
        m_encoding = valid && pending == 0 ? Encoding::Utf8 : Encoding::Gbk;
    }

    // The separator the header row holds most of; a comma when it holds none.
    ByteSource source(path, m_bomBytes, m_encoding);
    QByteArray first;
    source.readInto(first);
    int commas = 0;
    int semicolons = 0;
    int tabs = 0;
    bool quoted = false;
    for (const char c : first) {
        if (c == '"')
            quoted = !quoted;
        else if (quoted)
            continue;
        else if (c == '\n' || c == '\r')
            break;
        else
            commas += c == ',', semicolons += c == ';', tabs += c == '\t';
    }
    m_separator = tabs >= commas && tabs >= semicolons && tabs > 0 ? '\t' : semicolons > commas ? ';' : ',';
}

bool DelimitedTextWorkbook::looksLikeOne(const QByteArray& head)
{
    if (head.isEmpty())
        return false;
    QString start;
    if (startsWith(head, "\xFF\xFE", 2) || startsWith(head, "\xFE\xFF", 2)) {
        QStringDecoder utf16(head.startsWith('\xFF') ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE);
        start = utf16.decode(head.mid(2, 256));
    } else {
        const qsizetype from = startsWith(head, "\xEF\xBB\xBF", 3) ? 3 : 0;
        for (qsizetype i = from; i < head.size(); ++i) {
            const uchar c = static_cast<uchar>(head[i]);
            if (c < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f' && c != 0x1A)
                return false; // a binary file
        }
        start = QString::fromLatin1(head.mid(from, 256));
    }
    const QString trimmed = start.trimmed();
    return !trimmed.startsWith(QLatin1Char('<'));
}

QStringList DelimitedTextWorkbook::readSheetNames()
{
    return {Workbook::unnamedSheet()};
}

std::unique_ptr<SheetRows> DelimitedTextWorkbook::openRows(int, int lastColumn)
{
    return std::make_unique<DelimitedRows>(path(), m_bomBytes, m_encoding, m_separator, lastColumn);
}

} // namespace corvina
