#pragma once

#include <QString>
#include <condition_variable>
#include <memory>
#include <mutex>

class QThread;

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

private:
    void renewUntilStopped();

    QString m_location;
    qint64 m_attemptId;
    int m_renewSeconds;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stop = false;
    std::unique_ptr<QThread> m_thread;
};

} // namespace corvina
