#include "cli/CliSession.h"
#include "cli/Commands.h"
#include "invoices/InvoiceCaptions.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace corvina::cli {

int runQueryCommand(const QStringList& args)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Runs the invoice query and prints the listed rows."));
    addCommonOptions(parser, false);
    addQueryOptions(parser);
    parser.addOption({QStringLiteral("json"), QStringLiteral("Print a JSON array of objects.")});
    if (auto status = parseArguments(parser, args, 0, 0))
        return *status;

    CliSession session(parser);
    PlainInvoiceList list;
    if (auto status = queryRows(session, parser, list))
        return *status;

    if (parser.isSet(QStringLiteral("json"))) {
        QJsonArray array;
        for (const InvoiceRow& row : list.rows()) {
            QJsonObject o;
            for (int c = ColNumber; c <= ColState; ++c)
                o.insert(invoiceJsonKey(c), row.text(c));
            array.append(o);
        }
        printOut(array.isEmpty() ? QStringLiteral("[]\n")
                                 : QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Indented)));
        return kDone;
    }
    QString out;
    QStringList line;
    for (int c = ColNumber; c <= ColState; ++c)
        line << invoiceCaption(c);
    out += line.join(QLatin1Char('\t')) + QLatin1Char('\n');
    for (const InvoiceRow& row : list.rows()) {
        line.clear();
        for (int c = ColNumber; c <= ColState; ++c)
            line << row.text(c);
        out += line.join(QLatin1Char('\t')) + QLatin1Char('\n');
    }
    printOut(out);
    return kDone;
}

} // namespace corvina::cli
