#include "platform/ProcessStart.h"

#include <QByteArray>
#include <QtGlobal>

namespace corvina {

void prepareProcess()
{
    // Qt gives each thread that runs a JIT-compiled regular expression a thread-local JIT stack,
    // an object with a destructor. With this toolchain's runtime, such an object made on a thread
    // that is not the main one (the batch thread: Qt Sql's driver search on its first connection,
    // the statements it runs) left the process waiting for ever at exit, inside libstdc++'s
    // clean-up of thread-exit destructors: the window closed, the process stayed. The
    // interpreter matches the same and is fast enough for the few short patterns used here, and it
    // makes no such object. Read once, at the first pattern compiled: hence before anything else.
    qputenv("QT_ENABLE_REGEXP_JIT", "0");
}

} // namespace corvina
