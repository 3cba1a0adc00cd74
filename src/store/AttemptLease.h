#pragma once

#include <QString>
#include <memory>
#include <thread>

namespace corvina {

// Keeps a run's hold on its open attempt alive while the run works on it: a thread of its own,
// over its own connection to the store, renews the attempt's lease every `renewSeconds` for
// IssueJournal::LeaseSeconds more, whatever the run is waiting for. The run lets go of the lease
// through the journal; destroying this only stops the renewing, and a run that dies lets the
// lease run out.
class AttemptLease {
public:
    AttemptLease(QString storeLocation, qint64 attemptId, int renewSeconds);
    ~AttemptLease();
    AttemptLease(const AttemptLease&) = delete;
    AttemptLease& operator=(const AttemptLease&) = delete;

    // How long the destructor waits for a renewal in hand (a store that does not answer) before it
    // leaves the thread to finish by itself.
    static constexpr int StopWaitSeconds = 45;

private:
    struct Shared;
    std::shared_ptr<Shared> m_shared;
    std::thread m_thread;
};

} // namespace corvina
