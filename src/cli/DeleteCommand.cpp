#include "cli/CliSession.h"
#include "cli/Commands.h"
#include "invoices/InvoiceBrowser.h"
#include "store/LocalStore.h"

namespace corvina::cli {

int runDeleteCommand(const QStringList& args)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Runs the query, ticks the named documents (all when none is named) and deletes them with "
                       "their line items."));
    addCommonOptions(parser, true);
    addQueryOptions(parser);
    addDocOption(parser);
    if (auto status = parseArguments(parser, args, 0, 0))
        return *status;

    CliSession session(parser);
    PlainInvoiceList list;
    if (auto status = queryAndTick(session, parser, list))
        return *status;

    InvoiceBrowser browser(*session.localStore(), session.prompter, session.clock, session.settings.Station);
    const InvoiceBrowser::Deletion result = browser.deleteTicked(list);
    if (result.outcome != InvoiceBrowser::DeleteOutcome::Deleted)
        return kFailed;
    // The window reruns the query here; the command says what it did instead.
    printOut(QStringLiteral("deleted %1 document(s)\n").arg(result.deleted));
    if (result.failed)
        printErr(QStringLiteral("%1 document(s) not deleted\n").arg(result.failed));
    return result.failed == 0 ? kDone : kFailed;
}

} // namespace corvina::cli
