// sysconfig.ini as start-up reads it: GBK or UTF-8 with a byte-order mark, sections and keys in any
// case, quoted values.
#include "FuzzSupport.h"

#include "app/Settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    corvina::fuzz::writeScratch(QStringLiteral("sysconfig.ini"), data, size);
    const corvina::AppSettings settings = corvina::AppSettings::load(corvina::fuzz::scratchFolder());
    (void)settings.configFile(QStringLiteral("invoice.xml"));
    return 0;
}
