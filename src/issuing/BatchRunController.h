#pragma once

#include "issuing/BatchRun.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>

namespace corvina {

class Clock;
class InvoiceList;
class LocalStore;
class Prompter;
class StopKey;
class TOCRThread;

// The batch run as the clerk drives it, the same for the window and the command line: the start
// and stop press, the run's thread, the stop key and the flag it clears, each run's end and what
// it leaves, and closing once the invoice in hand is done. The state is kept here; the start/stop
// button only shows caption(). Lives on the thread that presses (the UI thread); a run's end is
// handled there, so that thread needs an event loop while a run works.
class BatchRunController : public QObject {
    Q_OBJECT
public:
    enum class State {
        Idle,            // no run; the button offers to start
        Running,         // a run works (or stops at its next pending row after F10)
        Stopping,        // stopped by the button; the run still finishes its invoice
        EndedAbnormally, // the run ended on a failure; the next press only restores the start
    };

    // Made on the batch thread for each run, over the run's own connection to the local store.
    using StepsFactory = std::function<std::unique_ptr<IssuingSteps>(LocalStore& store)>;
    // Called on the batch thread after an invoice was issued and recorded.
    using IssuedHook = std::function<void(const QString& orderId, const QString& code, const QString& number)>;
    // Called on the batch thread for a row another station has claimed or issued.
    using PassedOverHook = std::function<void(const QString& orderId, const QString& text)>;

    // What every run of this controller works with.
    struct RunSetup {
        QString storePath;  // the store, opened afresh by every run on its own connection
        QString station;    // the name this station's attempts go by in the journal
        QString logPath;    // where rows passed over (claimed or issued elsewhere) are logged
        StepsFactory steps; // the steps against the invoicing program
    };

    // `list` is the listed documents; with a `listContext` the batch thread reaches the list only
    // through that object's thread.
    BatchRunController(Prompter& prompter, Clock& clock, std::unique_ptr<StopKey> stopKey, InvoiceList& list,
                       QObject* listContext, RunSetup setup, QObject* parent = nullptr);
    ~BatchRunController() override;

    // Optional: told of each invoice issued, and of each row passed over after it was logged.
    void setIssuedHook(IssuedHook hook) { m_issued = std::move(hook); }
    void setPassedOverHook(PassedOverHook hook) { m_passedOver = std::move(hook); }

    // The run's stop flag, shared with the batch thread and the stop key.
    std::atomic<bool> BatchRunning{false};

    // Takes F10 for the run; when it cannot be taken, says "注册F10失败" in a plain box.
    void RegisterStopKey();
    void ReleaseStopKey();

    // The start/stop button's press. A start press asks the clerk first; Yes starts a run.
    void press();

    State state() const { return m_state; }
    // The button's caption for the current state.
    QString caption() const;
    // Whether a batch thread still works (also while it finishes after a stop).
    bool threadActive() const;
    // A run was started and its end has not been handled yet.
    bool awaitingEnd() const { return m_awaitingEnd; }
    // How the last run that has been handled ended.
    BatchEnd lastEnd() const { return m_lastEnd; }

    // The window is asked to close: true when nothing runs (the stop key is released); otherwise
    // the run stops after the invoice in hand and closeNow() follows its end.
    bool requestClose();

signals:
    void captionChanged(const QString& caption);
    // A run's end has been handled (state and caption are set).
    void runEnded(BatchEnd end);
    // After an invoice was recorded in the list.
    void listChanged();
    void closeNow();

private:
    void setState(State state);
    void start();
    BatchEnd execute();
    void finished(TOCRThread* thread, int run, BatchEnd end);

    Prompter& m_prompter;
    Clock& m_clock;
    std::unique_ptr<StopKey> m_stopKey;
    InvoiceList& m_list;
    QPointer<QObject> m_listContext;
    const RunSetup m_setup;
    IssuedHook m_issued;
    PassedOverHook m_passedOver;
    State m_state = State::Idle;
    BatchEnd m_lastEnd = BatchEnd::Normal;
    QPointer<TOCRThread> m_thread;
    int m_run = 0;
    bool m_awaitingEnd = false;
    bool m_closeAfterRun = false;
};

} // namespace corvina
