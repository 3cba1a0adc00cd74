// A binary workbook from raw bytes: a compound file holding the workbook stream, or the bare
// stream, both told apart by the content as the import tells them.
#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    corvina::fuzz::readWorkbook(corvina::fuzz::writeScratch(QStringLiteral("fuzz.xls"), data, size));
    return 0;
}
