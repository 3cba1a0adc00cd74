#include "app/Failure.h"
#include "app/Prompter.h"
#include "cli/CliSession.h"
#include "cli/Commands.h"
#include "invoices/InvoiceBrowser.h"
#include "invoices/InvoiceQuery.h"
#include "invoices/Texts.h"
#include "store/IssueJournal.h"
#include "store/LocalStore.h"
#include "store/Statements.h"

namespace corvina::cli {

int runEditCommand(const QStringList& args)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Sets a document's invoice code, invoice number and state, as the edit dialog's OK does."));
    addCommonOptions(parser, true);
    parser.addPositionalArgument(QStringLiteral("DOCUMENT"), QStringLiteral("The sales document number."));
    parser.addOption(
        {QStringLiteral("code"),
         QStringLiteral("Invoice code, stored as given (settling an open issuing attempt: default its code)."),
         QStringLiteral("C")});
    parser.addOption({QStringLiteral("number"),
                      QStringLiteral("Invoice number, stored as given (settling an open issuing attempt: default its "
                                     "number)."),
                      QStringLiteral("N")});
    parser.addOption({QStringLiteral("state"),
                      QStringLiteral("%1 or %2.").arg(BrowserTexts::NotIssued, BrowserTexts::Issued),
                      BrowserTexts::NotIssued + QLatin1Char('|') + BrowserTexts::Issued});
    parser.addOption({QStringLiteral("other-numbers"),
                      QStringLiteral("Settle an open issuing attempt as issued under another code and number than the "
                                     "attempt's own (the invoicing program really used them); asks first, --yes "
                                     "answers.")});
    if (auto status = parseArguments(parser, args, 1, 1))
        return *status;
    if (!parser.isSet(QStringLiteral("state"))) {
        printErr(QStringLiteral("--state is required\n") + commandHelp(parser, args.value(0)));
        return kUsage;
    }

    CliSession session(parser);
    LocalStore* store = session.localStore();
    if (!store)
        return kFailed;
    const QString document = parser.positionalArguments().at(0);
    std::optional<IssueAttempt> attempt;
    try {
        if (store->select(Statements::existenceTest(document)).isEmpty()) {
            printErr(QStringLiteral("no stored document: %1\n").arg(document));
            return kFailed;
        }
        attempt = IssueJournal(*store, session.clock, session.prompter).openAttempt(document);
    } catch (const Failure& failure) {
        ShowMessageBox(session.prompter, BoxOwner::MainWindow, failure.message(), MessageBoxKind::Error);
        return kFailed;
    }
    // Settling takes the attempt's own code and number unless others are given; without an
    // attempt both are required, as the dialog's two boxes always give them.
    QString code = parser.value(QStringLiteral("code"));
    QString number = parser.value(QStringLiteral("number"));
    for (const char* name : {"code", "number"}) {
        if (!parser.isSet(QLatin1String(name)) && !attempt) {
            printErr(QStringLiteral("--%1 is required\n").arg(QLatin1String(name)) +
                     commandHelp(parser, args.value(0)));
            return kUsage;
        }
    }
    if (attempt) {
        if (!parser.isSet(QStringLiteral("code")))
            code = attempt->code;
        if (!parser.isSet(QStringLiteral("number")))
            number = attempt->number;
        const bool other = code.trimmed() != attempt->code || number.trimmed() != attempt->number;
        if (mappedStateValue(editStateEntries(), parser.value(QStringLiteral("state"))) == QLatin1String("1") &&
            other && !code.trimmed().isEmpty() && !number.trimmed().isEmpty() &&
            !parser.isSet(QStringLiteral("other-numbers"))) {
            printErr(QStringLiteral("%1 was being issued as code %2, number %3; to settle it under code %4, number %5 "
                                    "instead, add --other-numbers\n")
                         .arg(document, attempt->code, attempt->number, code, number));
            return kFailed;
        }
    }

    // The dialog's row, so the texts the list would show can be printed.
    PlainInvoiceList list;
    InvoiceRow row;
    row.text(ColOrderId) = document;
    list.replaceRows({row});
    InvoiceBrowser browser(*store, session.prompter, session.clock, session.settings.Station);
    const InvoiceBrowser::Edit edit{0, document, code, number, parser.value(QStringLiteral("state"))};
    if (browser.applyEdit(list, edit) != InvoiceBrowser::EditOutcome::Saved)
        return kFailed;
    printOut(QStringLiteral("%1\t%2\t%3\t%4\n")
                 .arg(document, list.text(0, ColInvCode), list.text(0, ColInvNumber), list.text(0, ColState)));
    return kDone;
}

} // namespace corvina::cli
