// Delimited text from raw bytes: encodings told by content, separators by the header row, quoted
// fields running over lines and to the end.
#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    corvina::fuzz::readWorkbook(corvina::fuzz::writeScratch(QStringLiteral("fuzz.csv"), data, size));
    return 0;
}
