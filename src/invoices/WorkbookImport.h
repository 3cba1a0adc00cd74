#pragma once

#include "app/Settings.h"
#include "invoices/ImportedDocument.h"

#include <QString>
#include <functional>
#include <memory>

namespace corvina {

class Clock;
class LocalStore;
class Prompter;
struct SheetRow;
class Workbook;

using WorkbookOpener = std::function<std::unique_ptr<Workbook>(const QString& path)>;
// Documents done of the number counted; called after the counting pass and after each document.
using ImportProgress = std::function<void(int done, int total)>;

// What an import has got through so far.
struct ImportCounts {
    int rowsRead = 0;        // worksheet rows of the documents read
    int documentsStored = 0; // stored by this import
    int alreadyPresent = 0;  // found in the store already and left as they were
};
// Called after each document.
using ImportCountsObserver = std::function<void(const ImportCounts& counts)>;

// Removes the last character as long as it is the separator: "A;B;;" gives "A;B".
QString StripTrailingSeparator(const QString& text, QChar separator);

// The workbook import: reads the sales documents of a worksheet (column A document numbers,
// one row per line item) and stores each through StoreImportedDocument, writing the import log.
// The sheet is read twice as a stream of rows, a counting pass and a document pass, so that only
// one document is held at a time however long the sheet.
class WorkbookImport {
public:
    WorkbookImport(const AppSettings& settings, Prompter& prompter, const Clock& clock, LocalStore& store);

    void setProgress(ImportProgress progress) { m_progress = std::move(progress); }
    void setCountsObserver(ImportCountsObserver observer) { m_countsObserver = std::move(observer); }
    // How a workbook is opened; an empty opener means no reader can be set up.
    void setOpener(WorkbookOpener opener) { m_opener = std::move(opener); }

    // The whole import. False only when no reader can be set up; a failure in the middle is
    // shown ("连接错误:" + reason), logged to the end, and still gives true.
    bool ImportWorkbook(const QString& filePath, const QString& sheetName, const QString& logPath);

    // The import button: delete the old log, let the clerk choose the workbook, import it from
    // "sheet1", then hand the log to `openLog` (the desktop's "open" action).
    void importFromDialog(const std::function<void(const QString& logPath)>& openLog);

    // Whether the last ImportWorkbook took the failure path, and its reason.
    bool lastRunFailed() const { return m_failed; }
    const QString& lastFailure() const { return m_failure; }

private:
    struct Scan;
    class RowWalk;
    void run(const QString& filePath, const QString& sheetName, const QString& logPath);
    Scan countDocuments(Workbook& book, const QString& sheetName) const;
    void storeDocuments(Workbook& book, const QString& sheetName, const Scan& scan, const QString& logPath);
    void writePendingLog(const QString& logPath);
    ImportedDocument readDocument(RowWalk& walk, int firstRow, int* rowCount) const;

    const AppSettings& m_settings;
    Prompter& m_prompter;
    const Clock& m_clock;
    LocalStore& m_store;
    ImportProgress m_progress;
    ImportCountsObserver m_countsObserver;
    WorkbookOpener m_opener;
    bool m_failed = false;
    QString m_failure;
    QStringList m_pendingLog; // lines of the documents stored since the last commit
};

} // namespace corvina
