// The stand-in's intake of the two request files ("保存"): the strict parse of both files, their
// cross-checks and the recording into its database. Input: the control file and the record file
// as two parts ("=== invoice.xml\n...\n=== invoicedata_6.xml\n...").
#include "FuzzSupport.h"

#include "RequestIntake.h"
#include "StandinDatabase.h"
#include "StandinFolder.h"
#include "app/Clock.h"

#include <QFile>

using namespace corvina::standin;

namespace {

// A stand-in folder whose enabled book waits for the number of the committed request files. An
// intake that records an invoice moves the book on, so the database is put back afterwards.
const QString& standinFolder()
{
    static const QString folder = [] {
        const QString f = corvina::fuzz::scratchFolder() + QStringLiteral("invoicing");
        InitOptions options;
        options.nextNumber = QStringLiteral("00000123");
        QString error;
        if (!initStandinFolder(f, options, error))
            qFatal("fuzz: %s", qPrintable(error));
        QFile::copy(StandinDatabase::databasePath(f), f + QStringLiteral("/pristine.db"));
        return f;
    }();
    return folder;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto parts = corvina::fuzz::splitParts(data, size);
    if (parts.size() != 2)
        return -1;
    const QString& folder = standinFolder();
    corvina::fuzz::writeFile(StandinDatabase::configPath(folder, QStringLiteral("invoice.xml")), parts[0].content);
    corvina::fuzz::writeFile(StandinDatabase::configPath(folder, QStringLiteral("invoicedata_6.xml")),
                             parts[1].content);
    static corvina::FakeClock clock;
    const IntakeOutcome outcome = takeInRequest(folder, clock);
    QFile::remove(StandinDatabase::logPath(folder));
    if (outcome.recorded) {
        const QString database = StandinDatabase::databasePath(folder);
        QFile::remove(database);
        QFile::copy(folder + QStringLiteral("/pristine.db"), database);
    }
    return 0;
}
