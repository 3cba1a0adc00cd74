#include "store/AttemptLease.h"

#include "app/Prompter.h"
#include "store/IssueJournal.h"
#include "store/LocalStore.h"
#include "store/Statements.h"

#include <QThread>
#include <chrono>

namespace corvina {

namespace {

// The renewing thread shows nothing: a renewal that fails lets the lease run out, and the run's
// own writes, each checked against what the store holds, still decide.
class SilentPrompter : public Prompter {
public:
    int showBox(BoxOwner, const QString&, MessageBoxKind) override { return ButtonCode::No; }
    void showPlain(const QString&) override {}
    int askPlain(const QString&, const QString&) override { return ButtonCode::No; }
    std::optional<QString> chooseOpenFile(const QString&) override { return std::nullopt; }
    std::optional<QString> chooseSaveFile(const SaveDialogRequest&) override { return std::nullopt; }
};

} // namespace

AttemptLease::AttemptLease(QString storeLocation, qint64 attemptId, int renewSeconds)
    : m_location(std::move(storeLocation)), m_attemptId(attemptId), m_renewSeconds(renewSeconds)
{
    m_thread.reset(QThread::create([this] { renewUntilStopped(); }));
    m_thread->start();
}

AttemptLease::~AttemptLease()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    // A renewal in hand waits at most for the store's busy timeout.
    m_thread->wait();
}

void AttemptLease::renewUntilStopped()
{
    SilentPrompter prompter;
    LocalStore store(m_location, prompter);
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        if (m_wake.wait_for(lock, std::chrono::seconds(m_renewSeconds), [this] { return m_stop; }))
            return;
        lock.unlock();
        try {
            store.beginTransaction();
            store.run(Statements::renewLease(m_attemptId, IssueJournal::LeaseSeconds));
            store.commit();
        } catch (const std::exception&) {
            store.rollbackTo(0);
        }
        lock.lock();
    }
}

} // namespace corvina
