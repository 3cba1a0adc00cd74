#include "RequestIntake.h"
#include "StandinFolder.h"
#include "StandinOptions.h"
#include "Texts.h"

#include "StandinDatabase.h"
#include "StandinWindows.h"
#include "app/AppendLog.h"
#include "app/Clock.h"
#include "app/Failure.h"
#include "app/Version.h"

#include <QFile>
#include <QXmlStreamReader>

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

// The texts of the control file's elements that a printout uses.
QHash<QString, QString> controlValues(const QString& folder)
{
    QHash<QString, QString> values;
    QFile file(folder + QStringLiteral("/Config/invoice.xml"));
    if (!file.open(QIODevice::ReadOnly))
        return values;
    QXmlStreamReader xml(&file);
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement) {
            const QString name = xml.name().toString();
            if (name == QLatin1String("fpdm") || name == QLatin1String("fphm") || name == QLatin1String("print_left") ||
                name == QLatin1String("print_top"))
                values.insert(name, xml.readElementText());
        }
    }
    return values;
}

void log(const QString& folder, const QString& text, const corvina::Clock& clock)
{
    try {
        corvina::AppendLog(StandinDatabase::logPath(folder), text, clock);
    } catch (const corvina::Failure&) {
        // The windows show what happened; a log that cannot be written changes nothing.
    }
}

int runWindows(int argc, char** argv, const StandinOptions& options)
{
    static corvina::SystemClock clock;
    const QString folder = options.folder;
    RequestIntake intake(folder, clock, options.intake);
    WindowActions actions;
    actions.save = [&intake](QString* message) {
        const IntakeOutcome outcome = intake.takeIn();
        *message = outcome.message;
        return outcome.recorded;
    };
    actions.print = [folder] {
        const auto v = controlValues(folder);
        log(folder,
            corvina::StandinTexts::PrintedLog.arg(v.value(QStringLiteral("fpdm")), v.value(QStringLiteral("fphm")),
                                                  v.value(QStringLiteral("print_left")),
                                                  v.value(QStringLiteral("print_top"))),
            clock);
    };
    actions.pendingRequest = [folder] {
        const auto v = controlValues(folder);
        return corvina::StandinTexts::PendingRequest.arg(v.value(QStringLiteral("fpdm")),
                                                         v.value(QStringLiteral("fphm")));
    };
    return runStandinWindows(argc, argv, options.windows, actions);
}

} // namespace

int main(int argc, char** argv)
{
    // Qt's own reading of the command line: on Windows the wide one, so "关闭" survives any code page.
    QStringList arguments;
    {
        QCoreApplication probe(argc, argv);
        arguments = QCoreApplication::arguments();
    }
    const QString first = arguments.value(1);
    if (first == QLatin1String("--help") || first == QLatin1String("-h")) {
        QTextStream(stdout) << standinUsage();
        return 0;
    }
    if (first == QLatin1String("--version") || first == QLatin1String("-v")) {
        QTextStream(stdout) << "invoicing-standin " CORVINA_VERSION << Qt::endl;
        return 0;
    }
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
        // A delayed move of the book is waited for before the program ends.
        RequestIntake intake(options.folder, clock, options.intake);
        const IntakeOutcome outcome = intake.takeIn();
        if (!outcome.recorded)
            return fail(outcome.message, 1);
        QTextStream(stdout) << outcome.message << Qt::endl;
        return 0;
    }
    case Command::Advance: {
        QCoreApplication app(argc, argv);
        if (!advanceEnabledBook(options.folder, error))
            return fail(error, 1);
        return 0;
    }
    case Command::Windows:
        return runWindows(argc, argv, options);
    case Command::None:
        break;
    }
    return fail(standinUsage(), 2);
}
