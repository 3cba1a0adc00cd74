#pragma once

#include "app/Clock.h"
#include "app/Settings.h"
#include "cli/CliPrompter.h"
#include "invoices/InvoiceList.h"
#include "session/AppSession.h"

#include <QCommandLineParser>
#include <QDateTime>
#include <memory>
#include <optional>

namespace corvina {

class LocalStore;

namespace cli {

// Exit status of every command.
constexpr int kDone = 0;
constexpr int kFailed = 1; // ended on a failure message or a No
constexpr int kUsage = 2;

// Options every command takes: --app-folder DIR and --help (with --yes when the command asks).
void addCommonOptions(QCommandLineParser& parser, bool withYes);
// Options of the commands that run the query first: --state, --from, --to.
void addQueryOptions(QCommandLineParser& parser);
// With --doc ID (repeatable) for the commands that tick rows.
void addDocOption(QCommandLineParser& parser);

// The parser's help with the program named as the clerk types it ("corvina COMMAND") rather than
// by the path it was started as.
QString commandHelp(const QCommandLineParser& parser, const QString& command);

// Parses args (args[0] is the program and command). Returns an exit status when the command must
// stop here (help shown: 0; usage error: 2), nullopt to go on.
std::optional<int> parseArguments(QCommandLineParser& parser, const QStringList& args, int minPositional,
                                  int maxPositional);

// What a command works with: the program built from the command's --app-folder and --store (its
// settings, the store, the runs), the command-line prompter and the clock.
class CliSession {
public:
    explicit CliSession(const QCommandLineParser& parser);
    ~CliSession();

    CliPrompter prompter;
    SystemClock clock;
    AppSession app;
    const AppSettings& settings;

    // The local store, opened; nullptr after its connection message was shown.
    LocalStore* localStore();
};

// The query of the command's --state/--from/--to into `list`. nullopt to go on, else the exit status
// (after its message).
std::optional<int> queryRows(CliSession& session, const QCommandLineParser& parser, PlainInvoiceList& list);
// The same, then the rows named by --doc ticked (all rows when none is named); a name the query does
// not list ends the command.
std::optional<int> queryAndTick(CliSession& session, const QCommandLineParser& parser, PlainInvoiceList& list);

// Writes UTF-8 text to stdout.
void printOut(const QString& text);
void printErr(const QString& text);

} // namespace cli
} // namespace corvina
