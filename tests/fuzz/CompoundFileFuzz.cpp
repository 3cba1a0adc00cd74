// The compound-file container alone: header, allocation tables, directory, mini stream.
#include "FuzzSupport.h"

#include "app/Failure.h"
#include "spreadsheet/CompoundFile.h"
#include "spreadsheet/FormatError.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    try {
        const corvina::CompoundFile file(corvina::fuzz::writeScratch(QStringLiteral("fuzz.cfb"), data, size));
        for (const QString& name : file.streamNames()) {
            try {
                file.read(name, 1 << 24);
            } catch (const corvina::FormatError&) {
            } catch (const corvina::Failure&) {
            }
        }
    } catch (const corvina::FormatError&) {
    } catch (const corvina::Failure&) {
    }
    return 0;
}
