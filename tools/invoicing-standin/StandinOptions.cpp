#include "StandinOptions.h"

#include <QCommandLineParser>
#include <algorithm>

namespace corvina::standin {

namespace {

QList<QCommandLineOption> allOptions()
{
    const auto value = [](const char* name, const char* help, const char* valueName = "text") {
        return QCommandLineOption(QString::fromLatin1(name), QString::fromUtf8(help), QString::fromLatin1(valueName));
    };
    const auto flag = [](const char* name, const char* help) {
        return QCommandLineOption(QString::fromLatin1(name), QString::fromUtf8(help));
    };
    return {
        value("init", "create the folder DIR with its database and control file", "dir"),
        value("intake", "record the request files of folder DIR once, as its save button does", "dir"),
        value("advance", "move the enabled book of folder DIR on to its next number, as issuing does", "dir"),
        value("refuse-request", "intake: refuse the Nth request of this run, counted from 1 (repeatable)", "n"),
        flag("hold-number", "intake: issue the invoice but leave the book's current number DQKYH where it was"),
        value("advance-after", "intake: issue the invoice and move DQKYH on only this many milliseconds later", "ms"),
        flag("no-company", "no company record (KPZH left empty)"),
        flag("no-enabled-book", "no invoice book with ZTID = 3"),
        flag("used-up-book", "the enabled book has no number left"),
        flag("two-enabled-books", "a second enabled book after the first"),
        flag("no-control-file", "do not write Config/invoice.xml"),
        value("tax-number", "the company's tax number NSRSBM"),
        value("company-name", "the company's name NSRMC"),
        value("industry-name", "the company's industry class name HYFLMC"),
        value("company-kind", "the company record's invoice kind KPZLID"),
        value("book-kind", "the enabled book's invoice kind KPZLID"),
        value("code", "the enabled book's invoice code FPDM"),
        value("next-number", "the enabled book's next number DQKYH, as stored"),
        value("last-number", "the enabled book's last number"),
        value("print-left", "print_left of the control file"),
        value("print-top", "print_top of the control file"),
        value("step-delay", "windows: milliseconds before the dialog appears, before it accepts input, in each button",
              "ms"),
        flag("dialog-disabled", "windows: the issuing dialog never accepts input"),
        value("omit-button", "windows: leave this dialog button out (repeatable)", "caption"),
        flag("start-hidden", "windows: the main window exists but is not shown"),
        value("show-after", "windows: show a hidden main window after this many milliseconds", "ms"),
    };
}

} // namespace

bool parseStandinOptions(const QStringList& arguments, StandinOptions& options, QString& error)
{
    QCommandLineParser parser;
    parser.addOptions(allOptions());
    if (!parser.parse(arguments)) {
        error = parser.errorText();
        return false;
    }
    const QStringList positional = parser.positionalArguments();
    const QStringList commands = {QStringLiteral("init"), QStringLiteral("intake"), QStringLiteral("advance")};
    int commandsSet = 0;
    for (const QString& command : commands)
        commandsSet += parser.isSet(command) ? 1 : 0;
    if (positional.size() > 1 || (positional.size() == 1 && commandsSet > 0)) {
        error = QStringLiteral("unexpected argument: ") + positional.last();
        return false;
    }
    if (positional.size() == 1) {
        options.command = Command::Windows;
        options.folder = positional.first();
    }
    WindowOptions& windows = options.windows;
    const auto milliseconds = [&](const char* name, int& field) {
        if (!parser.isSet(QString::fromLatin1(name)))
            return true;
        bool ok = false;
        field = parser.value(QString::fromLatin1(name)).toInt(&ok);
        if (!ok || field < 0)
            error = QStringLiteral("--%1 takes milliseconds").arg(QString::fromLatin1(name));
        return ok && field >= 0;
    };
    if (!milliseconds("step-delay", windows.stepDelayMs) || !milliseconds("show-after", windows.showAfterMs))
        return false;
    windows.dialogDisabled = parser.isSet(QStringLiteral("dialog-disabled"));
    windows.omitButtons = parser.values(QStringLiteral("omit-button"));
    windows.startHidden = parser.isSet(QStringLiteral("start-hidden"));
    if (commandsSet > 1) {
        error = QStringLiteral("--init, --intake and --advance exclude each other");
        return false;
    }
    if (parser.isSet(QStringLiteral("init"))) {
        options.command = Command::Init;
        options.folder = parser.value(QStringLiteral("init"));
    } else if (parser.isSet(QStringLiteral("intake"))) {
        options.command = Command::Intake;
        options.folder = parser.value(QStringLiteral("intake"));
    } else if (parser.isSet(QStringLiteral("advance"))) {
        options.command = Command::Advance;
        options.folder = parser.value(QStringLiteral("advance"));
    }

    IntakeOptions& intake = options.intake;
    for (const QString& text : parser.values(QStringLiteral("refuse-request"))) {
        bool ok = false;
        const int request = text.toInt(&ok);
        if (!ok || request < 1) {
            error = QStringLiteral("--refuse-request takes a request number from 1");
            return false;
        }
        intake.refuseRequests << request;
    }
    intake.holdNumber = parser.isSet(QStringLiteral("hold-number"));
    if (!milliseconds("advance-after", intake.advanceAfterMs))
        return false;
    if (intake.holdNumber && intake.advanceAfterMs >= 0) {
        error = QStringLiteral("--hold-number and --advance-after exclude each other");
        return false;
    }

    InitOptions& init = options.init;
    init.company = !parser.isSet(QStringLiteral("no-company"));
    init.enabledBook = !parser.isSet(QStringLiteral("no-enabled-book"));
    init.secondEnabledBook = parser.isSet(QStringLiteral("two-enabled-books"));
    init.controlFile = !parser.isSet(QStringLiteral("no-control-file"));
    if (parser.isSet(QStringLiteral("used-up-book")))
        init.nextNumber.clear();
    const auto text = [&parser](const char* name, QString& field) {
        if (parser.isSet(QString::fromLatin1(name)))
            field = parser.value(QString::fromLatin1(name));
    };
    text("tax-number", init.taxNumber);
    text("company-name", init.companyName);
    text("industry-name", init.industryName);
    text("company-kind", init.companyKind);
    text("book-kind", init.bookKind);
    text("code", init.code);
    text("next-number", init.nextNumber);
    text("last-number", init.lastNumber);
    text("print-left", init.printLeft);
    text("print-top", init.printTop);
    return true;
}

QString standinUsage()
{
    QString usage =
        QStringLiteral("Usage: invoicing-standin --init DIR [options]\n"
                       "  or:  invoicing-standin --intake DIR [intake options]\n"
                       "  or:  invoicing-standin --advance DIR\n"
                       "  or:  invoicing-standin [window options] [intake options] DIR\n"
                       "A stand-in for the invoicing program, for demonstrations, training and tests: its folder\n"
                       "(Data/DB_KP.mdb, Config/invoice.xml), its intake of request files, and its windows.\n"
                       "\n"
                       "Options:\n");
    const QList<QCommandLineOption> options = allOptions();
    const auto synopsis = [](const QCommandLineOption& option) {
        QString text = QStringLiteral("--") + option.names().first();
        if (!option.valueName().isEmpty())
            text += QLatin1Char(' ') + option.valueName().toUpper();
        return text;
    };
    qsizetype width = 0;
    for (const QCommandLineOption& option : options)
        width = std::max(width, synopsis(option).size());
    for (const QCommandLineOption& option : options)
        usage += QStringLiteral("  %1  %2\n").arg(synopsis(option), -int(width)).arg(option.description());
    usage += QStringLiteral("  %1  %2\n")
                 .arg(QStringLiteral("-h, --help"), -int(width))
                 .arg(QStringLiteral("show this help"));
    usage += QStringLiteral("  %1  %2\n")
                 .arg(QStringLiteral("-v, --version"), -int(width))
                 .arg(QStringLiteral("show the version"));
    return usage;
}

} // namespace corvina::standin
