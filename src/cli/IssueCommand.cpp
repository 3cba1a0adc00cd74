#include "app/Prompter.h"
#include "cli/CliSession.h"
#include "cli/Commands.h"
#include "issuing/BatchRun.h"
#include "issuing/BatchTexts.h"
#include "issuing/InvoicingProgramSteps.h"
#include "issuing/StopKey.h"

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
        "through the invoicing program, printing one line per issued document: number, code, invoice number."));
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
        pending += list.isChecked(r) && list.text(r, ColState) == BatchTexts::NotIssuedState;

    if (ShowMessageBox(session.prompter, BoxOwner::MainWindow, BatchTexts::Confirm, MessageBoxKind::YesNo) !=
        ButtonCode::Yes)
        return kFailed;

    std::atomic<bool> BatchRunning{true};
    g_batchRunning = &BatchRunning;
    std::signal(SIGINT, stopOnInterrupt);
    const std::unique_ptr<StopKey> stopKey = createPlatformStopKey();
    // Without a window system there is no F10 to take (Ctrl-C still stops the run); the readiness
    // check then says the window system cannot be reached.
    if (stopKey->isAvailable() && !RegisterStopKey(*stopKey, BatchRunning))
        session.prompter.showPlain(BatchTexts::StopKeyFailed);

    LocalStore* store = session.localStore();
    if (!store)
        return kFailed;
    IssuingState state;
    const std::unique_ptr<IssuingSteps> steps =
        createPlatformIssuingSteps(session.settings, list, *store, state, session.clock, session.prompter);
    int issued = 0;
    BatchRunHooks hooks;
    hooks.issued = [&issued](const QString& orderId, const QString& code, const QString& number) {
        ++issued;
        printOut(orderId + QLatin1Char('\t') + code + QLatin1Char('\t') + number + QLatin1Char('\n'));
    };
    const BatchEnd end = RunBatchIssue(list, *store, session.prompter, BatchRunning, *steps, hooks);

    ReleaseStopKey(*stopKey);
    std::signal(SIGINT, SIG_DFL);
    g_batchRunning = nullptr;
    return end == BatchEnd::Normal && issued == pending ? kDone : kFailed;
}

} // namespace corvina::cli
