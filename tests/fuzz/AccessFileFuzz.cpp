// The invoicing program's database when it is an Access file: what our reader makes of the
// catalogue, columns and values the file library hands back from a damaged file.
#include "FuzzSupport.h"

#include "app/Failure.h"
#include "doubles/RecordingPrompter.h"
#include "invoicing/AccessEngine.h"
#include "invoicing/IssuingDatabase.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Every input is damaged on purpose: read once, not again after a pause.
    corvina::setAccessReadAttempts(1, 0);
    const QString path = corvina::fuzz::writeScratch(QStringLiteral("DB_KP.mdb"), data, size);
    corvina::RecordingPrompter prompter;
    corvina::IssuingDatabase database(path, prompter);
    try {
        const auto names = database.tableNames();
        if (!names)
            return 0;
        for (const QString& name : *names) {
            try {
                database.table(name);
            } catch (const corvina::Failure&) {
            }
        }
        database.select(
            {QStringLiteral("FPB_TZ"), {QStringLiteral("FPDM"), QStringLiteral("DQKYH")}, QStringLiteral("ZTID"), 3});
    } catch (const corvina::Failure&) {
    }
    return 0;
}
