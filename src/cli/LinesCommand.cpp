#include "app/Failure.h"
#include "app/Prompter.h"
#include "cli/CliSession.h"
#include "cli/Commands.h"
#include "invoices/InvoiceCaptions.h"
#include "store/LocalStore.h"
#include "store/Statements.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace corvina::cli {

int runLinesCommand(const QStringList& args)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Prints the line items of one document."));
    addCommonOptions(parser, false);
    parser.addPositionalArgument(QStringLiteral("DOCUMENT"), QStringLiteral("The sales document number."));
    parser.addOption({QStringLiteral("json"), QStringLiteral("Print a JSON array of objects.")});
    if (auto status = parseArguments(parser, args, 1, 1))
        return *status;

    CliSession session(parser);
    LocalStore* store = session.localStore();
    if (!store)
        return kFailed;
    Rows rows;
    try {
        rows = store->select(Statements::lineItems(parser.positionalArguments().at(0)));
    } catch (const Failure& failure) {
        ShowMessageBox(session.prompter, BoxOwner::MainWindow, failure.message(), MessageBoxKind::Error);
        return kFailed;
    }
    if (parser.isSet(QStringLiteral("json"))) {
        QJsonArray array;
        for (int r = 0; r < rows.count(); ++r) {
            QJsonObject o;
            for (int c = 0; c < kLineColumns; ++c)
                o.insert(lineField(c), rows.value(r, lineField(c)));
            array.append(o);
        }
        printOut(array.isEmpty() ? QStringLiteral("[]\n")
                                 : QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Indented)));
        return kDone;
    }
    QStringList line;
    for (int c = 0; c < kLineColumns; ++c)
        line << lineCaption(c);
    QString out = line.join(QLatin1Char('\t')) + QLatin1Char('\n');
    for (int r = 0; r < rows.count(); ++r) {
        line.clear();
        for (int c = 0; c < kLineColumns; ++c)
            line << rows.value(r, lineField(c));
        out += line.join(QLatin1Char('\t')) + QLatin1Char('\n');
    }
    printOut(out);
    return kDone;
}

} // namespace corvina::cli
