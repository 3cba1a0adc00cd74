#include "FuzzSupport.h"

#include "app/Failure.h"
#include "spreadsheet/CellValue.h"
#include "spreadsheet/Workbook.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <zip.h>

namespace corvina::fuzz {

QString scratchFolder()
{
    // In memory where the system offers it: every input goes through a file.
    static QTemporaryDir dir(QDir(QStringLiteral("/dev/shm")).exists()
                                 ? QStringLiteral("/dev/shm/corvina-fuzz-XXXXXX")
                                 : QDir::tempPath() + QStringLiteral("/corvina-fuzz-XXXXXX"));
    static const QString path = dir.path() + QLatin1Char('/');
    return path;
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        qFatal("fuzz: cannot write %s", qPrintable(path));
}

QString writeScratch(const QString& name, const uint8_t* data, size_t size)
{
    const QString path = scratchFolder() + name;
    writeFile(path, QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    return path;
}

std::vector<Part> splitParts(const uint8_t* data, size_t size)
{
    const QByteArray text = QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    static const QByteArray head("=== ");
    static const QByteArray separator("\n=== ");
    std::vector<Part> parts;
    if (!text.startsWith(head))
        return parts;
    qsizetype at = head.size();
    while (at <= text.size()) {
        const qsizetype nameEnd = text.indexOf('\n', at);
        if (nameEnd < 0)
            break;
        qsizetype next = text.indexOf(separator, nameEnd);
        const qsizetype end = next < 0 ? text.size() : next;
        parts.push_back({QString::fromUtf8(text.mid(at, nameEnd - at)), text.mid(nameEnd + 1, end - nameEnd - 1)});
        if (next < 0)
            break;
        at = next + separator.size();
    }
    return parts;
}

QByteArray packZip(const std::vector<Part>& parts)
{
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* buffer = zip_source_buffer_create(nullptr, 0, 0, &error);
    zip_t* archive = buffer ? zip_open_from_source(buffer, ZIP_TRUNCATE, &error) : nullptr;
    if (!archive) {
        if (buffer)
            zip_source_free(buffer);
        zip_error_fini(&error);
        return {};
    }
    zip_source_keep(buffer); // read back below, after the archive is written into it
    for (const Part& part : parts) {
        zip_source_t* content =
            zip_source_buffer(archive, part.content.constData(), static_cast<zip_uint64_t>(part.content.size()), 0);
        const QByteArray name = part.name.toUtf8();
        const zip_int64_t index = content ? zip_file_add(archive, name.constData(), content, ZIP_FL_ENC_UTF_8) : -1;
        if (index < 0) {
            if (content)
                zip_source_free(content);
            continue;
        }
        // Stored, not deflated: packing stays cheap, and the raw-bytes target covers inflating.
        zip_set_file_compression(archive, static_cast<zip_uint64_t>(index), ZIP_CM_STORE, 0);
    }
    QByteArray bytes;
    if (zip_close(archive) < 0) {
        zip_discard(archive);
    } else if (zip_source_open(buffer) == 0) {
        zip_source_seek(buffer, 0, SEEK_END);
        const zip_int64_t size = zip_source_tell(buffer);
        zip_source_seek(buffer, 0, SEEK_SET);
        if (size > 0) {
            bytes.resize(static_cast<qsizetype>(size));
            if (zip_source_read(buffer, bytes.data(), static_cast<zip_uint64_t>(size)) != size)
                bytes.clear();
        }
        zip_source_close(buffer);
    }
    zip_source_free(buffer);
    zip_error_fini(&error);
    return bytes;
}

void readWorkbook(const QString& path)
{
    try {
        auto book = Workbook::open(path);
        const QStringList names = book->sheetNames();
        for (qsizetype i = 0; i < names.size() && i < 4; ++i) {
            auto rows = book->rows(names.at(i));
            SheetRow row;
            while (rows->next(row)) {
                for (const SheetRow::Cell& cell : row.cells) {
                    // What the import and `corvina cells` make of each cell.
                    const QString reference = cellReference(row.number, cell.column);
                    const QString type = cellTypeCode(cell.value.type);
                    (void)reference;
                    (void)type;
                    (void)cell.value.text.trimmed();
                }
            }
        }
        book->findSheet(QStringLiteral("sheet1"));
    } catch (const Failure&) {
    }
}

} // namespace corvina::fuzz

// Qt's plugins (SQL drivers) and text codecs expect an application object.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static QCoreApplication app(*argc, *argv);
    return 0;
}
