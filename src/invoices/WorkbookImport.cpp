#include "invoices/WorkbookImport.h"

#include "app/AppendLog.h"
#include "app/Failure.h"
#include "app/Gbk.h"
#include "app/NumberText.h"
#include "app/Prompter.h"
#include "invoices/StoreImportedDocument.h"
#include "invoices/Texts.h"
#include "spreadsheet/Texts.h"
#include "spreadsheet/Workbook.h"
#include "store/LocalStore.h"
#include "store/Texts.h"

#include <QFile>
#include <QHash>
#include <algorithm>
#include <cmath>
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

// A document number as two independent 64-bit hashes: the counting pass remembers where each
// number's rows stand without holding the numbers themselves.
struct Fingerprint {
    size_t a = 0;
    size_t b = 0;
    bool operator==(const Fingerprint& o) const { return a == o.a && b == o.b; }
    bool operator<(const Fingerprint& o) const { return a != o.a ? a < o.a : b < o.b; }
};

size_t qHash(const Fingerprint& f, size_t seed = 0)
{
    return f.a ^ seed;
}

Fingerprint fingerprint(const QString& id)
{
    return {qHash(id, size_t(0x9E3779B97F4A7C15ull)), qHash(id, size_t(0xC2B2AE3D27D4EB4Full))};
}

CellValue readCell(const SheetRow& row, int column)
{
    const CellValue* v = row.cell(column);
    if (!v)
        return CellValue();
    if (v->uncalculated)
        throw Failure(ImportTexts::Uncalculated.arg(cellReference(row.number, column)));
    return *v;
}

QString cellText(const SheetRow& row, int column)
{
    return trimControl(readCell(row, column).text);
}

// Appends a row's text to a merged value unless it is empty or already inside it.
void mergeDistinct(QString& merged, const QString& text)
{
    if (!text.isEmpty() && !merged.contains(text))
        merged += text + QLatin1Char(';');
}

double amountOf(const SheetRow& row)
{
    const CellValue v = readCell(row, N);
    switch (v.type) {
    case CellType::Empty:
        return 0;
    case CellType::Number:
    case CellType::Date:
        if (std::isfinite(v.number))
            return v.number;
        break;
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
    throw Failure(ImportTexts::BadAmount.arg(QString::number(row.number), v.text));
}

QString rowRange(int first, int last)
{
    return first == last ? QString::number(first)
                         : QStringLiteral("%1-%2").arg(QString::number(first), QString::number(last));
}

} // namespace

// What the counting pass learns: the count for the log, and the document numbers whose rows
// stand in more than one place.
struct WorkbookImport::Scan {
    struct Split {
        int firstRow = 0;
        QString places[2];
        int count = 0;
    };
    int count = 0;
    QHash<Fingerprint, Split> splits;
};

// The sheet's rows by number, a row the file leaves out standing for an empty one. Numbers only
// go forward, so one row of the stream is held at a time.
class WorkbookImport::RowWalk {
public:
    explicit RowWalk(std::unique_ptr<SheetRows> rows) : m_rows(std::move(rows)) {}

    const SheetRow& at(int number)
    {
        while (!m_ended && (!m_loaded || m_next.number < number)) {
            m_loaded = m_rows->next(m_next);
            m_ended = !m_loaded;
            if (m_loaded)
                m_lastDelivered = m_next.number;
        }
        if (m_loaded && m_next.number == number)
            return m_next;
        m_blank.number = number;
        return m_blank;
    }
    // Why the sheet's rows ended early, once the walk has reached their end; "" otherwise.
    QString cutShort() const { return m_ended ? m_rows->cutShort() : QString(); }
    // Whether row `number` lies at or past a cut: the rows ended early before it, and what stood
    // there is lost.
    bool lostAt(int number) const { return !cutShort().isEmpty() && number > m_lastDelivered; }
    // Whether the rows end at a cut right after the last one given.
    bool lostAfterLastRow()
    {
        at(m_lastDelivered + 1);
        return lostAt(m_lastDelivered + 1);
    }

private:
    std::unique_ptr<SheetRows> m_rows;
    SheetRow m_next;
    SheetRow m_blank;
    bool m_loaded = false;
    bool m_ended = false;
    int m_lastDelivered = 0;
};

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

WorkbookImport::Scan WorkbookImport::countDocuments(Workbook& book, const QString& sheetName) const
{
    struct Run {
        Fingerprint id;
        int first;
        int last;
    };
    std::vector<Run> runs; // the documents the document pass will meet, in row order
    Scan scan;
    RowWalk walk(book.rows(sheetName, A));
    int empty = 0;
    QString last;
    bool seen = false;
    bool runOpen = false;
    for (int row = kFirstDataRow; empty < kEmptyCellsToEnd; ++row) {
        const QString v = cellText(walk.at(row), A);
        if (v.isEmpty()) {
            ++empty;
            runOpen = false;
            continue;
        }
        empty = 0;
        if (!seen || v != last)
            ++scan.count;
        if (runOpen && v == last)
            runs.back().last = row;
        else
            runs.push_back({fingerprint(v), row, row});
        seen = runOpen = true;
        last = v;
    }

    std::stable_sort(runs.begin(), runs.end(), [](const Run& x, const Run& y) { return x.id < y.id; });
    for (size_t i = 0; i < runs.size();) {
        size_t j = i + 1;
        while (j < runs.size() && runs[j].id == runs[i].id)
            ++j;
        if (j - i > 1) {
            Scan::Split split;
            split.firstRow = runs[i].first;
            split.places[0] = rowRange(runs[i].first, runs[i].last);
            split.places[1] = rowRange(runs[i + 1].first, runs[i + 1].last);
            split.count = static_cast<int>(j - i);
            scan.splits.insert(runs[i].id, split);
        }
        i = j;
    }
    return scan;
}

ImportedDocument WorkbookImport::readDocument(RowWalk& walk, int firstRow, int* rowCount) const
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
    const SheetRow& first = walk.at(firstRow);
    const QString id = cellText(first, A);
    // The header's own cells, read before the walk moves on.
    doc.FCustOrderId = id;
    doc.FCustName = cellText(first, B);
    doc.FCustSinature = cellText(first, F);
    QString firstTexts[6];
    for (int i = 0; i < 6; ++i)
        if (!merged[i].on)
            firstTexts[i] = cellText(first, merged[i].column);
    const QString firstRemark = remarkMerged ? QString() : cellText(first, J);

    int row = firstRow;
    for (; cellText(walk.at(row), A) == id; ++row) {
        const SheetRow& cells = walk.at(row);
        for (Merged& mc : merged)
            if (mc.on)
                mergeDistinct(mc.value, cellText(cells, mc.column));
        if (remarkMerged) {
            const QString text = cellText(cells, J);
            if (remarkDistinct)
                mergeDistinct(remark, text);
            else if (!text.isEmpty())
                remark += text + QLatin1Char(';');
        }
        doc.AmountSum += amountOf(cells);
        if (!std::isfinite(doc.AmountSum))
            throw Failure(ImportTexts::BadAmountSum.arg(id, QString::number(row)));
        doc.Lines.append({cellText(cells, K), cellText(cells, L), cellText(cells, M)});
        doc.lineRows.append(row);
    }
    *rowCount = row - firstRow;

    auto headerValue = [&](int i) {
        return merged[i].on ? StripTrailingSeparator(merged[i].value, QLatin1Char(';')) : firstTexts[i];
    };
    doc.FCustPo = headerValue(0);
    doc.FCustOutportNo = headerValue(1);
    doc.FCustAcc = headerValue(2);
    doc.FCustContractNo = headerValue(3);
    doc.FCustCX = headerValue(4);
    doc.FCustVF = headerValue(5);
    doc.Remark = remarkMerged ? StripTrailingSeparator(remark, QLatin1Char(';')) : firstRemark;
    return doc;
}

void WorkbookImport::run(const QString& filePath, const QString& sheetName, const QString& logPath)
{
    std::unique_ptr<Workbook> book = m_opener(filePath);
    const Scan scan = countDocuments(*book, sheetName);
    const int total = scan.count;
    AppendLog(logPath, ImportTexts::LogChecking, m_clock);
    AppendLog(logPath, ImportTexts::LogCount.arg(total), m_clock);
    if (m_progress)
        m_progress(0, total);

    const int depth = m_store.transactionDepth();
    m_pendingLog.clear();
    m_store.beginTransaction();
    try {
        storeDocuments(*book, sheetName, scan, logPath);
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

void WorkbookImport::storeDocuments(Workbook& book, const QString& sheetName, const Scan& scan, const QString& logPath)
{
    // Read a group ahead, then stored in workbook order with the group's document locks taken
    // first, all in one order: two desks importing overlapping workbooks wait for each other
    // instead of each holding a document the other needs. Log lines wait for the group's commit.
    struct Entry {
        ImportedDocument doc; // empty for a document whose rows stand in several places
        int rows = 0;
        QString splitLog;
    };
    std::vector<Entry> group;
    int done = 0;
    ImportCounts counts;
    auto storeGroup = [&] {
        QStringList ids;
        for (const Entry& e : group)
            if (!e.doc.FCustOrderId.isEmpty())
                ids << e.doc.FCustOrderId;
        m_store.lockKeys(ids);
        // The whole group in the open transaction, a few statements a document; when anything in
        // it fails, it is taken back and stored again a document at a time, each whole or not at
        // all, so that the documents before the one that fails are kept and its reason is shown.
        std::vector<StoreOutcome> outcomes;
        try {
            std::vector<const ImportedDocument*> documents;
            for (const Entry& e : group)
                if (!e.doc.FCustOrderId.isEmpty())
                    documents.push_back(&e.doc);
            outcomes = StoreImportedGroup(m_store, m_clock, documents);
        } catch (const Failure&) {
            outcomes.clear();
            m_store.rollback();
            m_store.beginTransaction();
            m_store.lockKeys(ids);
        }
        const bool grouped = !outcomes.empty();
        size_t next = 0;
        for (const Entry& e : group) {
            if (e.doc.FCustOrderId.isEmpty()) {
                if (!e.splitLog.isEmpty())
                    m_pendingLog << e.splitLog;
            } else {
                const StoreOutcome outcome =
                    grouped ? outcomes[next++] : StoreImportedDocument(m_store, m_clock, e.doc);
                m_pendingLog << e.doc.FCustOrderId + (outcome == StoreOutcome::Stored ? ImportTexts::LogStored
                                                                                      : ImportTexts::LogAlreadyPresent);
                ++(outcome == StoreOutcome::Stored ? counts.documentsStored : counts.alreadyPresent);
            }
            counts.rowsRead += e.rows;
            ++done;
            if (m_progress)
                m_progress(done, std::max(done, scan.count));
            if (m_countsObserver)
                m_countsObserver(counts);
        }
        const bool whole = group.size() == static_cast<size_t>(kDocumentsPerCommit);
        group.clear();
        if (whole) {
            m_store.commit();
            writePendingLog(logPath);
            m_store.beginTransaction();
        }
    };

    RowWalk walk(book.rows(sheetName, N));
    int row = kFirstDataRow;
    int empty = 0;
    bool cut = false;
    while (empty < kEmptyCellsToEnd) {
        const QString v = cellText(walk.at(row), A);
        if (v.isEmpty()) {
            ++empty;
            ++row;
            continue;
        }
        empty = 0;
        Entry entry;
        const auto split = scan.splits.constFind(fingerprint(v));
        if (split != scan.splits.constEnd()) {
            // Its rows stand in several places: storing the first would keep an incomplete
            // document and report the others as already present. Nothing of it is stored.
            while (cellText(walk.at(row + entry.rows), A) == v)
                ++entry.rows;
            if (row == split->firstRow)
                entry.splitLog = ImportTexts::LogSplit.arg(
                    v, split->places[0], split->places[1],
                    split->count > 2 ? ImportTexts::LogSplitMore.arg(split->count) : QString());
        } else {
            try {
                entry.doc = readDocument(walk, row, &entry.rows);
                cut = walk.lostAt(row + entry.rows);
            } catch (const Failure&) {
                // A row that lost its last cells to the cut reads as wrong: it is the cut's.
                // Otherwise the documents read before it are stored, and the reason ends the run.
                if (!walk.lostAfterLastRow()) {
                    storeGroup();
                    throw;
                }
                cut = true;
            }
            if (cut) {
                // Its rows run into the cut: lines after it are lost, so none of it is stored.
                storeGroup();
                m_pendingLog << ImportTexts::LogCutShort.arg(v);
                break;
            }
        }
        row += entry.rows;
        group.push_back(std::move(entry));
        if (group.size() == static_cast<size_t>(kDocumentsPerCommit))
            storeGroup();
    }
    if (!cut)
        storeGroup();
    if (const QString reason = walk.cutShort(); !reason.isEmpty())
        m_pendingLog << reason;
}

bool WorkbookImport::ImportWorkbook(const QString& filePath, const QString& sheetName, const QString& logPath)
{
    m_failed = false;
    m_failure.clear();
    if (!m_opener) {
        ShowMessageBox(m_prompter, BoxOwner::MainWindow, ImportTexts::NoReader, MessageBoxKind::Info);
        return false;
    }
    try {
        run(filePath, sheetName, logPath);
    } catch (const Failure& failure) {
        m_failed = true;
        m_failure = failure.message();
    } catch (const std::bad_alloc&) {
        m_failed = true;
        m_failure = WorkbookTexts::DetailMemory;
    }
    if (m_failed)
        ShowMessageBox(m_prompter, BoxOwner::Application, StoreTexts::ConnectionError + m_failure,
                       MessageBoxKind::Error);
    AppendLog(logPath, ImportTexts::LogDone, m_clock);
    return true;
}

void WorkbookImport::importFromDialog(const std::function<void(const QString&)>& openLog)
{
    const QString logPath = m_settings.logPath();
    if (QFile::exists(logPath))
        QFile::remove(logPath);
    const std::optional<QString> file = m_prompter.chooseOpenFile(ImportTexts::OpenFilter);
    if (!file)
        return;
    if (ImportWorkbook(*file, QStringLiteral("sheet1"), logPath) && openLog)
        openLog(logPath);
}

} // namespace corvina
