#include "app/Prompter.h"
#include "cli/CliSession.h"
#include "cli/Commands.h"
#include "invoices/InvoiceExport.h"

#include <QFileInfo>

namespace corvina::cli {

namespace {

// The command line's answer to the save dialog is --out; everything else goes to the session's
// prompter.
class OutFilePrompter : public Prompter {
public:
    OutFilePrompter(Prompter& inner, QString out) : m_inner(inner), m_out(std::move(out)) {}
    int showBox(BoxOwner owner, const QString& text, MessageBoxKind kind) override
    {
        return m_inner.showBox(owner, text, kind);
    }
    void showPlain(const QString& text) override { m_inner.showPlain(text); }
    int askPlain(const QString& title, const QString& text) override { return m_inner.askPlain(title, text); }
    std::optional<QString> chooseOpenFile(const QString& filter) override { return m_inner.chooseOpenFile(filter); }
    std::optional<QString> chooseSaveFile(const SaveDialogRequest& request) override
    {
        // As the dialog does: the default extension when the name has none.
        if (QFileInfo(m_out).suffix().isEmpty() && !request.defaultSuffix.isEmpty())
            return m_out + QLatin1Char('.') + request.defaultSuffix;
        return m_out;
    }

private:
    Prompter& m_inner;
    QString m_out;
};

} // namespace

int runExportCommand(const QStringList& args)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Runs the query, ticks the named documents (all when none is named) and writes them into a "
                       "copy of the export template."));
    addCommonOptions(parser, true);
    addQueryOptions(parser);
    addDocOption(parser);
    parser.addOption({QStringLiteral("out"), QStringLiteral("The workbook to write (.xlsx)."), QStringLiteral("FILE")});
    if (auto status = parseArguments(parser, args, 0, 0))
        return *status;
    if (parser.value(QStringLiteral("out")).isEmpty()) {
        printErr(QStringLiteral("--out FILE is required\n") + commandHelp(parser, args.value(0)));
        return kUsage;
    }

    CliSession session(parser);
    PlainInvoiceList list;
    if (auto status = queryAndTick(session, parser, list))
        return *status;

    OutFilePrompter prompter(session.prompter, parser.value(QStringLiteral("out")));
    InvoiceExport exporter(prompter, session.clock, session.settings.AppFolder);
    return exporter.run(list) == InvoiceExport::Outcome::Exported ? kDone : kFailed;
}

} // namespace corvina::cli
