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
        // An unexpected failure ends the run without a message; the button keeps its stop caption.
        m_failed = true;
    }
}

} // namespace corvina
