// The whole import of a hostile workbook (any kind, told by its content): sales documents put
// together from the rows, amounts parsed, each document stored in one transaction, the log written.
#include "FuzzSupport.h"

#include "app/Clock.h"
#include "app/Settings.h"
#include "doubles/RecordingPrompter.h"
#include "invoices/WorkbookImport.h"
#include "store/LocalStore.h"

#include <QFile>

namespace {

struct ImportFolder {
    corvina::AppSettings settings;
    corvina::RecordingPrompter prompter;
    corvina::FakeClock clock;
    std::unique_ptr<corvina::LocalStore> store;

    ImportFolder()
    {
        settings.AppFolder = corvina::fuzz::scratchFolder();
        settings.LocalStorePath = settings.AppFolder + QStringLiteral("SysData.mdb");
        store = std::make_unique<corvina::LocalStore>(settings.LocalStorePath, prompter);
        if (!store->open())
            qFatal("fuzz: the store cannot be opened");
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static ImportFolder folder;
    // Every input meets an empty store, so that what it does depends on it alone.
    folder.store->run({QStringLiteral("delete from invoiceDetail"), {}, {}});
    folder.store->run({QStringLiteral("delete from invoiceMaster"), {}, {}});
    QFile::remove(folder.settings.logPath());
    folder.prompter.clear();
    const QString path = corvina::fuzz::writeScratch(QStringLiteral("import.xls"), data, size);
    corvina::WorkbookImport run(folder.settings, folder.prompter, folder.clock, *folder.store);
    run.ImportWorkbook(path, QStringLiteral("sheet1"), folder.settings.logPath());
    if (folder.store->transactionDepth() != 0)
        qFatal("fuzz: the import left a transaction open");
    return 0;
}
