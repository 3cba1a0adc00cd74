#include "workbook/ZipPackage.h"

#include "app/Failure.h"
#include "workbook/FormatError.h"
#include "workbook/ReaderLimits.h"
#include "workbook/Texts.h"

#include <QFile>
#include <QFileInfo>
#include <memory>
#include <vector>
#include <zip.h>

namespace corvina {

namespace {

QString zipErrorText(int code)
{
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    const QString text = QString::fromLocal8Bit(zip_error_strerror(&error));
    zip_error_fini(&error);
    return text;
}

} // namespace

ZipPackage::ZipPackage(const QString& path) : m_path(path)
{
    int code = 0;
    // libzip takes UTF-8 names on every system (on Windows it opens them through the wide API).
    m_zip = zip_open(path.toUtf8().constData(), ZIP_RDONLY, &code);
    if (!m_zip)
        throw FormatError(WorkbookTexts::DetailZip.arg(zipErrorText(code)));
}

ZipPackage::~ZipPackage()
{
    if (m_zip)
        zip_discard(m_zip);
}

bool ZipPackage::has(const QString& name) const
{
    return zip_name_locate(m_zip, name.toUtf8().constData(), ZIP_FL_NOCASE) >= 0;
}

void ZipPackage::stream(const QString& name, size_t cap, const std::function<void(const char*, size_t)>& sink) const
{
    const zip_int64_t index = zip_name_locate(m_zip, name.toUtf8().constData(), ZIP_FL_NOCASE);
    if (index < 0)
        throw FormatError(WorkbookTexts::DetailPartMissing.arg(name));
    std::unique_ptr<zip_file_t, decltype(&zip_fclose)> file(zip_fopen_index(m_zip, static_cast<zip_uint64_t>(index), 0),
                                                            &zip_fclose);
    if (!file)
        throw FormatError(WorkbookTexts::DetailZip.arg(QString::fromLocal8Bit(zip_strerror(m_zip))));
    std::vector<char> block(256 * 1024);
    size_t total = 0;
    while (true) {
        const zip_int64_t n = zip_fread(file.get(), block.data(), block.size());
        if (n < 0)
            throw FormatError(WorkbookTexts::DetailZip.arg(QString::fromLocal8Bit(zip_file_strerror(file.get()))));
        if (n == 0)
            break;
        total += static_cast<size_t>(n);
        if (total > cap)
            throw Failure(
                WorkbookTexts::PartTooLarge.arg(QFileInfo(m_path).fileName(), name).arg(cap / ReaderLimits::kMib));
        sink(block.data(), static_cast<size_t>(n));
    }
}

size_t ZipPackage::statedSize(const QString& name) const
{
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat(m_zip, name.toUtf8().constData(), ZIP_FL_NOCASE, &st) != 0 || !(st.valid & ZIP_STAT_SIZE))
        return 0;
    return static_cast<size_t>(st.size);
}

std::string ZipPackage::read(const QString& name, size_t cap) const
{
    std::string bytes;
    stream(name, cap, [&bytes](const char* data, size_t size) { bytes.append(data, size); });
    return bytes;
}

} // namespace corvina
