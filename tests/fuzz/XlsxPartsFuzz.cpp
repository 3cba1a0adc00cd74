// A workbook package built from mutated parts (workbook, relationships, shared strings, styles,
// sheets) packed into a sound zip, so that the XML readers behind the container are reached.
#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray zip = corvina::fuzz::packZip(corvina::fuzz::splitParts(data, size));
    if (zip.isEmpty())
        return -1; // not worth keeping in the corpus
    const QString path = corvina::fuzz::scratchFolder() + QStringLiteral("parts.xlsx");
    corvina::fuzz::writeFile(path, zip);
    corvina::fuzz::readWorkbook(path);
    return 0;
}
