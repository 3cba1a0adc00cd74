#include "app/Failure.h"
#include "app/Gbk.h"
#include "app/Prompter.h"
#include "cli/CliSession.h"
#include "cli/Commands.h"
#include "cli/ImportProgressLine.h"
#include "invoices/WorkbookImport.h"
#include "store/LocalStore.h"

#include <QFile>

namespace corvina::cli {

int runImportCommand(const QStringList& args)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Imports the sales documents of a workbook's sheet \"sheet1\" and prints the import log."));
    addCommonOptions(parser, false);
    parser.addPositionalArgument(QStringLiteral("WORKBOOK"), QStringLiteral("The .xls or .xlsx file."));
    if (auto status = parseArguments(parser, args, 1, 1))
        return *status;

    CliSession session(parser);
    LocalStore* store = session.localStore();
    if (!store)
        return kFailed;
    // As the import button does: every run starts a fresh log.
    const QString logPath = session.settings.logPath();
    if (QFile::exists(logPath))
        QFile::remove(logPath);

    WorkbookImport workbookImport(session.settings, session.prompter, session.clock, *store);
    ImportProgressLine progress;
    progress.follow(workbookImport, session.prompter);
    bool ok = false;
    try {
        ok = workbookImport.ImportWorkbook(parser.positionalArguments().at(0), QStringLiteral("sheet1"), logPath);
        progress.finish();
    } catch (const Failure& failure) {
        // Only the closing log line can fail outside the import's own failure path.
        ShowMessageBox(session.prompter, BoxOwner::Application, failure.message(), MessageBoxKind::Error);
        return kFailed;
    }
    QFile log(logPath);
    if (log.open(QIODevice::ReadOnly)) {
        QString text = gbkDecode(log.readAll());
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        printOut(text);
    }
    return ok && !workbookImport.lastRunFailed() ? kDone : kFailed;
}

} // namespace corvina::cli
