// Jet 4 file writer for tests. What it lays out (4096-byte pages, integers little endian):
//
//   page 0  database header: "Standard Jet DB", version 1 at 0x14, then 128 bytes from 0x18 obfuscated with RC4
//           under the fixed key every reader knows: code page, sort order, database password (masked again
//           with the creation date) and the creation date itself. The database key is 0: pages are not encrypted.
//   page 1  usage maps: a data page whose rows are page bitmaps. Row 0 stands for the file-wide map Access keeps
//           there, left empty; then, per table, the pages it owns and those with free space (none), and the same
//           pair for the LVAL pages of each long-value column.
//   page 2  TDEF of MSysObjects, the catalog a reader starts from.
//   then    per user table: its TDEF (continued on further pages through next_pg when long), then its data pages
//           and the LVAL pages of its memo values, interleaved as rows are added.
//   then    MSysObjects data: the Tables/Databases/Relationships containers, MSysObjects itself (a system table)
//           and one row per user table, whose Id is its TDEF page.
//   last    further usage-map pages if page 1 is full, and 0x05 bitmap pages for tables spread too far for an
//           inline map (those maps then point to them).
//
// A row: [column count][fixed columns][variable columns][end of data][variable offsets, last first]
// [variable column count][null mask]. Booleans live in the null mask only. A memo value stays in its row when
// small and the row has room, else it goes to an LVAL page (one row) or a chain of LVAL rows.
#include "support/JetWriter.h"

#include <QDate>
#include <QRegularExpression>
#include <QSaveFile>

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>
#include <map>
#include <optional>
#include <utility>

namespace corvina::test {

namespace {

constexpr int kPageSize = 4096;
constexpr int kRowTable = 14;                      // where a data page's row offsets start
constexpr int kMaxRow = kPageSize - kRowTable - 2; // the largest row a page holds
constexpr int kMaxRowsPerPage = 255;               // a row pointer keeps the row number in one byte
constexpr int kInlineMemoMax = 1024;               // bytes; longer memo values go to LVAL pages
constexpr int kMaxLong = 0xFFFFFF;                 // a memo's length has three bytes
constexpr int kInlineMapBytes = 64;                // bitmap of an inline (type 0) usage map
constexpr int kMapPointers = 17;                   // 0x05 pages an indirect (type 1) usage map can name
constexpr int kPagesPerMapPage = (kPageSize - 4) * 8;
constexpr quint32 kLvalOwner = 0x4C41564C;                          // "LVAL" where a data page names its table
constexpr quint16 kSortGeneral = 0x0409;                            // Access's "General" sort order
constexpr quint16 kCodePage = 1252;                                 // unused for Jet 4 text, which is Unicode
constexpr qint32 kSystemFlags = std::numeric_limits<qint32>::min(); // 0x80000000: hidden system object
constexpr qint32 kContainers = 0x0F000000;

// Column type codes as the TDEF stores them.
constexpr quint8 kBool = 0x01, kInt = 0x03, kLong = 0x04, kMoney = 0x05, kDouble = 0x07, kDate = 0x08, kText = 0x0A,
                 kOle = 0x0B, kMemo = 0x0C;

void put16(QByteArray& b, int at, quint32 v)
{
    b[at] = char(v & 0xFF);
    b[at + 1] = char((v >> 8) & 0xFF);
}
void put32(QByteArray& b, int at, quint32 v)
{
    put16(b, at, v & 0xFFFF);
    put16(b, at + 2, v >> 16);
}
void put64(QByteArray& b, int at, quint64 v)
{
    put32(b, at, quint32(v));
    put32(b, at + 4, quint32(v >> 32));
}
QByteArray le16(quint32 v)
{
    QByteArray b(2, 0);
    put16(b, 0, v);
    return b;
}
QByteArray le32(quint32 v)
{
    QByteArray b(4, 0);
    put32(b, 0, v);
    return b;
}

QByteArray ucs2(const QString& s)
{
    QByteArray b(s.size() * 2, 0);
    for (qsizetype i = 0; i < s.size(); ++i)
        put16(b, int(i * 2), s.at(i).unicode());
    return b;
}

// Jet 4 text: UCS-2, or when that is shorter the compressed form Access writes: FF FE, then runs of one-byte
// characters (below U+0100) and two-byte ones, a 00 byte switching between them. A character whose low byte
// is 0 would read as a switch, so strings holding one stay uncompressed.
QByteArray jetText(const QString& s, bool compress)
{
    const QByteArray plain = ucs2(s);
    if (!compress)
        return plain;
    QByteArray packed("\xFF\xFE", 2);
    bool narrow = true;
    for (const QChar c : s) {
        const ushort u = c.unicode();
        if ((u & 0xFF) == 0)
            return plain;
        if ((u < 0x100) != narrow) {
            packed.append('\0');
            narrow = !narrow;
        }
        packed.append(char(u & 0xFF));
        if (!narrow)
            packed.append(char(u >> 8));
    }
    return packed.size() < plain.size() ? packed : plain;
}

// Days since 1899-12-30 with the time as the fraction. Before that day Access keeps the fraction positive
// while the day count goes negative, so it is subtracted.
double jetDate(const QDateTime& dt)
{
    const qint64 days = QDate(1899, 12, 30).daysTo(dt.date());
    const QTime t = dt.time();
    const double fraction = (t.hour() * 3600 + t.minute() * 60 + t.second()) / 86400.0;
    return days >= 0 ? double(days) + fraction : double(days) - fraction;
}

std::optional<qint64> money(const QVariant& v)
{
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
        return v.toLongLong();
    case QMetaType::Double: {
        const double units = std::round(v.toDouble() * 10000);
        if (!std::isfinite(units) || std::fabs(units) >= 9.2e18)
            return std::nullopt;
        return qint64(units);
    }
    case QMetaType::QString: {
        // At most 15 whole digits keeps the amount inside Access's range (about 922 trillion).
        static const QRegularExpression amount(QStringLiteral(R"(^\s*([+-]?)(\d{1,15})(?:\.(\d{0,4}))?\s*$)"));
        const QRegularExpressionMatch m = amount.match(v.toString());
        if (!m.hasMatch())
            return std::nullopt;
        const qint64 units =
            m.captured(2).toLongLong() * 10000 + m.captured(3).leftJustified(4, QLatin1Char('0')).toLongLong();
        return m.captured(1) == QLatin1Char('-') ? -units : units;
    }
    default:
        return std::nullopt;
    }
}

void rc4(const quint8* key, int keyLength, quint8* data, int length)
{
    quint8 s[256];
    for (int i = 0; i < 256; ++i)
        s[i] = quint8(i);
    for (int i = 0, j = 0; i < 256; ++i) {
        j = (j + s[i] + key[i % keyLength]) & 0xFF;
        std::swap(s[i], s[j]);
    }
    for (int n = 0, i = 0, j = 0; n < length; ++n) {
        i = (i + 1) & 0xFF;
        j = (j + s[i]) & 0xFF;
        std::swap(s[i], s[j]);
        data[n] ^= s[(s[i] + s[j]) & 0xFF];
    }
}

struct Column {
    QString name;
    quint8 code;
    int size = 0; // bytes: fixed width, Text two per character, 0 for Memo/OLE
    bool fixed = true;
    int fixedOffset = 0;
    int varIndex = 0;
};

struct Cell {
    bool present = false; // the null-mask bit: not null, or a Boolean's value
    QByteArray bytes;
};

struct Table {
    QString name;
    bool system = false;
    QList<Column> columns;
    int varCount = 0;
    int fixedBytes = 0;
    QList<int> tdefPages;
    int rowCount = 0;
    int openData = -1;
    QList<int> dataPages;
    std::map<int, int> openLval;         // memo column -> the LVAL page being filled
    std::map<int, QList<int>> lvalPages; // memo column -> its LVAL pages
    quint32 usedMap = 0, freeMap = 0;
    std::map<int, std::pair<quint32, quint32>> lvalMaps;
};

// A data, LVAL or map page: its rows stay editable until the file is laid out, so LVAL chains can be linked.
struct SlotPage {
    quint32 owner = 0;
    QList<QByteArray> rows;
    int used = 0;
    bool fits(int size) const
    {
        return rows.size() < kMaxRowsPerPage && kRowTable + 2 * (rows.size() + 1) + used + size <= kPageSize;
    }
};

int fixedWidth(quint8 code)
{
    switch (code) {
    case kBool:
        return 0;
    case kInt:
        return 2;
    case kLong:
        return 4;
    case kMoney:
    case kDouble:
    case kDate:
        return 8;
    default:
        return -1;
    }
}

QString encodeCell(const Column& c, const QVariant& v, bool compress, Cell& cell)
{
    cell = {};
    if (c.code == kBool) {
        cell.present = !v.isNull() && v.toBool();
        return {};
    }
    if (v.isNull())
        return {};
    cell.present = true;
    bool ok = false;
    switch (c.code) {
    case kText:
    case kMemo: {
        if (!v.canConvert<QString>())
            return QStringLiteral("not text");
        const QString s = v.toString();
        if (c.code == kText && s.size() > c.size / 2)
            return QStringLiteral("longer than %1 characters").arg(c.size / 2);
        // Access compresses a memo value only up to 1024 characters.
        cell.bytes = jetText(s, compress && (c.code == kText || s.size() <= 1024));
        if (cell.bytes.size() > kMaxLong)
            return QStringLiteral("too long for a memo");
        return {};
    }
    case kInt:
    case kLong: {
        const qlonglong n = v.toLongLong(&ok);
        const qlonglong top = c.code == kInt ? 0x7FFF : 0x7FFFFFFF;
        if (!ok || n > top || n < -top - 1 ||
            (v.typeId() == QMetaType::Double && std::trunc(v.toDouble()) != v.toDouble()))
            return QStringLiteral("not a whole number in range");
        cell.bytes = c.code == kInt ? le16(quint32(n)) : le32(quint32(n));
        return {};
    }
    case kDouble:
    case kMoney:
    case kDate: {
        quint64 bits = 0;
        if (c.code == kDouble) {
            const double d = v.toDouble(&ok);
            if (!ok)
                return QStringLiteral("not a number");
            bits = std::bit_cast<quint64>(d);
        } else if (c.code == kMoney) {
            const std::optional<qint64> units = money(v);
            if (!units)
                return QStringLiteral("not a currency amount");
            bits = quint64(*units);
        } else {
            const QDateTime dt = v.toDateTime();
            if (!dt.isValid())
                return QStringLiteral("not a date");
            bits = std::bit_cast<quint64>(jetDate(dt));
        }
        cell.bytes = QByteArray(8, 0);
        put64(cell.bytes, 0, bits);
        return {};
    }
    default:
        return QStringLiteral("only null is supported here");
    }
}

QString prepare(const JetTable& in, Table& t)
{
    if (in.name.isEmpty() || in.name.size() > 64)
        return QStringLiteral("table name \"%1\" must have 1 to 64 characters").arg(in.name);
    if (in.columns.isEmpty() || in.columns.size() > 255)
        return QStringLiteral("table %1 must have 1 to 255 columns").arg(in.name);
    t.name = in.name;
    QStringList seen;
    for (const JetColumn& jc : in.columns) {
        if (jc.name.isEmpty() || jc.name.size() > 64 || seen.contains(jc.name, Qt::CaseInsensitive))
            return QStringLiteral("table %1: column name \"%2\" is empty, too long or repeated").arg(in.name, jc.name);
        seen.append(jc.name);
        static const quint8 codes[] = {kText, kMemo, kLong, kDouble, kMoney, kDate, kBool};
        Column c{jc.name, codes[int(jc.type)]};
        if (jc.type == JetType::Text && (jc.textLength < 1 || jc.textLength > 255))
            return QStringLiteral("table %1: text column %2 must hold 1 to 255 characters").arg(in.name, jc.name);
        c.size = jc.type == JetType::Text ? jc.textLength * 2 : std::max(fixedWidth(c.code), 0);
        t.columns.append(c);
    }
    return {};
}

// Fixed columns get their place in the row's fixed part, the others their slot in the offset table; every
// long-value column gets LVAL page maps, used or not.
void layoutColumns(Table& t)
{
    for (qsizetype i = 0; i < t.columns.size(); ++i) {
        Column& c = t.columns[i];
        c.fixed = fixedWidth(c.code) >= 0;
        if (c.fixed) {
            c.fixedOffset = t.fixedBytes;
            t.fixedBytes += fixedWidth(c.code);
        } else {
            c.varIndex = t.varCount++;
        }
        if (c.code == kMemo || c.code == kOle)
            t.lvalPages[int(i)];
    }
}

class Writer {
public:
    explicit Writer(const JetFile& file) : m_file(file) {}
    QByteArray write(QString* error);

private:
    int newPage()
    {
        m_pages.append(QByteArray(kPageSize, 0));
        return int(m_pages.size() - 1);
    }
    quint32 place(int& open, quint32 owner, const QByteArray& row, QList<int>* owned);
    QByteArray& rowAt(quint32 pointer) { return m_slots[int(pointer >> 8)].rows[pointer & 0xFF]; }
    void reserveTdef(Table& t, int first);
    QString addRow(Table& t, const QVariantList& values);
    quint32 storeLong(Table& t, int column, const QByteArray& data, quint8& flag);
    QString usageMap(const QList<int>& owned, quint32& pointer);
    QString placeMaps(Table& t);
    QByteArray tdef(const Table& t) const;
    void placeTdef(const Table& t);
    QByteArray header(double created) const;

    const JetFile& m_file;
    QList<QByteArray> m_pages;
    std::map<int, SlotPage> m_slots;
    int m_openMap = -1;
};

quint32 Writer::place(int& open, quint32 owner, const QByteArray& row, QList<int>* owned)
{
    if (open < 0 || !m_slots[open].fits(int(row.size()))) {
        open = newPage();
        m_slots[open].owner = owner;
        if (owned)
            owned->append(open);
    }
    SlotPage& page = m_slots[open];
    page.rows.append(row);
    page.used += int(row.size());
    return quint32(open) << 8 | quint32(page.rows.size() - 1);
}

void Writer::reserveTdef(Table& t, int first)
{
    // Its length does not depend on what is filled in later, so the pages can be counted now.
    const qsizetype length = tdef(t).size();
    t.tdefPages = {first};
    for (qsizetype done = kPageSize; done < length; done += kPageSize - 8)
        t.tdefPages.append(newPage());
}

QString Writer::addRow(Table& t, const QVariantList& values)
{
    const int n = int(t.columns.size());
    const QString where = QStringLiteral("table %1, row %2").arg(t.name).arg(t.rowCount + 1);
    if (values.size() != n)
        return QStringLiteral("%1: %2 values for %3 columns").arg(where).arg(values.size()).arg(n);
    QList<Cell> cells(n);
    for (int i = 0; i < n; ++i) {
        if (QString why = encodeCell(t.columns[i], values[i], m_file.compressText, cells[i]); !why.isEmpty())
            return QStringLiteral("%1, column %2: %3").arg(where, t.columns[i].name, why);
    }
    const int maskBytes = (n + 7) / 8;
    int size = 2 + t.fixedBytes + maskBytes + (t.varCount ? 4 + 2 * t.varCount : 0);
    for (int i = 0; i < n; ++i) {
        if (!t.columns[i].fixed && cells[i].present)
            size += t.columns[i].code == kMemo ? 12 : int(cells[i].bytes.size());
    }
    // A memo value stays in the row while the row has room, the first columns first.
    for (int i = 0; i < n; ++i) {
        if (t.columns[i].code != kMemo || !cells[i].present)
            continue;
        QByteArray head(12, 0);
        const QByteArray data = cells[i].bytes;
        if (data.size() <= kInlineMemoMax && size + data.size() <= kMaxRow) {
            put32(head, 0, quint32(data.size()) | 0x80000000u);
            cells[i].bytes = head + data;
            size += int(data.size());
        } else {
            quint8 flag = 0;
            put32(head, 4, storeLong(t, i, data, flag));
            put32(head, 0, quint32(data.size()) | quint32(flag) << 24);
            cells[i].bytes = head;
        }
    }
    if (size > kMaxRow)
        return QStringLiteral("%1: %2 bytes do not fit a page (at most %3)").arg(where).arg(size).arg(kMaxRow);

    QByteArray row = le16(n) + QByteArray(t.fixedBytes, 0);
    QByteArray mask(maskBytes, 0);
    QList<int> offsets;
    for (int i = 0; i < n; ++i) {
        if (cells[i].present)
            mask[i / 8] = char(mask[i / 8] | 1 << (i % 8));
        if (t.columns[i].fixed)
            row.replace(2 + t.columns[i].fixedOffset, cells[i].bytes.size(), cells[i].bytes);
    }
    if (t.varCount) {
        for (int i = 0; i < n; ++i) {
            if (!t.columns[i].fixed) {
                offsets.append(int(row.size()));
                row += cells[i].bytes;
            }
        }
        row += le16(quint32(row.size()));
        for (auto it = offsets.crbegin(); it != offsets.crend(); ++it)
            row += le16(quint32(*it));
        row += le16(quint32(t.varCount));
    }
    row += mask;
    place(t.openData, quint32(t.tdefPages.first()), row, &t.dataPages);
    ++t.rowCount;
    return {};
}

// Puts a long value on the column's LVAL pages: one row when it fits a page (flag 0x40), else a chain of rows,
// each starting with the pointer to the next (flag 0x00).
quint32 Writer::storeLong(Table& t, int column, const QByteArray& data, quint8& flag)
{
    auto open = t.openLval.try_emplace(column, -1).first;
    QList<int>& owned = t.lvalPages[column];
    if (data.size() <= kMaxRow) {
        flag = 0x40;
        return place(open->second, kLvalOwner, data, &owned);
    }
    flag = 0x00;
    constexpr int piece = kMaxRow - 4;
    quint32 first = 0, previous = 0;
    for (qsizetype from = 0; from < data.size(); from += piece) {
        const quint32 at = place(open->second, kLvalOwner, QByteArray(4, 0) + data.mid(from, piece), &owned);
        if (from == 0)
            first = at;
        else
            put32(rowAt(previous), 0, at);
        previous = at;
    }
    return first;
}

// A usage map row for pages a table owns: a bitmap inline when they lie close together, else pointers to
// 0x05 pages that each map a stretch of the file.
QString Writer::usageMap(const QList<int>& owned, quint32& pointer)
{
    QByteArray map(1 + 4 * kMapPointers, 0);
    const int first = owned.isEmpty() ? 0 : owned.first();
    if (owned.isEmpty() || owned.last() - first < kInlineMapBytes * 8) {
        put32(map, 1, quint32(first));
        for (int page : owned)
            map[5 + (page - first) / 8] = char(map[5 + (page - first) / 8] | 1 << ((page - first) % 8));
    } else {
        map[0] = 1;
        int bitmapPages[kMapPointers] = {};
        for (int page : owned) {
            const int slot = page / kPagesPerMapPage, bit = page % kPagesPerMapPage;
            if (slot >= kMapPointers)
                return QStringLiteral("the file is too large for a usage map");
            if (bitmapPages[slot] == 0) {
                bitmapPages[slot] = newPage();
                m_pages[bitmapPages[slot]][0] = 0x05;
                m_pages[bitmapPages[slot]][1] = 0x01;
                put32(map, 1 + 4 * slot, quint32(bitmapPages[slot]));
            }
            QByteArray& bits = m_pages[bitmapPages[slot]];
            bits[4 + bit / 8] = char(bits[4 + bit / 8] | 1 << (bit % 8));
        }
    }
    pointer = place(m_openMap, 0, map, nullptr);
    return {};
}

QString Writer::placeMaps(Table& t)
{
    QString why = usageMap(t.dataPages, t.usedMap) + usageMap({}, t.freeMap);
    for (const auto& [column, pages] : t.lvalPages) {
        auto& [used, free] = t.lvalMaps[column];
        why += usageMap(pages, used) + usageMap({}, free);
    }
    return why;
}

QByteArray Writer::tdef(const Table& t) const
{
    const int n = int(t.columns.size());
    QByteArray b(63, 0);
    b[0] = 0x02;
    b[1] = 0x01;
    put32(b, 16, quint32(t.rowCount));
    b[24] = 0x01; // as Access sets it, for autonumbers to work
    b[40] = t.system ? 0x53 : 0x4E;
    put16(b, 41, n); // most columns a row has had
    put16(b, 43, t.varCount);
    put16(b, 45, n);
    put32(b, 55, t.usedMap);
    put32(b, 59, t.freeMap);
    for (int i = 0; i < n; ++i) {
        const Column& c = t.columns[i];
        QByteArray e(25, 0);
        e[0] = char(c.code);
        put16(e, 5, i);
        put16(e, 7, c.varIndex);
        put16(e, 9, i);
        if (c.code == kText || c.code == kMemo) {
            put16(e, 11, kSortGeneral);
            e[16] = m_file.compressText ? 0x01 : 0x00;
        }
        e[15] = c.fixed ? 0x03 : 0x02; // 0x01 fixed width, 0x02 may be null
        put16(e, 21, c.fixedOffset);
        put16(e, 23, c.code == kBool ? 1 : c.size);
        b += e;
    }
    for (const Column& c : t.columns)
        b += le16(quint32(c.name.size() * 2)) + ucs2(c.name);
    // Where the LVAL pages of each long-value column are mapped.
    for (const auto& [column, pages] : t.lvalPages) {
        const auto maps = t.lvalMaps.find(column);
        const bool known = maps != t.lvalMaps.end();
        b += le16(quint32(column)) + le32(known ? maps->second.first : 0) + le32(known ? maps->second.second : 0);
    }
    b += le16(0xFFFF);
    put32(b, 8, quint32(b.size()));
    return b;
}

// The first page holds the start of the definition; each further page repeats the 8-byte page header.
void Writer::placeTdef(const Table& t)
{
    const QByteArray bytes = tdef(t);
    qsizetype from = 0;
    for (qsizetype k = 0; k < t.tdefPages.size(); ++k) {
        QByteArray& page = m_pages[t.tdefPages[k]];
        const int start = k == 0 ? 0 : 8;
        const qsizetype take = std::min<qsizetype>(bytes.size() - from, kPageSize - start);
        page.replace(start, take, bytes.mid(from, take));
        from += take;
        page[0] = 0x02;
        page[1] = 0x01;
        put16(page, 2, quint32(kPageSize - start - take));
        put32(page, 4, k + 1 < t.tdefPages.size() ? quint32(t.tdefPages[k + 1]) : 0);
    }
}

// The password takes 40 bytes at 0x42 (UCS-2, zero padded). Access XORs them, four bytes at a time, with the
// whole days of the creation date as a little-endian 32-bit integer, then obfuscates the region like the rest.
QByteArray Writer::header(double created) const
{
    QByteArray p(kPageSize, 0);
    p[1] = 0x01;
    p.replace(4, 16, QByteArray("Standard Jet DB\0", 16));
    put32(p, 0x14, 1);
    put16(p, 0x3C, kCodePage);
    put32(p, 0x3E, 0);
    const quint32 mask = quint32(qint32(created));
    QByteArray password = ucs2(m_file.databasePassword).leftJustified(40, '\0');
    for (int i = 0; i < 40; ++i)
        password[i] = char(password[i] ^ (mask >> (8 * (i % 4))));
    p.replace(0x42, 40, password);
    put16(p, 0x6E, kSortGeneral);
    put64(p, 0x72, std::bit_cast<quint64>(created));
    static const quint8 key[] = {0xC7, 0xDA, 0x39, 0x6B};
    rc4(key, 4, reinterpret_cast<quint8*>(p.data()) + 0x18, 128);
    return p;
}

QByteArray Writer::write(QString* error)
{
    auto fail = [error](const QString& why) {
        if (error)
            *error = why;
        return QByteArray();
    };
    if (m_file.databasePassword.size() > 20)
        return fail(QStringLiteral("a database password has at most 20 characters"));
    const QDateTime created = m_file.created.isValid() ? m_file.created : QDateTime(QDate(2004, 3, 1), QTime(9, 0));
    const double createdDays = jetDate(created);

    newPage(); // header, filled last
    quint32 fileMap = 0;
    if (QString why = usageMap({}, fileMap); !why.isEmpty()) // row 0 of page 1
        return fail(why);
    Table catalog;
    catalog.name = QStringLiteral("MSysObjects");
    catalog.system = true;
    const std::pair<const char*, quint8> catalogColumns[] = {
        {"Id", kLong},         {"ParentId", kLong},   {"Name", kText},  {"Type", kInt},
        {"DateCreate", kDate}, {"DateUpdate", kDate}, {"Flags", kLong}, {"LvProp", kOle}};
    for (const auto& [name, code] : catalogColumns)
        catalog.columns.append({QString::fromLatin1(name), code, code == kText ? 510 : std::max(fixedWidth(code), 0)});
    layoutColumns(catalog);
    reserveTdef(catalog, newPage()); // page 2

    QList<Table> tables;
    for (const JetTable& in : m_file.tables) {
        Table t;
        if (QString why = prepare(in, t); !why.isEmpty())
            return fail(why);
        for (const Table& other : tables) {
            if (other.name.compare(t.name, Qt::CaseInsensitive) == 0)
                return fail(QStringLiteral("table %1 appears twice").arg(t.name));
        }
        if (t.name.compare(catalog.name, Qt::CaseInsensitive) == 0)
            return fail(QStringLiteral("MSysObjects is the catalog's own name"));
        layoutColumns(t);
        reserveTdef(t, newPage());
        for (const QVariantList& row : in.rows) {
            if (QString why = addRow(t, row); !why.isEmpty())
                return fail(why);
        }
        tables.append(t);
    }

    // Catalog rows: Id, ParentId, Name, Type (1 table, 3 container), DateCreate, DateUpdate, Flags, LvProp.
    auto entry = [&created](qint32 id, qint32 parent, const QString& name, int type, qint32 flags) {
        return QVariantList{id, parent, name, type, created, created, flags, QVariant()};
    };
    QList<QVariantList> entries = {entry(kContainers | 1, kContainers, QStringLiteral("Tables"), 3, 0),
                                   entry(kContainers | 2, kContainers, QStringLiteral("Databases"), 3, 0),
                                   entry(kContainers | 3, kContainers, QStringLiteral("Relationships"), 3, 0),
                                   entry(2, kContainers | 1, catalog.name, 1, kSystemFlags)};
    for (const Table& t : tables)
        entries.append(entry(t.tdefPages.first(), kContainers | 1, t.name, 1, 0));
    for (const QVariantList& row : entries) {
        if (QString why = addRow(catalog, row); !why.isEmpty())
            return fail(why);
    }
    tables.prepend(catalog);
    for (Table& t : tables) {
        if (QString why = placeMaps(t); !why.isEmpty())
            return fail(why);
    }
    for (const Table& t : tables)
        placeTdef(t);

    for (const auto& [number, slot] : m_slots) {
        QByteArray& page = m_pages[number];
        page[0] = 0x01;
        page[1] = 0x01;
        put16(page, 2, quint32(kPageSize - kRowTable - 2 * slot.rows.size() - slot.used));
        put32(page, 4, slot.owner);
        put16(page, 12, quint32(slot.rows.size()));
        // Rows fill the page from its end: the first row ends the page, each next one sits before it.
        int end = kPageSize;
        for (qsizetype r = 0; r < slot.rows.size(); ++r) {
            end -= int(slot.rows[r].size());
            page.replace(end, slot.rows[r].size(), slot.rows[r]);
            put16(page, int(kRowTable + 2 * r), quint32(end));
        }
    }
    m_pages[0] = header(createdDays);
    QByteArray out;
    out.reserve(m_pages.size() * kPageSize);
    for (const QByteArray& page : m_pages)
        out += page;
    return out;
}

} // namespace

QByteArray jet4FileBytes(const JetFile& file, QString* error)
{
    return Writer(file).write(error);
}

bool writeJet4File(const QString& path, const JetFile& file, QString* error)
{
    const QByteArray bytes = jet4FileBytes(file, error);
    if (bytes.isEmpty())
        return false;
    QSaveFile out(path);
    if (out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size() && out.commit())
        return true;
    if (error)
        *error = QStringLiteral("cannot write %1: %2").arg(path, out.errorString());
    return false;
}

} // namespace corvina::test
