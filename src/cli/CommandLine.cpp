#include "cli/CliSession.h"
#include "cli/Commands.h"

#include "app/AppFolder.h"
#include "app/Version.h"

#include <QCoreApplication>
#include <algorithm>
#include <cstring>

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
    {"migrate", "move the replaced program's Access SysData.mdb into this program's store", runMigrateCommand},
};

bool isHelp(const QString& arg)
{
    return arg == QLatin1String("--help") || arg == QLatin1String("-h");
}

bool isVersion(const QString& arg)
{
    return arg == QLatin1String("--version") || arg == QLatin1String("-v");
}

} // namespace

QList<CommandInfo> registeredCommands()
{
    QList<CommandInfo> list;
    for (const Command& c : kCommands)
        list.append({QString::fromLatin1(c.name), QString::fromLatin1(c.summary)});
    return list;
}

// Laid out as help2man reads it: the usage lines, then sections headed "Name:".
QString usageText()
{
    qsizetype width = 0;
    for (const Command& c : kCommands)
        width = std::max(width, qsizetype(std::strlen(c.name)));
    QString commands;
    for (const Command& c : kCommands)
        commands += QStringLiteral("  %1  %2\n")
                        .arg(QString::fromLatin1(c.name), -int(width))
                        .arg(QString::fromLatin1(c.summary));
    return QStringLiteral("Usage: corvina [--app-folder DIR]\n"
                          "  or:  corvina COMMAND [--app-folder DIR] [options] [arguments]\n"
                          "Without a command, opens the main window; with one, runs it without a window.\n"
                          "\n"
                          "Corvina imports sales documents from Excel workbooks into its store, lists, edits,\n"
                          "deletes and exports them, and issues them through the invoicing program.\n"
                          "\n"
                          "Commands:\n") +
           commands +
           QStringLiteral("\n"
                          "Options:\n"
                          "  --app-folder DIR  the application folder: sysconfig.ini, SysData.mdb,\n"
                          "                    InputLogFile.log and the export template\n"
                          "  -h, --help        show this help and exit\n"
                          "  -v, --version     show the version and exit\n"
                          "\n"
                          "'corvina COMMAND --help' describes a command; every command takes --app-folder.\n"
                          "\n"
                          "Application folder:\n"
                          "  The folder given by --app-folder, else by the environment variable\n"
                          "  CORVINA_APP_FOLDER, else the executable's folder. An installed program (its\n"
                          "  data in ../share/corvina beside its bin folder) uses the user's data folder\n"
                          "  instead, ~/.local/share/Corvina, made on first start with the default\n"
                          "  sysconfig.ini and export template.\n"
                          "\n"
                          "Exit status:\n"
                          "  0 done, 1 ended on a failure message or a No, 2 usage error.\n");
}

bool isCommandLine(int argc, char** argv)
{
    if (argc < 2)
        return false;
    const QString first = QString::fromLocal8Bit(argv[1]);
    return !first.startsWith(QLatin1Char('-')) || isHelp(first) || isVersion(first);
}

int runCommandLine(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    // The same name as the window's, so that both find the same per-user folder.
    QCoreApplication::setApplicationName(kApplicationName);
    QCoreApplication::setApplicationVersion(QStringLiteral(CORVINA_VERSION));
    QStringList args = app.arguments();
    const QString name = args.value(1);
    if (isHelp(name)) {
        printOut(usageText());
        return kDone;
    }
    if (isVersion(name)) {
        printOut(QStringLiteral("corvina ") + QStringLiteral(CORVINA_VERSION) + QLatin1Char('\n'));
        return kDone;
    }
    for (const Command& c : kCommands) {
        if (name == QLatin1String(c.name)) {
            args.removeAt(1);
            args[0] = QStringLiteral("corvina ") + name;
            return c.run(args);
        }
    }
    printErr(QStringLiteral("unknown command: ") + name + QStringLiteral("\n\n") + usageText());
    return kUsage;
}

} // namespace corvina::cli
