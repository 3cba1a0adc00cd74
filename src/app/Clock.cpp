#include "app/Clock.h"

#include <QThread>

namespace corvina {

QDateTime SystemClock::now() const
{
    return QDateTime::currentDateTime();
}

void SystemClock::sleep(int milliseconds)
{
    QThread::msleep(static_cast<unsigned long>(milliseconds));
}

FakeClock::FakeClock(QDateTime start) : m_now(std::move(start))
{
}

QDateTime FakeClock::now() const
{
    QMutexLocker lock(&m_mutex);
    return m_now;
}

void FakeClock::sleep(int milliseconds)
{
    QMutexLocker lock(&m_mutex);
    m_now = m_now.addMSecs(milliseconds);
    m_slept += milliseconds;
}

void FakeClock::set(const QDateTime& t)
{
    QMutexLocker lock(&m_mutex);
    m_now = t;
}

void FakeClock::advance(qint64 milliseconds)
{
    QMutexLocker lock(&m_mutex);
    m_now = m_now.addMSecs(milliseconds);
}

qint64 FakeClock::sleptMilliseconds() const
{
    QMutexLocker lock(&m_mutex);
    return m_slept;
}

} // namespace corvina
