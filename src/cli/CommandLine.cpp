#include "cli/CliSession.h"
#include "cli/Commands.h"

#include <QCoreApplication>

namespace corvina::cli {

namespace {

struct Command {
    const char* name;
    const char* summary;
    int (*run)(const QStringList& args);
};

// Every command of the headless front end; the window opens when none is named.
const Command kCommands[] = {
    {"query", "list documents by state and import time", runQueryCommand},
    {"lines", "list the line items of a document", runLinesCommand},
    {"import", "import the sales documents of a workbook", runImportCommand},
    {"cells", "show a worksheet's cells as the import reads them", runCellsCommand},
    {"export", "write ticked documents into a copy of the export template", runExportCommand},
    {"edit", "set a document's invoice code, number and state", runEditCommand},
    {"delete", "delete ticked documents with their line items", runDeleteCommand},
    {"issue", "issue the pending documents through the invoicing program", runIssueCommand},
    {"journal", "list the issuing attempts: today's, and those waiting to be settled", runJournalCommand},
    {"book", "show what the next invoice would carry, from the invoicing program's database", runBookCommand},
};

QString usage()
{
    QString text = QStringLiteral("Usage: corvina [--app-folder DIR]            open the main window\n"
                                  "       corvina COMMAND [options]             run headless\n\nCommands:\n");
    for (const Command& c : kCommands)
        text += QStringLiteral("  %1  %2\n").arg(QString::fromLatin1(c.name), -8).arg(QString::fromLatin1(c.summary));
    text += QStringLiteral("\n'corvina COMMAND --help' describes a command.\n");
    return text;
}

} // namespace

bool isCommandLine(int argc, char** argv)
{
    if (argc < 2)
        return false;
    const QByteArray first(argv[1]);
    return !first.startsWith('-') || first == "--help" || first == "-h";
}

int runCommandLine(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments();
    const QString name = args.value(1);
    if (name == QLatin1String("--help") || name == QLatin1String("-h")) {
        printOut(usage());
        return kDone;
    }
    for (const Command& c : kCommands) {
        if (name == QLatin1String(c.name)) {
            args.removeAt(1);
            args[0] = QStringLiteral("corvina ") + name;
            return c.run(args);
        }
    }
    printErr(QStringLiteral("unknown command: ") + name + QStringLiteral("\n\n") + usage());
    return kUsage;
}

} // namespace corvina::cli
