#include "app/Failure.h"
#include "app/Prompter.h"
#include "cli/CliSession.h"
#include "cli/Commands.h"
#include "invoices/InvoiceBrowser.h"
#include "invoices/Texts.h"
#include "store/LocalStore.h"
#include "store/Statements.h"

namespace corvina::cli {

int runEditCommand(const QStringList& args)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Sets a document's invoice code, invoice number and state, as the edit dialog's OK does."));
    addCommonOptions(parser, false);
    parser.addPositionalArgument(QStringLiteral("DOCUMENT"), QStringLiteral("The sales document number."));
    parser.addOption({QStringLiteral("code"), QStringLiteral("Invoice code, stored as given."), QStringLiteral("C")});
    parser.addOption(
        {QStringLiteral("number"), QStringLiteral("Invoice number, stored as given."), QStringLiteral("N")});
    parser.addOption({QStringLiteral("state"),
                      QStringLiteral("%1 or %2.").arg(BrowserTexts::NotIssued, BrowserTexts::Issued),
                      BrowserTexts::NotIssued + QLatin1Char('|') + BrowserTexts::Issued});
    if (auto status = parseArguments(parser, args, 1, 1))
        return *status;
    for (const char* required : {"code", "number", "state"}) {
        if (!parser.isSet(QLatin1String(required))) {
            printErr(QStringLiteral("--%1 is required\n").arg(QLatin1String(required)) +
                     commandHelp(parser, args.value(0)));
            return kUsage;
        }
    }

    CliSession session(parser);
    LocalStore* store = session.localStore();
    if (!store)
        return kFailed;
    const QString document = parser.positionalArguments().at(0);
    try {
        if (store->select(Statements::existenceTest(document)).isEmpty()) {
            printErr(QStringLiteral("no stored document: %1\n").arg(document));
            return kFailed;
        }
    } catch (const Failure& failure) {
        ShowMessageBox(session.prompter, BoxOwner::MainWindow, failure.message(), MessageBoxKind::Error);
        return kFailed;
    }

    // The dialog's row, so the texts the list would show can be printed.
    PlainInvoiceList list;
    InvoiceRow row;
    row.text(ColOrderId) = document;
    list.replaceRows({row});
    InvoiceBrowser browser(*store, session.prompter, session.clock);
    const InvoiceBrowser::Edit edit{0, document, parser.value(QStringLiteral("code")),
                                    parser.value(QStringLiteral("number")), parser.value(QStringLiteral("state"))};
    if (browser.applyEdit(list, edit) != InvoiceBrowser::EditOutcome::Saved)
        return kFailed;
    printOut(QStringLiteral("%1\t%2\t%3\t%4\n")
                 .arg(document, list.text(0, ColInvCode), list.text(0, ColInvNumber), list.text(0, ColState)));
    return kDone;
}

} // namespace corvina::cli
