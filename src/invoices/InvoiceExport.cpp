#include "invoices/InvoiceExport.h"

#include "app/Clock.h"
#include "app/Prompter.h"
#include "app/Texts.h"
#include "invoices/InvoiceList.h"
#include "invoices/Texts.h"
#include "spreadsheet/XlsxTemplateFiller.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace corvina {

namespace {

constexpr int kFirstExportColumn = ColInDate;
constexpr int kLastExportColumn = ColState;

} // namespace

InvoiceExport::InvoiceExport(Prompter& prompter, const Clock& clock, QString appFolder)
    : m_prompter(prompter), m_clock(clock), m_appFolder(std::move(appFolder))
{
}

QStringList InvoiceExport::templateFolders() const
{
    const QString exe =
        m_exeFolder.isEmpty() && QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : m_exeFolder;
    if (exe.isEmpty())
        return {m_appFolder};
    return {m_appFolder, exe, QDir::cleanPath(QDir(exe).filePath(QStringLiteral("../share/corvina")))};
}

QString InvoiceExport::templatePath() const
{
    // The program ships a template; a clerk's own copy in the application folder comes first.
    const QString own = QDir(m_appFolder).filePath(ExportTexts::ExportTemplateName);
    for (const QString& folder : templateFolders()) {
        const QString candidate = QDir(folder).filePath(ExportTexts::ExportTemplateName);
        if (QFileInfo(candidate).isFile())
            return candidate;
    }
    return own;
}

QString InvoiceExport::proposedName() const
{
    // Seconds before minutes: the name the clerks have always been offered.
    return ExportTexts::ExportNamePrefix + m_clock.now().toString(QStringLiteral("yyyyMMddHHssmm"));
}

QList<QStringList> InvoiceExport::tickedRows(const InvoiceList& list)
{
    QList<QStringList> rows;
    for (int row = 0; row < list.rowCount(); ++row) {
        if (!list.isChecked(row))
            continue;
        QStringList texts;
        texts.reserve(kLastExportColumn - kFirstExportColumn + 1);
        for (int column = kFirstExportColumn; column <= kLastExportColumn; ++column)
            texts << list.text(row, column);
        rows << texts;
    }
    return rows;
}

bool InvoiceExport::CopyExportTemplate(const QString& templatePath, const QString& destination)
{
    const QFileInfo source(templatePath);
    if (!source.isFile()) {
        m_prompter.showPlain(ExportTexts::ExportTemplateMissing);
        return false;
    }
    const QFileInfo target(destination);
    if (target.exists() &&
        m_prompter.askPlain(AppTexts::InformationTitle, ExportTexts::ExportReplaceQuestion) != ButtonCode::Yes)
        return false;
    // Filling the template itself would change what every later export starts from.
    const bool ontoTemplate = target.exists() && target.canonicalFilePath() == source.canonicalFilePath();

    QFile in(templatePath);
    QSaveFile out(destination);
    bool copied = !ontoTemplate && in.open(QIODevice::ReadOnly) && out.open(QIODevice::WriteOnly);
    if (copied) {
        const QByteArray bytes = in.readAll();
        copied = in.error() == QFileDevice::NoError && out.write(bytes) == bytes.size() && out.commit();
    }
    if (!copied) {
        out.cancelWriting();
        m_prompter.showPlain(ExportTexts::ExportCopyFailed);
        return false;
    }
    return true;
}

InvoiceExport::Outcome InvoiceExport::run(const InvoiceList& list)
{
    if (list.rowCount() == 0) {
        ShowMessageBox(m_prompter, BoxOwner::MainWindow, ExportTexts::ExportNothingListed, MessageBoxKind::Info);
        return Outcome::NothingListed;
    }
    const QList<QStringList> rows = tickedRows(list);
    if (rows.isEmpty()) {
        ShowMessageBox(m_prompter, BoxOwner::MainWindow, ExportTexts::ExportNothingTicked, MessageBoxKind::Info);
        return Outcome::NothingTicked;
    }

    SaveDialogRequest request;
    request.filter = ExportTexts::ExportSaveFilter;
    request.defaultSuffix = ExportTexts::ExportSuffix;
    request.proposedName = proposedName();
    const std::optional<QString> chosen = m_prompter.chooseSaveFile(request);
    if (!chosen || chosen->isEmpty())
        return Outcome::Cancelled;

    if (!CopyExportTemplate(templatePath(), *chosen))
        return Outcome::NotCopied;

    // The copy exists from here on; a failure below leaves it holding the unchanged template.
    if (m_busy)
        m_busy(true);
    bool filled = false;
    try {
        XlsxTemplateFiller::fill(*chosen, rows);
        filled = true;
    } catch (const std::exception&) {
    }
    if (m_busy)
        m_busy(false);
    if (!filled) {
        ShowMessageBox(m_prompter, BoxOwner::MainWindow, ExportTexts::ExportFillFailed, MessageBoxKind::Error);
        return Outcome::Failed;
    }
    ShowMessageBox(m_prompter, BoxOwner::MainWindow, ExportTexts::Exported, MessageBoxKind::Info);
    return Outcome::Exported;
}

} // namespace corvina
