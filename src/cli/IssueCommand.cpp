#include "app/Prompter.h"
#include "cli/CliSession.h"
#include "cli/Commands.h"
#include "invoices/Texts.h"
#include "issuing/BatchRunController.h"
#include "platform/StopKey.h"

#include <QEventLoop>
#include <csignal>

namespace corvina::cli {

namespace {

std::atomic<bool>* g_batchRunning = nullptr;

// Ctrl-C asks the run to stop, as the stop button does: the invoice in hand is finished first.
extern "C" void stopOnInterrupt(int)
{
    if (g_batchRunning)
        g_batchRunning->store(false);
}

} // namespace

int runIssueCommand(const QStringList& args)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Runs the query, ticks the named documents (all when none is named) and issues the pending ones "
        "through the invoicing program, printing one line per issued document: number, code, invoice number. "
        "A document another station sharing the store has claimed or issued is passed over with a line on stderr. "
        "A run that stops on a message prints it and exits 1."));
    addCommonOptions(parser, true);
    addQueryOptions(parser);
    addDocOption(parser);
    if (auto status = parseArguments(parser, args, 0, 0))
        return *status;

    CliSession session(parser);
    PlainInvoiceList list;
    if (auto status = queryAndTick(session, parser, list))
        return *status;
    int pending = 0;
    for (int r = 0; r < list.rowCount(); ++r)
        pending += list.isChecked(r) && list.text(r, ColState) == BrowserTexts::NotIssued;

    // The window's run, driven the same way: this thread presses and handles the run's end.
    BatchRunController run(session.prompter, session.clock, createPlatformStopKey(), list, nullptr,
                           session.app.runSetup());
    int issued = 0;
    run.setIssuedHook([&issued](const QString& orderId, const QString& code, const QString& number) {
        ++issued;
        printOut(orderId + QLatin1Char('\t') + code + QLatin1Char('\t') + number + QLatin1Char('\n'));
    });
    // Rows another station sharing the store has claimed or issued: logged by the run, and said on
    // stderr.
    int passedOver = 0;
    run.setPassedOverHook([&](const QString&, const QString& text) {
        ++passedOver;
        printErr(text + QLatin1Char('\n'));
    });
    run.RegisterStopKey();
    g_batchRunning = &run.BatchRunning;
    std::signal(SIGINT, stopOnInterrupt);

    QEventLoop loop;
    QObject::connect(&run, &BatchRunController::runEnded, &loop, &QEventLoop::quit);
    run.press();
    const bool started = run.awaitingEnd();
    if (started)
        loop.exec();

    run.ReleaseStopKey();
    std::signal(SIGINT, SIG_DFL);
    g_batchRunning = nullptr;
    return started && run.lastEnd() == BatchEnd::Normal && issued + passedOver == pending ? kDone : kFailed;
}

} // namespace corvina::cli
