#include "spreadsheet/CompoundFile.h"

#include "app/Failure.h"
#include "spreadsheet/FormatError.h"
#include "spreadsheet/LittleEndian.h"
#include "spreadsheet/ReaderLimits.h"
#include "spreadsheet/Texts.h"

#include <QFileInfo>
#include <algorithm>
#include <cstring>
#include <limits>

namespace corvina {

namespace {

constexpr quint32 kFreeSector = 0xFFFFFFFF;
constexpr quint32 kEndOfChain = 0xFFFFFFFE;
constexpr int kHeaderDifatEntries = 109;
constexpr quint32 kEntrySize = 128;
constexpr quint8 kStorage = 1;
constexpr quint8 kStream = 2;
constexpr quint8 kRoot = 5;
const QByteArray kSignature = QByteArrayLiteral("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1");

using le::u16;
using le::u32;
using le::u64;

} // namespace

CompoundFile::CompoundFile(const QString& path) : m_file(path)
{
    if (!m_file.open(QIODevice::ReadOnly))
        throw Failure(WorkbookTexts::CannotOpenFile.arg(path, m_file.errorString()));
    m_fileSize = static_cast<quint64>(m_file.size());
    // Mapped, so that a stream scattered over many short runs of sectors costs no read each.
    if (m_fileSize > 0)
        m_map = m_file.map(0, static_cast<qint64>(m_fileSize));
    readHeader();
}

void CompoundFile::damaged(const QString& what) const
{
    throw FormatError(WorkbookTexts::DetailCompound.arg(what));
}

void CompoundFile::readInto(quint64 offset, quint64 length, char* out) const
{
    if (offset > m_fileSize || length > m_fileSize - offset)
        damaged(WorkbookTexts::CompoundSectorOutside);
    if (m_map) {
        std::memcpy(out, m_map + offset, length);
        return;
    }
    if (!m_file.seek(static_cast<qint64>(offset)) ||
        m_file.read(out, static_cast<qint64>(length)) != static_cast<qint64>(length))
        damaged(WorkbookTexts::CompoundSectorUnreadable);
}

QByteArray CompoundFile::readAt(quint64 offset, quint64 length) const
{
    QByteArray bytes(static_cast<qsizetype>(length), Qt::Uninitialized);
    readInto(offset, length, bytes.data());
    return bytes;
}

QByteArray CompoundFile::sector(quint32 index) const
{
    if (index >= m_sectorCount)
        damaged(WorkbookTexts::CompoundSectorOutside);
    return readAt((static_cast<quint64>(index) + 1) * m_sectorSize, m_sectorSize);
}

void CompoundFile::readHeader()
{
    if (m_fileSize < 512)
        damaged(WorkbookTexts::CompoundHeaderShort);
    const QByteArray header = readAt(0, 512);
    const char* h = header.constData();
    if (!header.startsWith(kSignature) || u16(h + 0x1C) != 0xFFFE)
        damaged(WorkbookTexts::CompoundHeaderSignature);
    m_version = u16(h + 0x1A);
    const quint16 shift = u16(h + 0x1E);
    const quint16 miniShift = u16(h + 0x20);
    if (!((m_version == 3 && shift == 9) || (m_version == 4 && shift == 12)) || miniShift != 6)
        damaged(WorkbookTexts::CompoundSectorSize);
    m_sectorSize = 1u << shift;
    m_miniSectorSize = 1u << miniShift;
    // The header takes the first sector; a last sector cut short still counts, as long as what
    // is read from it is there.
    m_sectorCount = static_cast<quint32>(
        std::min<quint64>((m_fileSize - 1) / m_sectorSize, std::numeric_limits<quint32>::max() - 16));
    m_miniCutoff = u32(h + 0x38);
    m_firstMiniFat = u32(h + 0x3C);
    m_miniFatSectors = u32(h + 0x40);
    readAllocationTable(header);
    readDirectory(u32(h + 0x30));
}

void CompoundFile::readAllocationTable(const QByteArray& header)
{
    const char* h = header.constData();
    const quint32 fatSectors = u32(h + 0x2C);
    quint32 difat = u32(h + 0x44);
    const quint32 difatSectors = u32(h + 0x48);
    if (fatSectors > m_sectorCount || difatSectors > m_sectorCount)
        damaged(WorkbookTexts::CompoundFatSize);

    // Where the table's own sectors lie: 109 in the header, the rest in a chain of extension
    // sectors whose last entry points to the next one.
    std::vector<quint32> fatAt;
    fatAt.reserve(fatSectors);
    for (int i = 0; i < kHeaderDifatEntries && fatAt.size() < fatSectors; ++i)
        fatAt.push_back(u32(h + 0x4C + 4 * i));
    const quint32 perSector = m_sectorSize / 4 - 1;
    std::vector<bool> seen(m_sectorCount, false);
    for (quint32 n = 0; fatAt.size() < fatSectors; ++n) {
        if (n >= difatSectors || difat >= m_sectorCount || seen[difat])
            damaged(WorkbookTexts::CompoundDifatChain);
        seen[difat] = true;
        const QByteArray s = sector(difat);
        for (quint32 i = 0; i < perSector && fatAt.size() < fatSectors; ++i)
            fatAt.push_back(u32(s.constData() + 4 * i));
        difat = u32(s.constData() + 4 * perSector);
    }
    m_fat.reserve(static_cast<size_t>(fatSectors) * (m_sectorSize / 4));
    for (quint32 at : fatAt) {
        const QByteArray s = sector(at);
        for (quint32 i = 0; i < m_sectorSize / 4; ++i)
            m_fat.push_back(u32(s.constData() + 4 * i));
    }
}

std::vector<quint32> CompoundFile::chain(quint32 start, const std::vector<quint32>& table, quint64 limit) const
{
    // Every sector is visited at most once, so a chain that loops ends here instead of running on.
    std::vector<quint32> sectors;
    std::vector<bool> seen(table.size(), false);
    for (quint32 s = start; s != kEndOfChain; s = table[s]) {
        if (sectors.size() >= limit)
            break;
        if (s >= table.size() || seen[s])
            damaged(WorkbookTexts::CompoundChain);
        seen[s] = true;
        sectors.push_back(s);
    }
    return sectors;
}

void CompoundFile::readDirectory(quint32 first)
{
    // Damage past the entries a workbook needs (a broken sector late in the directory, a stray
    // sibling link) does not stop the reading: the stream itself is checked when it is read.
    std::vector<bool> seenSector(m_fat.size(), false);
    for (quint32 s = first; s != kEndOfChain; s = m_fat[s]) {
        if (s >= m_fat.size() || s >= m_sectorCount || seenSector[s])
            break;
        seenSector[s] = true;
        const QByteArray bytes = sector(s);
        for (quint32 at = 0; at + kEntrySize <= m_sectorSize; at += kEntrySize) {
            const char* e = bytes.constData() + at;
            Entry entry;
            const quint16 nameBytes = std::min<quint16>(u16(e + 0x40), 64);
            for (int i = 0; i + 1 < nameBytes; i += 2) {
                const quint16 unit = u16(e + i);
                if (unit == 0)
                    break;
                entry.name.append(QChar(unit));
            }
            entry.type = static_cast<quint8>(e[0x42]);
            entry.left = u32(e + 0x44);
            entry.right = u32(e + 0x48);
            entry.child = u32(e + 0x4C);
            entry.start = u32(e + 0x74);
            // Version 3 files may leave garbage in the size's high half.
            entry.size = m_version == 3 ? u32(e + 0x78) : u64(e + 0x78);
            m_entries.push_back(entry);
        }
    }
    if (m_entries.empty() || m_entries.front().type != kRoot)
        damaged(WorkbookTexts::CompoundNoRoot);

    // The root's children form a tree through left and right siblings; each entry is visited
    // once, so links that loop end the walk.
    std::vector<bool> seen(m_entries.size(), false);
    std::vector<quint32> pending{m_entries.front().child};
    std::vector<size_t> found;
    while (!pending.empty()) {
        const quint32 i = pending.back();
        pending.pop_back();
        if (i >= m_entries.size() || seen[i])
            continue;
        seen[i] = true;
        const Entry& entry = m_entries[i];
        if (entry.type == kStream)
            found.push_back(i);
        else if (entry.type != kStorage)
            continue;
        pending.push_back(entry.right);
        pending.push_back(entry.left);
    }
    std::sort(found.begin(), found.end());
    m_rootStreams = std::move(found);
}

QStringList CompoundFile::streamNames() const
{
    QStringList names;
    for (size_t i : m_rootStreams)
        names << m_entries[i].name;
    return names;
}

std::vector<quint32> CompoundFile::streamSectors(quint32 start, quint64 size, quint32 sectorSize,
                                                 const std::vector<quint32>& table, const QString& shortChain) const
{
    const quint64 needed = (size + sectorSize - 1) / sectorSize;
    std::vector<quint32> sectors = chain(start, table, needed);
    if (sectors.size() < needed)
        damaged(shortChain);
    return sectors;
}

QByteArray CompoundFile::readChain(quint32 start, quint64 size) const
{
    QByteArray out;
    if (size == 0)
        return out;
    const std::vector<quint32> sectors =
        streamSectors(start, size, m_sectorSize, m_fat, WorkbookTexts::CompoundChainShort);
    out.resize(static_cast<qsizetype>(size));
    quint64 done = 0;
    // Consecutive sectors are read in one go: most files keep a stream in one run.
    for (size_t i = 0; i < sectors.size();) {
        size_t j = i + 1;
        while (j < sectors.size() && sectors[j] == sectors[j - 1] + 1)
            ++j;
        if (sectors[j - 1] >= m_sectorCount)
            damaged(WorkbookTexts::CompoundSectorOutside);
        const quint64 offset = (static_cast<quint64>(sectors[i]) + 1) * m_sectorSize;
        const quint64 length = std::min<quint64>((j - i) * static_cast<quint64>(m_sectorSize), size - done);
        readInto(offset, length, out.data() + done);
        done += length;
        i = j;
    }
    return out;
}

QByteArray CompoundFile::readMini(quint32 start, quint64 size) const
{
    if (!m_miniLoaded) {
        const Entry& root = m_entries.front();
        if (root.size > ReaderLimits::kXlsStreamBytes)
            damaged(WorkbookTexts::CompoundMiniStreamLarge);
        m_miniStream = readChain(root.start, root.size);
        const std::vector<quint32> sectors = chain(m_firstMiniFat, m_fat, m_miniFatSectors);
        std::vector<quint32> table;
        for (quint32 s : sectors) {
            const QByteArray bytes = sector(s);
            for (quint32 i = 0; i < m_sectorSize / 4; ++i)
                table.push_back(u32(bytes.constData() + 4 * i));
        }
        m_miniFat = std::move(table);
        m_miniLoaded = true;
    }
    QByteArray out;
    if (size == 0)
        return out;
    const std::vector<quint32> sectors =
        streamSectors(start, size, m_miniSectorSize, m_miniFat, WorkbookTexts::CompoundMiniChainShort);
    out.reserve(static_cast<qsizetype>(size));
    for (quint32 s : sectors) {
        const quint64 offset = static_cast<quint64>(s) * m_miniSectorSize;
        const quint64 length = std::min<quint64>(m_miniSectorSize, size - out.size());
        if (offset + length > static_cast<quint64>(m_miniStream.size()))
            damaged(WorkbookTexts::CompoundMiniSectorOutside);
        out.append(m_miniStream.constData() + offset, static_cast<qsizetype>(length));
    }
    return out;
}

QByteArray CompoundFile::read(const QString& name, size_t cap) const
{
    for (size_t i : m_rootStreams) {
        const Entry& entry = m_entries[i];
        if (entry.name.compare(name, Qt::CaseInsensitive) != 0)
            continue;
        if (entry.size > cap)
            throw Failure(WorkbookTexts::PartTooLarge.arg(QFileInfo(m_file.fileName()).fileName(), entry.name,
                                                          QString::number(cap / ReaderLimits::kMib)));
        return entry.size < m_miniCutoff ? readMini(entry.start, entry.size) : readChain(entry.start, entry.size);
    }
    throw FormatError(WorkbookTexts::DetailPartMissing.arg(name));
}

} // namespace corvina
