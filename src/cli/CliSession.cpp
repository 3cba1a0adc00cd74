#include "cli/CliSession.h"

#include "app/Failure.h"
#include "app/Prompter.h"
#include "invoices/InvoiceQuery.h"
#include "invoices/Texts.h"
#include "store/LocalStore.h"

#include <QCoreApplication>
#include <cstdio>

namespace corvina::cli {

void printOut(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
    std::fflush(stdout);
}

void printErr(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stderr);
    std::fflush(stderr);
}

void addCommonOptions(QCommandLineParser& parser, bool withYes)
{
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addHelpOption();
    parser.addOption(
        {QStringLiteral("app-folder"),
         QStringLiteral("Application folder (sysconfig.ini, SysData.mdb); default: CORVINA_APP_FOLDER, else "
                        "the executable's folder (installed: the user's data folder)."),
         QStringLiteral("DIR")});
    parser.addOption({QStringLiteral("store"),
                      QStringLiteral("Shared store on a PostgreSQL server, as postgresql://user@host:port/database"
                                     "?sslmode=...; default: CORVINA_STORE, else [store] url of sysconfig.ini, else "
                                     "SysData.mdb. Leave the password to ~/.pgpass or PGSERVICE."),
                      QStringLiteral("URL")});
    if (withYes)
        parser.addOption({QStringLiteral("yes"), QStringLiteral("Answer every question with Yes.")});
}

void addQueryOptions(QCommandLineParser& parser)
{
    parser.addOption({QStringLiteral("state"),
                      QStringLiteral("0 = %1 (default), 1 = %2.").arg(BrowserTexts::NotIssued, BrowserTexts::Issued),
                      QStringLiteral("0|1"), QStringLiteral("0")});
    parser.addOption({QStringLiteral("from"), QStringLiteral("Import time from (default 1900-01-01 00:00)."),
                      QStringLiteral("YYYY-MM-DD hh:nn")});
    parser.addOption(
        {QStringLiteral("to"), QStringLiteral("Import time to (default now)."), QStringLiteral("YYYY-MM-DD hh:nn")});
}

void addDocOption(QCommandLineParser& parser)
{
    parser.addOption({QStringLiteral("doc"),
                      QStringLiteral("Tick the row of this document number (repeatable); all rows when none is given."),
                      QStringLiteral("ID")});
}

QString commandHelp(const QCommandLineParser& parser, const QString& command)
{
    QString text = parser.helpText();
    const QString started = QStringLiteral("Usage: ") + QCoreApplication::arguments().value(0);
    if (text.startsWith(started))
        text.replace(0, started.size(), QStringLiteral("Usage: ") + command);
    return text;
}

std::optional<int> parseArguments(QCommandLineParser& parser, const QStringList& args, int minPositional,
                                  int maxPositional)
{
    if (!parser.parse(args)) {
        printErr(parser.errorText() + QStringLiteral("\n") + commandHelp(parser, args.value(0)));
        return kUsage;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        printOut(commandHelp(parser, args.value(0)));
        return kDone;
    }
    const qsizetype n = parser.positionalArguments().size();
    if (n < minPositional || (maxPositional >= 0 && n > maxPositional)) {
        printErr(QStringLiteral("wrong number of arguments\n") + commandHelp(parser, args.value(0)));
        return kUsage;
    }
    return std::nullopt;
}

CliSession::CliSession(const QCommandLineParser& parser)
    : prompter(parser.optionNames().contains(QStringLiteral("yes")) && parser.isSet(QStringLiteral("yes"))),
      app({parser.value(QStringLiteral("app-folder")), parser.value(QStringLiteral("store"))}, prompter, clock),
      settings(app.settings())
{
}

CliSession::~CliSession() = default;

LocalStore* CliSession::localStore()
{
    return app.store().open() ? &app.store() : nullptr;
}

namespace {

struct QueryFilter {
    QString stateValue = QStringLiteral("0");
    QDateTime from;
    QDateTime to;
};

// The query options, defaults filled in (state 0, from 1900-01-01 00:00, to now); nullopt after a
// usage message on stderr.
std::optional<QueryFilter> readQueryFilter(const QCommandLineParser& parser, const Clock& clock)
{
    QueryFilter f;
    f.stateValue = parser.value(QStringLiteral("state"));
    if (f.stateValue != QLatin1String("0") && f.stateValue != QLatin1String("1")) {
        printErr(QStringLiteral("--state takes 0 or 1\n"));
        return std::nullopt;
    }
    auto readTime = [&](const QString& name, const QDateTime& fallback, QDateTime* out) {
        if (!parser.isSet(name)) {
            *out = fallback;
            return true;
        }
        *out = QDateTime::fromString(parser.value(name), QStringLiteral("yyyy-MM-dd HH:mm"));
        if (!out->isValid()) {
            printErr(QStringLiteral("--%1 takes a time as YYYY-MM-DD hh:nn\n").arg(name));
            return false;
        }
        return true;
    };
    if (!readTime(QStringLiteral("from"), QDateTime(QDate(1900, 1, 1), QTime(0, 0)), &f.from) ||
        !readTime(QStringLiteral("to"), clock.now(), &f.to))
        return std::nullopt;
    return f;
}

// Runs the query into `list`; false (after a message) when the store could not be read.
bool runQueryInto(CliSession& session, const QueryFilter& filter, PlainInvoiceList& list)
{
    LocalStore* store = session.localStore();
    if (!store)
        return false;
    try {
        list.replaceRows(runInvoiceQuery(*store, filter.stateValue, filter.from, filter.to));
    } catch (const Failure& failure) {
        ShowMessageBox(session.prompter, BoxOwner::MainWindow, failure.message(), MessageBoxKind::Error);
        return false;
    }
    return true;
}

// Ticks the rows whose document number is named (all rows when none is); returns the names that
// match no row.
QStringList tickRows(PlainInvoiceList& list, const QStringList& docs)
{
    QStringList missing = docs;
    for (int r = 0; r < list.rowCount(); ++r) {
        const QString id = list.text(r, ColOrderId);
        const bool named = docs.isEmpty() || docs.contains(id);
        list.setChecked(r, named);
        if (named)
            missing.removeAll(id);
    }
    return missing;
}

} // namespace

std::optional<int> queryRows(CliSession& session, const QCommandLineParser& parser, PlainInvoiceList& list)
{
    const auto filter = readQueryFilter(parser, session.clock);
    if (!filter)
        return kUsage;
    if (!runQueryInto(session, *filter, list))
        return kFailed;
    return std::nullopt;
}

std::optional<int> queryAndTick(CliSession& session, const QCommandLineParser& parser, PlainInvoiceList& list)
{
    if (auto status = queryRows(session, parser, list))
        return status;
    const QStringList missing = tickRows(list, parser.values(QStringLiteral("doc")));
    if (!missing.isEmpty()) {
        printErr(QStringLiteral("not listed by the query: %1\n").arg(missing.join(QStringLiteral(", "))));
        return kFailed;
    }
    return std::nullopt;
}

} // namespace corvina::cli
