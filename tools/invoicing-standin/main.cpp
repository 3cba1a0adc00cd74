#include "RequestIntake.h"
#include "StandinFolder.h"
#include "StandinOptions.h"

#include "app/Clock.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

using namespace corvina::standin;

namespace {

int fail(const QString& text, int code)
{
    QTextStream(stderr) << text << Qt::endl;
    return code;
}

} // namespace

int main(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    StandinOptions options;
    QString error;
    if (!parseStandinOptions(arguments, options, error))
        return fail(error + QLatin1Char('\n') + standinUsage(), 2);

    switch (options.command) {
    case Command::Init: {
        QCoreApplication app(argc, argv);
        if (!initStandinFolder(options.folder, options.init, error))
            return fail(error, 1);
        return 0;
    }
    case Command::Intake: {
        QCoreApplication app(argc, argv);
        corvina::SystemClock clock;
        const IntakeOutcome outcome = takeInRequest(options.folder, clock);
        if (!outcome.recorded)
            return fail(outcome.message, 1);
        QTextStream(stdout) << outcome.message << Qt::endl;
        return 0;
    }
    case Command::None:
        break;
    }
    return fail(standinUsage(), 2);
}
