// A workbook package from raw bytes: the zip container itself, and whatever gets past it.
#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    corvina::fuzz::readWorkbook(corvina::fuzz::writeScratch(QStringLiteral("fuzz.xlsx"), data, size));
    return 0;
}
