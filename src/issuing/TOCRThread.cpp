#include "issuing/TOCRThread.h"

namespace corvina {

TOCRThread::TOCRThread(std::function<void()> execute, QObject* parent) : QThread(parent), m_execute(std::move(execute))
{
}

void TOCRThread::run()
{
    try {
        m_execute();
    } catch (...) {
        // Nothing may leave the thread; the body has shown what it could.
        m_failed = true;
    }
}

} // namespace corvina
