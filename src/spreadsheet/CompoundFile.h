#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>
#include <vector>

namespace corvina {

// The streams of a compound binary file, the container of .xls workbooks: sectors chained through
// the allocation table (found through the header and its extension sectors), small streams kept in
// the mini stream, and a directory of named entries. Only what a workbook needs is read: the
// streams directly inside the root storage. Every sector number, chain and size is checked against
// the file, so a damaged or forged file throws FormatError instead of reading outside it or looping.
class CompoundFile {
public:
    // Throws Failure when the file cannot be opened, FormatError when it is no sound compound file.
    explicit CompoundFile(const QString& path);

    // Names of the streams in the root storage, in directory order.
    QStringList streamNames() const;
    // The bytes of a root stream, its name matched without regard to case. Throws FormatError
    // when its sectors are damaged, Failure when it is larger than `cap` bytes.
    QByteArray read(const QString& name, size_t cap) const;

private:
    struct Entry {
        QString name;
        quint8 type = 0;
        quint32 left = 0, right = 0, child = 0;
        quint32 start = 0;
        quint64 size = 0;
    };

    void readHeader();
    void readAllocationTable(const QByteArray& header);
    void readDirectory(quint32 first);
    std::vector<quint32> chain(quint32 start, const std::vector<quint32>& table, quint64 limit) const;
    // The sectors holding a stream of `size` bytes; throws when its chain is shorter.
    std::vector<quint32> streamSectors(quint32 start, quint64 size, quint32 sectorSize,
                                       const std::vector<quint32>& table, const QString& shortChain) const;
    QByteArray readChain(quint32 start, quint64 size) const;
    QByteArray readMini(quint32 start, quint64 size) const;
    QByteArray readAt(quint64 offset, quint64 length) const;
    void readInto(quint64 offset, quint64 length, char* out) const;
    QByteArray sector(quint32 index) const;
    [[noreturn]] void damaged(const QString& what) const;

    mutable QFile m_file;
    const uchar* m_map = nullptr;
    quint64 m_fileSize = 0;
    int m_version = 3;
    quint32 m_sectorSize = 512;
    quint32 m_miniSectorSize = 64;
    quint32 m_miniCutoff = 4096;
    quint32 m_sectorCount = 0; // sectors the file can hold
    quint32 m_firstMiniFat = 0;
    quint32 m_miniFatSectors = 0;
    std::vector<quint32> m_fat;
    mutable std::vector<quint32> m_miniFat;
    std::vector<Entry> m_entries;
    std::vector<size_t> m_rootStreams;
    mutable QByteArray m_miniStream;
    mutable bool m_miniLoaded = false;
};

} // namespace corvina
