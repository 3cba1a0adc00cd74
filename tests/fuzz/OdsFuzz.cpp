// An OpenDocument spreadsheet built from mutated parts (mimetype, content.xml, styles) packed into
// a sound zip, so that the streaming XML reader behind the container is reached.
#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray zip = corvina::fuzz::packZip(corvina::fuzz::splitParts(data, size));
    if (zip.isEmpty())
        return -1; // not worth keeping in the corpus
    const QString path = corvina::fuzz::scratchFolder() + QStringLiteral("parts.ods");
    corvina::fuzz::writeFile(path, zip);
    corvina::fuzz::readWorkbook(path);
    return 0;
}
