#include "app/Clock.h"
#include "cli/Commands.h"
#include "platform/ProcessConsole.h"
#include "platform/ProcessStart.h"
#include "platform/StopKey.h"
#include "session/AppSession.h"
#include "ui/CorvinaApplication.h"
#include "ui/GuiPrompter.h"
#include "ui/TMainFrm.h"

#include <QCommandLineParser>

int main(int argc, char** argv)
{
    corvina::prepareProcess();
    if (corvina::cli::isCommandLine(argc, argv)) {
        corvina::useParentConsole();
        return corvina::cli::runCommandLine(argc, argv);
    }

    corvina::CorvinaApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption({QStringLiteral("app-folder"), QStringLiteral("Application folder."), QStringLiteral("DIR")});
    parser.addOption({QStringLiteral("store"),
                      QStringLiteral("Shared store (postgresql://...); default: CORVINA_STORE, else [store] url of "
                                     "sysconfig.ini, else SysData.mdb."),
                      QStringLiteral("URL")});
    parser.process(app);

    corvina::GuiPrompter prompter;
    app.setPrompter(&prompter);
    corvina::SystemClock clock;
    corvina::AppSession session({parser.value(QStringLiteral("app-folder")), parser.value(QStringLiteral("store"))},
                                prompter, clock);
    corvina::TMainFrm window(session);
    prompter.setMainWindow(&window);
    window.show();
    return app.exec();
}
