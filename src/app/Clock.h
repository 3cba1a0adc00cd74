#pragma once

#include <QDateTime>
#include <QMutex>

namespace corvina {

// The local time and the pauses of the system, so tests can run on a virtual clock.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
    virtual void sleep(int milliseconds) = 0;
};

class SystemClock : public Clock {
public:
    QDateTime now() const override;
    void sleep(int milliseconds) override;
};

// A clock that only moves when told to; sleeping advances it at once.
class FakeClock : public Clock {
public:
    explicit FakeClock(QDateTime start = QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9)));
    QDateTime now() const override;
    void sleep(int milliseconds) override;
    void set(const QDateTime& t);
    void advance(qint64 milliseconds);
    qint64 sleptMilliseconds() const;

private:
    mutable QMutex m_mutex;
    QDateTime m_now;
    qint64 m_slept = 0;
};

} // namespace corvina
