#include "app/Failure.h"
#include "app/Prompter.h"
#include "cli/CliSession.h"
#include "cli/Commands.h"
#include "invoices/JournalListing.h"
#include "invoices/Texts.h"
#include "store/IssueJournal.h"
#include "store/LocalStore.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace corvina::cli {

namespace {

// A bound given as "YYYY-MM-DD hh:nn" in the journal's form: the start or the end of that minute.
std::optional<QString> bound(const QCommandLineParser& parser, const QString& name, const QDateTime& fallback,
                             bool endOfMinute)
{
    QDateTime moment = fallback;
    if (parser.isSet(name)) {
        moment = QDateTime::fromString(parser.value(name), QStringLiteral("yyyy-MM-dd HH:mm"));
        if (!moment.isValid()) {
            printErr(QStringLiteral("--%1 takes a time as YYYY-MM-DD hh:nn\n").arg(name));
            return std::nullopt;
        }
    }
    const QString stamp = moment.toString(QStringLiteral("yyyy-MM-dd HH:mm"));
    return stamp + (endOfMinute ? QStringLiteral(":59") : QStringLiteral(":00"));
}

} // namespace

int runJournalCommand(const QStringList& args)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Lists the issuing journal: every attempt to issue a document begun in the time range (default: today), "
        "and every attempt still waiting to be settled, whenever it began. An attempt left open (the run was cut "
        "off, or the invoicing program did not confirm the invoice) is settled with 'corvina edit' or the edit "
        "dialog after checking the invoicing program."));
    addCommonOptions(parser, false);
    parser.addOption({QStringLiteral("from"), QStringLiteral("Attempts begun from this time (default today 00:00)."),
                      QStringLiteral("YYYY-MM-DD hh:nn")});
    parser.addOption({QStringLiteral("to"), QStringLiteral("Attempts begun up to this time (default now)."),
                      QStringLiteral("YYYY-MM-DD hh:nn")});
    parser.addOption({QStringLiteral("json"), QStringLiteral("Print a JSON array of objects.")});
    if (auto status = parseArguments(parser, args, 0, 0))
        return *status;

    CliSession session(parser);
    const QDateTime now = session.clock.now();
    const auto from = bound(parser, QStringLiteral("from"), QDateTime(now.date(), QTime(0, 0)), false);
    const auto to = bound(parser, QStringLiteral("to"), now, true);
    if (!from || !to)
        return kUsage;
    LocalStore* store = session.localStore();
    if (!store)
        return kFailed;
    std::vector<IssueAttempt> attempts;
    std::vector<QStringList> duplicates;
    try {
        IssueJournal journal(*store, session.clock, session.prompter);
        attempts = journal.list(*from, *to);
        duplicates = journal.duplicateInvoices();
    } catch (const Failure& failure) {
        ShowMessageBox(session.prompter, BoxOwner::MainWindow, failure.message(), MessageBoxKind::Error);
        return kFailed;
    }

    // A store written before a code and number was kept to one document: the clerk checks these.
    for (const QString& line : duplicateInvoiceTexts(duplicates))
        printErr(line + QLatin1Char('\n'));
    if (parser.isSet(QStringLiteral("json"))) {
        QJsonArray array;
        for (const IssueAttempt& a : attempts) {
            array.append(QJsonObject{{QStringLiteral("FAttemptId"), a.id},
                                     {QStringLiteral("FCustOrderId"), a.orderId},
                                     {QStringLiteral("FInvCode"), a.code},
                                     {QStringLiteral("FInvNumber"), a.number},
                                     {QStringLiteral("FStartedAt"), a.startedAt},
                                     {QStringLiteral("FOutcome"), a.outcome},
                                     {QStringLiteral("FFinishedAt"), a.finishedAt},
                                     {QStringLiteral("FClosedAt"), a.closedAt},
                                     {QStringLiteral("FSettledState"), a.settledState},
                                     {QStringLiteral("FSettledCode"), a.settledCode},
                                     {QStringLiteral("FSettledNumber"), a.settledNumber},
                                     {QStringLiteral("FStation"), a.station},
                                     {QStringLiteral("FSettledBy"), a.settledBy},
                                     {QStringLiteral("open"), a.isOpen()},
                                     {QStringLiteral("running"), a.leaseLive}});
        }
        printOut(array.isEmpty() ? QStringLiteral("[]\n")
                                 : QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Indented)));
        return kDone;
    }
    QString out = BrowserTexts::JournalCaptions.join(QLatin1Char('\t')) + QLatin1Char('\n');
    for (const IssueAttempt& a : attempts)
        out += journalRowTexts(a).join(QLatin1Char('\t')) + QLatin1Char('\n');
    printOut(out);
    return kDone;
}

} // namespace corvina::cli
