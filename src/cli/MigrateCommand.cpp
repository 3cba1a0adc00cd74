#include "cli/CliSession.h"
#include "cli/Commands.h"
#include "session/StoreMove.h"

#include <QDir>
#include <QFileInfo>

namespace corvina::cli {

int runMigrateCommand(const QStringList& args)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Moves the documents of the replaced program's Access store (the application folder's "
                       "SysData.mdb when it is an Access file, or --from FILE) into this program's store: written in "
                       "one transaction, checked (rows per table, the sums of FNoTaxSum and FSum, each issued "
                       "document's code and number), then the Access file kept beside itself as "
                       "NAME-Access-YYYYMMDD.mdb, never changed. Into the shared store when --store names one."));
    addCommonOptions(parser, true);
    parser.addOption({QStringLiteral("from"),
                      QStringLiteral("The Access file to move (default the folder's SysData.mdb)."),
                      QStringLiteral("FILE")});
    parser.addOption({QStringLiteral("dry-run"),
                      QStringLiteral("Read the Access file and print its counts and sums; change nothing.")});
    if (auto status = parseArguments(parser, args, 0, 0))
        return *status;

    CliSession session(parser);
    const QString source =
        parser.isSet(QStringLiteral("from"))
            ? QDir::toNativeSeparators(QFileInfo(parser.value(QStringLiteral("from"))).absoluteFilePath())
            : accessStoreOf(session.settings);
    if (source.isEmpty()) {
        printOut(QStringLiteral("the store is not an Access file: nothing to move\n"));
        return kDone;
    }
    StoreMove move(session.settings, source, session.prompter, session.clock);
    QString reason;
    if (!move.read(&reason)) {
        printErr(reason + QLatin1Char('\n'));
        return kFailed;
    }
    printOut(storeMoveCounts(move.summary()));
    if (parser.isSet(QStringLiteral("dry-run")))
        return kDone;
    if (ShowMessageBox(session.prompter, BoxOwner::MainWindow, storeMoveQuestion(move.summary()),
                       MessageBoxKind::YesNo) != ButtonCode::Yes)
        return kFailed;
    if (!move.move(&reason)) {
        printErr(reason + QLatin1Char('\n'));
        return kFailed;
    }
    printOut(storeMoveDone(move.summary()) + QLatin1Char('\n'));
    return kDone;
}

} // namespace corvina::cli
