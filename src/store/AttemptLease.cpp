#include "store/AttemptLease.h"

#include "app/Prompter.h"
#include "store/IssueJournal.h"
#include "store/LocalStore.h"
#include "store/Statements.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

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

// Shared with the thread, which may outlive the lease object when a renewal hangs.
struct AttemptLease::Shared {
    std::mutex mutex;
    std::condition_variable wake;
    bool stop = false;
    bool done = false;
};

AttemptLease::AttemptLease(QString storeLocation, qint64 attemptId, int renewSeconds)
    : m_shared(std::make_shared<Shared>())
{
    m_thread = std::thread([shared = m_shared, location = std::move(storeLocation), attemptId, renewSeconds] {
        {
            SilentPrompter prompter;
            LocalStore store(location, prompter);
            std::unique_lock<std::mutex> lock(shared->mutex);
            while (!shared->wake.wait_for(lock, std::chrono::seconds(renewSeconds), [&] { return shared->stop; })) {
                lock.unlock();
                try {
                    store.beginTransaction();
                    store.run(Statements::renewLease(attemptId, IssueJournal::LeaseSeconds));
                    store.commit();
                } catch (const std::exception&) {
                    store.rollbackTo(0);
                }
                lock.lock();
            }
        }
        std::lock_guard<std::mutex> lock(shared->mutex);
        shared->done = true;
        shared->wake.notify_all();
    });
}

AttemptLease::~AttemptLease()
{
    std::unique_lock<std::mutex> lock(m_shared->mutex);
    m_shared->stop = true;
    m_shared->wake.notify_all();
    // A renewal in hand ends within the store's own timeouts; one that does not is left to finish.
    const bool done =
        m_shared->wake.wait_for(lock, std::chrono::seconds(StopWaitSeconds), [&] { return m_shared->done; });
    lock.unlock();
    if (done)
        m_thread.join();
    else
        m_thread.detach();
}

} // namespace corvina
