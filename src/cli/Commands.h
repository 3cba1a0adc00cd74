#pragma once

#include <QStringList>

namespace corvina::cli {

// Each command takes its arguments with args[0] being "corvina <command>" and returns the exit
// status (0 done, 1 failure or No, 2 usage).
int runQueryCommand(const QStringList& args);
int runLinesCommand(const QStringList& args);
int runImportCommand(const QStringList& args);
int runCellsCommand(const QStringList& args);
int runExportCommand(const QStringList& args);
int runEditCommand(const QStringList& args);
int runDeleteCommand(const QStringList& args);
int runIssueCommand(const QStringList& args);
int runJournalCommand(const QStringList& args);
int runBookCommand(const QStringList& args);
int runMigrateCommand(const QStringList& args);

// A command as `corvina --help` lists it: its name and one line saying what it does.
struct CommandInfo {
    QString name;
    QString summary;
};
// Every command the command line runs, in the order --help lists them.
QList<CommandInfo> registeredCommands();
// What `corvina --help` prints.
QString usageText();

// Whether argv names a command (the window opens otherwise), and running it.
bool isCommandLine(int argc, char** argv);
int runCommandLine(int argc, char** argv);

} // namespace corvina::cli
