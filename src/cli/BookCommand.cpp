#include "app/Failure.h"
#include "app/Prompter.h"
#include "app/Texts.h"
#include "cli/CliSession.h"
#include "cli/Commands.h"
#include "cli/Texts.h"
#include "invoices/Texts.h"
#include "invoicing/IssuingDatabase.h"
#include "invoicing/IssuingStatements.h"
#include "invoicing/TIssuingData.h"
#include "invoicing/Texts.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>

namespace corvina::cli {

namespace {

// Shows every box on the command line and keeps the last text, for the JSON answer.
class RememberingPrompter : public Prompter {
public:
    explicit RememberingPrompter(Prompter& shown) : m_shown(shown) {}
    int showBox(BoxOwner owner, const QString& text, MessageBoxKind kind) override
    {
        last = text;
        return m_shown.showBox(owner, text, kind);
    }
    void showPlain(const QString& text) override
    {
        last = text;
        m_shown.showPlain(text);
    }
    int askPlain(const QString& title, const QString& text) override { return m_shown.askPlain(title, text); }
    std::optional<QString> chooseOpenFile(const QString& filter) override { return m_shown.chooseOpenFile(filter); }
    std::optional<QString> chooseSaveFile(const SaveDialogRequest& request) override
    {
        return m_shown.chooseSaveFile(request);
    }
    QString last;

private:
    Prompter& m_shown;
};

// The invoicing program's tables that issuing reads; a file without them is another database.
QStringList missingTables(const QStringList& present)
{
    QStringList missing;
    for (const IssuingRead& read : {IssuingStatements::companyRecord(), IssuingStatements::industryCode({}),
                                    IssuingStatements::kindName({}), IssuingStatements::enabledBook()}) {
        const bool found = std::any_of(present.begin(), present.end(), [&](const QString& name) {
            return name.compare(read.table, Qt::CaseInsensitive) == 0;
        });
        if (!found)
            missing << read.table;
    }
    return missing;
}

Rows rowsOf(std::optional<Rows> rows)
{
    if (!rows)
        throw Failure(QString()); // the connection message has been shown
    return std::move(*rows);
}

// Reads as an invoice's preparation reads: the company record with its two lookups, then the
// enabled book. Returns the message that stops issuing, or empty text when an invoice could go.
QString readNextInvoice(IssuingDatabase& database, TIssuingData& d)
{
    const Rows company = rowsOf(database.select(IssuingStatements::companyRecord()));
    if (company.isEmpty())
        return InvoicingTexts::ErrorPrefix + InvoicingTexts::NoCompanyRecord;
    d.NSRSBM = company.value(0, QStringLiteral("NSRSBM"));
    d.NSRMC = company.value(0, QStringLiteral("NSRMC"));
    d.HYFLMC = company.value(0, QStringLiteral("HYFLMC"));
    d.KPZLID = company.value(0, QStringLiteral("KPZLID"));
    const Rows industry = rowsOf(database.select(IssuingStatements::industryCode(d.HYFLMC)));
    if (!industry.isEmpty())
        d.HYFLDM = industry.value(0, QStringLiteral("HYFLDM"));
    const Rows kind = rowsOf(database.select(IssuingStatements::kindName(d.KPZLID)));
    if (!kind.isEmpty())
        d.KPZLMC = kind.value(0, QStringLiteral("KPZLMC"));

    const Rows book = rowsOf(database.select(IssuingStatements::enabledBook()));
    if (book.isEmpty())
        return InvoicingTexts::NoEnabledBook;
    d.KPZLID = book.value(0, QStringLiteral("KPZLID"));
    d.FPDM = book.value(0, QStringLiteral("FPDM"));
    d.DQKYH = book.value(0, QStringLiteral("DQKYH"));
    return d.bookUsedUp() ? InvoicingTexts::BookUsedUp : QString();
}

} // namespace

int runBookCommand(const QStringList& args)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Reads the invoicing program's database as issuing reads it and prints what the next invoice would carry: "
        "the company's tax number and name, the invoice kind, the enabled book's code and next number; or the "
        "message that stops issuing. Changes nothing."));
    addCommonOptions(parser, false);
    parser.addOption({QStringLiteral("json"), QStringLiteral("Print a JSON object (with \"message\" when issuing "
                                                             "would stop).")});
    if (auto status = parseArguments(parser, args, 0, 0))
        return *status;

    CliSession session(parser);
    RememberingPrompter prompter(session.prompter);
    IssuingDatabase database(session.settings.IssuingDatabasePath, prompter);
    TIssuingData data;
    bool ready = false;
    try {
        const std::optional<QStringList> tables = database.tableNames();
        if (!tables)
            throw Failure(QString());
        const QStringList missing = missingTables(*tables);
        if (!missing.isEmpty()) {
            ShowMessageBox(prompter, BoxOwner::MainWindow,
                           CliTexts::BookTablesMissing.arg(database.path(), missing.join(AppTexts::ListSeparator)),
                           MessageBoxKind::Error);
        } else {
            const QString stop = readNextInvoice(database, data);
            ready = stop.isEmpty();
            if (!ready)
                ShowMessageBox(prompter, BoxOwner::MainWindow, stop, MessageBoxKind::Info);
        }
    } catch (const Failure& failure) {
        if (!failure.message().isEmpty())
            ShowMessageBox(prompter, BoxOwner::MainWindow, InvoicingTexts::ErrorPrefix + failure.message(),
                           MessageBoxKind::Info);
    }

    if (parser.isSet(QStringLiteral("json"))) {
        QJsonObject o;
        if (ready) {
            o.insert(QStringLiteral("NSRSBM"), data.NSRSBM);
            o.insert(QStringLiteral("NSRMC"), data.NSRMC);
            o.insert(QStringLiteral("KPZLID"), data.KPZLID);
            o.insert(QStringLiteral("KPZLMC"), data.KPZLMC);
            o.insert(QStringLiteral("FPDM"), data.FPDM);
            o.insert(QStringLiteral("DQKYH"), data.DQKYH);
        } else {
            o.insert(QStringLiteral("message"), prompter.last);
        }
        printOut(QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Indented)));
    } else if (ready) {
        const QList<QPair<QString, QString>> lines = {
            {CliTexts::BookTaxNumber, data.NSRSBM}, {CliTexts::BookCompanyName, data.NSRMC},
            {CliTexts::BookKindId, data.KPZLID},    {CliTexts::BookKindName, data.KPZLMC},
            {BrowserTexts::ColumnCode, data.FPDM},  {CliTexts::BookNextNumber, data.DQKYH},
        };
        QString out;
        for (const auto& [caption, value] : lines)
            out += caption + QLatin1Char('\t') + value + QLatin1Char('\n');
        printOut(out);
    }
    return ready ? kDone : kFailed;
}

} // namespace corvina::cli
