#include "issuing/BatchRunController.h"

#include "app/AppendLog.h"
#include "app/Prompter.h"
#include "issuing/TOCRThread.h"
#include "issuing/Texts.h"
#include "issuing/UiThreadInvoiceList.h"
#include "platform/StopKey.h"
#include "store/IssueJournal.h"
#include "store/LocalStore.h"

#include <QDeadlineTimer>
#include <exception>
#include <memory>
#include <stdexcept>

namespace corvina {

namespace {
// How long the window waits for a batch thread to be gone: one that has left run() is gone at once;
// one still in a run finishes the invoice in hand, whose every wait is shorter than this.
constexpr int kThreadExitWaitMs = 15000;
} // namespace

BatchRunController::BatchRunController(Prompter& prompter, Clock& clock, std::unique_ptr<StopKey> stopKey,
                                       InvoiceList& list, QObject* listContext, RunSetup setup, QObject* parent)
    : QObject(parent), m_prompter(prompter), m_clock(clock), m_stopKey(std::move(stopKey)), m_list(list),
      m_listContext(listContext), m_setup(std::move(setup))
{
}

BatchRunController::~BatchRunController()
{
    // The window goes only once its run has ended, but the batch thread may still be on its way
    // out (past run(), freeing its thread-local data): destroying a running QThread, or the process
    // exiting under it, can leave a lock of the runtime held for ever, and the program never exits.
    // The wait is bounded all the same; a run still in progress is told to stop first.
    if (m_thread) {
        BatchRunning.store(false);
        m_thread->wait(QDeadlineTimer(kThreadExitWaitMs));
    }
    // The key's thread must not touch BatchRunning after the flag is gone.
    ReleaseStopKey();
}

void BatchRunController::RegisterStopKey()
{
    if (m_stopKey && !corvina::RegisterStopKey(*m_stopKey, BatchRunning))
        m_prompter.showPlain(IssuingTexts::StopKeyFailed);
}

void BatchRunController::ReleaseStopKey()
{
    if (m_stopKey)
        corvina::ReleaseStopKey(*m_stopKey);
}

QString BatchRunController::caption() const
{
    return m_state == State::Running || m_state == State::EndedAbnormally ? IssuingTexts::StopCaption
                                                                          : IssuingTexts::StartCaption;
}

void BatchRunController::setState(State state)
{
    m_state = state;
    emit captionChanged(caption());
}

bool BatchRunController::threadActive() const
{
    return m_thread && m_thread->isRunning();
}

void BatchRunController::press()
{
    if (m_state == State::Running || m_state == State::EndedAbnormally) {
        // Stop press: the run sees the cleared flag at its next pending row.
        BatchRunning.store(false);
        setState(threadActive() ? State::Stopping : State::Idle);
        return;
    }
    if (threadActive()) {
        // A second run never works beside the first.
        ShowMessageBox(m_prompter, BoxOwner::MainWindow, IssuingTexts::PreviousRunEnding, MessageBoxKind::Info);
        return;
    }
    if (ShowMessageBox(m_prompter, BoxOwner::MainWindow, IssuingTexts::Confirm, MessageBoxKind::YesNo) !=
        ButtonCode::Yes)
        return;
    setState(State::Running);
    BatchRunning.store(true);
    try {
        start();
    } catch (const std::exception& failure) {
        // The caption and the flag keep what they were given; the next press is a stop press.
        ShowMessageBox(m_prompter, BoxOwner::MainWindow, QString::fromUtf8(failure.what()), MessageBoxKind::Info);
    }
}

void BatchRunController::start()
{
    const int run = ++m_run;
    // Written by the batch thread before it finishes, read once its end is handled here.
    auto end = std::make_shared<BatchEnd>(BatchEnd::Abnormal);
    auto* thread = new TOCRThread(
        [this, end] {
            try {
                *end = execute();
            } catch (const std::exception& failure) {
                // The run ends abnormally; the clerk learns why instead of seeing nothing happen.
                ShowMessageBox(m_prompter, BoxOwner::MainWindow,
                               IssuingTexts::UnexpectedFailure.arg(QString::fromUtf8(failure.what())),
                               MessageBoxKind::Error);
            } catch (...) {
                ShowMessageBox(m_prompter, BoxOwner::MainWindow,
                               IssuingTexts::UnexpectedFailure.arg(IssuingTexts::UnknownFailure),
                               MessageBoxKind::Error);
            }
        },
        this);
    connect(thread, &QThread::finished, this, [this, thread, run, end] { finished(thread, run, *end); });
    m_thread = thread;
    m_awaitingEnd = true;
    thread->start();
}

BatchEnd BatchRunController::execute()
{
    if (!m_setup.steps)
        throw std::runtime_error("no invoicing program support on this platform");
    // The run's own connection to the store, and the list reached only through its own thread.
    LocalStore store(m_setup.storePath, m_prompter);
    if (!store.open())
        return BatchEnd::Abnormal; // after the connection message
    UiThreadInvoiceList list(m_list, m_listContext);
    IssueJournal journal(store, m_clock, m_prompter, m_setup.station);
    const std::unique_ptr<IssuingSteps> steps = m_setup.steps(store);
    BatchRunHooks hooks;
    hooks.repaint = [this] { emit listChanged(); };
    hooks.issued = m_issued;
    hooks.passedOver = [this](const QString& orderId, const QString& text) {
        if (!m_setup.logPath.isEmpty())
            AppendLog(m_setup.logPath, text, m_clock);
        if (m_passedOver)
            m_passedOver(orderId, text);
    };
    return RunBatchIssue(list, journal, m_prompter, BatchRunning, *steps, hooks);
}

void BatchRunController::finished(TOCRThread* thread, int run, BatchEnd end)
{
    // The thread that finished, not the newest: its end may be handled after the next run has
    // already started, and that one must be left alone. It has left run(); it is let out of the
    // system's thread (a moment) before it goes.
    thread->wait(QDeadlineTimer(kThreadExitWaitMs));
    thread->deleteLater();
    if (run != m_run)
        return;
    m_awaitingEnd = false;
    m_lastEnd = end;
    if (end == BatchEnd::Normal)
        setState(State::Idle);
    else
        setState(m_state == State::Stopping || m_state == State::Idle ? State::Idle : State::EndedAbnormally);
    emit runEnded(end);
    if (m_closeAfterRun)
        emit closeNow();
}

bool BatchRunController::requestClose()
{
    if (threadActive()) {
        // The invoice in hand is finished (buttons pressed, recorded) before the window goes.
        BatchRunning.store(false);
        m_closeAfterRun = true;
        return false;
    }
    ReleaseStopKey();
    return true;
}

} // namespace corvina
