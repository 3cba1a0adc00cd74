#include "workbook/WorkbookImport.h"

#include "app/AppendLog.h"
#include "app/Failure.h"
#include "app/Gbk.h"
#include "app/NumberText.h"
#include "app/Prompter.h"
#include "store/LocalStore.h"
#include "workbook/StoreImportedDocument.h"
#include "workbook/Texts.h"
#include "workbook/Workbook.h"

#include <QFile>
#include <new>

namespace corvina {

namespace {

constexpr int kFirstDataRow = 2;
constexpr int kEmptyCellsToEnd = 5;
// Documents stored between two commits. Each document is a savepoint of its own, so it lands
// whole or not at all; committing them in groups spares the disk a write of every touched page
// per document. Their log lines are written once their group is committed, so the log never
// reports a document as stored that a crash could still take away.
constexpr int kDocumentsPerCommit = 200;

enum Column : int { A = 1, B, C, D, E, F, G, H, I, J, K, L, M, N };

CellValue readCell(const Worksheet& sheet, int row, int column)
{
    CellValue v = sheet.cell(row, column);
    if (v.uncalculated)
        throw Failure(WorkbookTexts::Uncalculated.arg(cellReference(row, column)));
    return v;
}

QString cellText(const Worksheet& sheet, int row, int column)
{
    return trimControl(readCell(sheet, row, column).text);
}

// Appends a row's text to a merged value unless it is empty or already inside it.
void mergeDistinct(QString& merged, const QString& text)
{
    if (!text.isEmpty() && !merged.contains(text))
        merged += text + QLatin1Char(';');
}

double amountOf(const Worksheet& sheet, int row)
{
    const CellValue v = readCell(sheet, row, N);
    switch (v.type) {
    case CellType::Empty:
        return 0;
    case CellType::Number:
    case CellType::Date:
        return v.number;
    case CellType::Text: {
        const QString text = trimControl(v.text);
        if (text.isEmpty())
            return 0; // a formula's "" looks empty to the clerk
        double value = 0;
        if (parseDecimal(text, &value))
            return value;
        break;
    }
    case CellType::Boolean:
    case CellType::Error:
        break;
    }
    throw Failure(WorkbookTexts::BadAmount.arg(row).arg(v.text));
}

} // namespace

QString StripTrailingSeparator(const QString& text, QChar separator)
{
    qsizetype n = text.size();
    while (n > 0 && text.at(n - 1) == separator)
        --n;
    return text.left(n);
}

WorkbookImport::WorkbookImport(const AppSettings& settings, Prompter& prompter, const Clock& clock, LocalStore& store)
    : m_settings(settings), m_prompter(prompter), m_clock(clock), m_store(store),
      m_opener([](const QString& path) { return Workbook::open(path); })
{
}

int WorkbookImport::countDocuments(const Worksheet& sheet) const
{
    int count = 0;
    int empty = 0;
    QString last;
    bool seen = false;
    for (int row = kFirstDataRow; empty < kEmptyCellsToEnd; ++row) {
        const QString v = cellText(sheet, row, A);
        if (v.isEmpty()) {
            ++empty;
            continue;
        }
        empty = 0;
        if (!seen || v != last)
            ++count;
        seen = true;
        last = v;
    }
    return count;
}

ImportedDocument WorkbookImport::readDocument(const Worksheet& sheet, int firstRow, int* rowCount) const
{
    const MergeSettings& m = m_settings.Merge;
    struct Merged {
        Column column;
        bool on;
        QString value;
    };
    Merged merged[] = {
        {C, MergeSettings::on(m.HTBH), {}},  {D, MergeSettings::on(m.CKTZS), {}}, {E, MergeSettings::on(m.KJBH), {}},
        {G, MergeSettings::on(m.FHTZS), {}}, {H, MergeSettings::on(m.CKXH), {}},  {I, MergeSettings::on(m.HXDH), {}},
    };
    const bool remarkMerged = MergeSettings::on(m.KPBZ);
    const bool remarkDistinct = MergeSettings::on(m.KPBZ_del_XT);
    QString remark;

    ImportedDocument doc;
    const QString id = cellText(sheet, firstRow, A);
    int row = firstRow;
    for (; cellText(sheet, row, A) == id; ++row) {
        for (Merged& mc : merged)
            if (mc.on)
                mergeDistinct(mc.value, cellText(sheet, row, mc.column));
        if (remarkMerged) {
            const QString text = cellText(sheet, row, J);
            if (remarkDistinct)
                mergeDistinct(remark, text);
            else if (!text.isEmpty())
                remark += text + QLatin1Char(';');
        }
        doc.AmountSum += amountOf(sheet, row);
        doc.Lines.append({cellText(sheet, row, K), cellText(sheet, row, L), cellText(sheet, row, M)});
        doc.lineRows.append(row);
    }
    *rowCount = row - firstRow;

    auto headerValue = [&](const Merged& mc) {
        return mc.on ? StripTrailingSeparator(mc.value, QLatin1Char(';')) : cellText(sheet, firstRow, mc.column);
    };
    doc.FCustOrderId = id;
    doc.FCustName = cellText(sheet, firstRow, B);
    doc.FCustPo = headerValue(merged[0]);
    doc.FCustOutportNo = headerValue(merged[1]);
    doc.FCustAcc = headerValue(merged[2]);
    doc.FCustSinature = cellText(sheet, firstRow, F);
    doc.FCustContractNo = headerValue(merged[3]);
    doc.FCustCX = headerValue(merged[4]);
    doc.FCustVF = headerValue(merged[5]);
    doc.Remark = remarkMerged ? StripTrailingSeparator(remark, QLatin1Char(';')) : cellText(sheet, firstRow, J);
    return doc;
}

void WorkbookImport::run(const QString& filePath, const QString& sheetName, const QString& logPath)
{
    std::unique_ptr<Workbook> book = m_opener(filePath);
    const Worksheet& sheet = book->worksheet(sheetName);

    const int total = countDocuments(sheet);
    AppendLog(logPath, WorkbookTexts::LogChecking, m_clock);
    AppendLog(logPath, WorkbookTexts::LogCount.arg(total), m_clock);
    if (m_progress)
        m_progress(0, total);

    const int depth = m_store.transactionDepth();
    m_pendingLog.clear();
    m_store.beginTransaction();
    try {
        storeDocuments(sheet, total, logPath);
        m_store.commit();
        writePendingLog(logPath);
    } catch (...) {
        // What was stored before the failing document stays stored, and is logged.
        if (m_store.transactionDepth() > depth) {
            try {
                m_store.commit();
                writePendingLog(logPath);
            } catch (const Failure&) {
                m_pendingLog.clear();
                try {
                    m_store.rollback();
                } catch (const Failure&) {
                }
            }
        }
        throw;
    }
}

void WorkbookImport::writePendingLog(const QString& logPath)
{
    const QStringList lines = std::exchange(m_pendingLog, {});
    for (const QString& line : lines)
        AppendLog(logPath, line, m_clock);
}

void WorkbookImport::storeDocuments(const Worksheet& sheet, int total, const QString& logPath)
{
    int done = 0;
    ImportCounts counts;
    int row = kFirstDataRow;
    int empty = 0;
    QString previous;
    while (empty < kEmptyCellsToEnd) {
        const QString v = cellText(sheet, row, A);
        if (previous.isEmpty())
            previous = v;
        if (v.isEmpty()) {
            ++empty;
            ++row;
            continue;
        }
        empty = 0;
        int rows = 0;
        const ImportedDocument doc = readDocument(sheet, row, &rows);
        previous = cellText(sheet, row + rows, A);
        const StoreOutcome outcome = StoreImportedDocument(m_store, m_clock, doc);
        m_pendingLog << doc.FCustOrderId + (outcome == StoreOutcome::Stored ? WorkbookTexts::LogStored
                                                                            : WorkbookTexts::LogAlreadyPresent);
        if (++done % kDocumentsPerCommit == 0) {
            m_store.commit();
            writePendingLog(logPath);
            m_store.beginTransaction();
        }
        if (m_progress)
            m_progress(done, std::max(done, total));
        if (m_countsObserver) {
            counts.rowsRead += rows;
            ++(outcome == StoreOutcome::Stored ? counts.documentsStored : counts.alreadyPresent);
            m_countsObserver(counts);
        }
        row += rows;
    }
}

bool WorkbookImport::ImportWorkbook(const QString& filePath, const QString& sheetName, const QString& logPath)
{
    m_failed = false;
    m_failure.clear();
    if (!m_opener) {
        ShowMessageBox(m_prompter, BoxOwner::MainWindow, WorkbookTexts::NoReader, MessageBoxKind::Info);
        return false;
    }
    try {
        run(filePath, sheetName, logPath);
    } catch (const Failure& failure) {
        m_failed = true;
        m_failure = failure.message();
    } catch (const std::bad_alloc&) {
        m_failed = true;
        m_failure = QStringLiteral("内存不足");
    }
    if (m_failed)
        ShowMessageBox(m_prompter, BoxOwner::Application, WorkbookTexts::FailurePrefix + m_failure,
                       MessageBoxKind::Error);
    AppendLog(logPath, WorkbookTexts::LogDone, m_clock);
    return true;
}

void WorkbookImport::importFromDialog(const std::function<void(const QString&)>& openLog)
{
    const QString logPath = m_settings.logPath();
    if (QFile::exists(logPath))
        QFile::remove(logPath);
    const std::optional<QString> file = m_prompter.chooseOpenFile(WorkbookTexts::OpenFilter);
    if (!file)
        return;
    if (ImportWorkbook(*file, QStringLiteral("sheet1"), logPath) && openLog)
        openLog(logPath);
}

} // namespace corvina
