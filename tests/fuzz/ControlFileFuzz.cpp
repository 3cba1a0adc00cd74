// The invoicing program's control file, read back for the print offsets at the start of a run
// (UTF-8 or GBK, nodes taken by position).
#include "FuzzSupport.h"

#include "doubles/RecordingPrompter.h"
#include "invoicing/ReadPrintSettings.h"
#include "invoicing/TIssuingData.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString path = corvina::fuzz::writeScratch(QStringLiteral("invoice.xml"), data, size);
    corvina::RecordingPrompter prompter;
    corvina::PrintOffsets offsets;
    corvina::ReadPrintSettings(path, prompter, offsets);
    return 0;
}
