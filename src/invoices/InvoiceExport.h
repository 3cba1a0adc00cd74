#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

namespace corvina {

class Clock;
class InvoiceList;
class Prompter;

// Writes the ticked rows of the invoice list into a copy of the export template that lies in the
// application folder. Every message goes through the prompter, each in its one place.
class InvoiceExport {
public:
    enum class Outcome { NothingListed, NothingTicked, Cancelled, NotCopied, Failed, Exported };

    InvoiceExport(Prompter& prompter, const Clock& clock, QString appFolder);

    // The export run of the "发票导出" button.
    Outcome run(const InvoiceList& list);

    // Copies the template over `destination`, asking before it replaces a file. False after its
    // own message, or silently when the clerk refuses the replacement.
    bool CopyExportTemplate(const QString& templatePath, const QString& destination);

    // The export template: the application folder's, else the one beside the executable, else the
    // one in the installed data folder (share/corvina beside the executable's bin folder). When
    // none exists, the application folder's path, so the clerk is told the template is missing.
    QString templatePath() const;
    // The folders searched after the application folder, in order.
    QStringList templateFolders() const;
    // The executable's folder (the running program's unless set, for tests).
    void setExecutableFolder(QString folder) { m_exeFolder = std::move(folder); }
    // "发票数据导出_" and the time as year, month, day, hour, seconds, minutes.
    QString proposedName() const;
    // Columns 2 to 16 of every ticked row, in list order.
    static QList<QStringList> tickedRows(const InvoiceList& list);

    // Told true before the workbook is written and false once that is over, so a window can show
    // the busy cursor meanwhile.
    void setBusyHook(std::function<void(bool)> hook) { m_busy = std::move(hook); }

private:
    Prompter& m_prompter;
    const Clock& m_clock;
    QString m_appFolder;
    QString m_exeFolder;
    std::function<void(bool)> m_busy;
};

} // namespace corvina
