// An XML spreadsheet (the 2003 form business systems export) from raw bytes.
#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    corvina::fuzz::readWorkbook(corvina::fuzz::writeScratch(QStringLiteral("fuzz.xml"), data, size));
    return 0;
}
