#include "session/StoreMove.h"
#include "session/Texts.h"

#include "app/AppendLog.h"
#include "app/Clock.h"
#include "app/Failure.h"
#include "app/Paths.h"
#include "app/Prompter.h"
#include "invoicing/AccessEngine.h"
#include "store/DatabaseFile.h"
#include "store/DocumentFields.h"
#include "store/LocalStore.h"
#include "store/ServerAddress.h"
#include "store/Statements.h"
#include "store/Texts.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <QSet>
#include <QTemporaryDir>
#include <array>
#include <cmath>
#include <vector>

namespace corvina {

namespace {

// The replaced program opened its store with this database password. The MDB Tools reader does
// not need it (it reads the pages of a file with a database password without being told it);
// an ODBC driver does.
const QString kOldStorePassword = QStringLiteral("qorvelmint");

constexpr size_t kHeaderWidth = DocumentFields::Imported.size() + DocumentFields::Issued.size();
constexpr size_t kLineWidth = DocumentFields::Line.size();
using Header = std::array<QString, kHeaderWidth>;
using Line = std::array<QString, kLineWidth>;

// Rows per insert: well under the engines' limits on bound values (SQLite's 32,766).
constexpr int kRowsPerInsert = 200;

QStringList headerFields()
{
    QStringList fields;
    for (const QLatin1StringView f : DocumentFields::Imported)
        fields << f;
    for (const QLatin1StringView f : DocumentFields::Issued)
        fields << f;
    return fields;
}

QStringList lineFields()
{
    QStringList fields;
    for (const QLatin1StringView f : DocumentFields::Line)
        fields << f;
    return fields;
}

const int kId = 0; // FCustOrderId comes first in both tables
const int kState = static_cast<int>(headerFields().indexOf(QStringLiteral("FOK")));
const int kNoTaxSum = static_cast<int>(headerFields().indexOf(QStringLiteral("FNoTaxSum")));
const int kCode = static_cast<int>(headerFields().indexOf(QStringLiteral("FInvCode")));
const int kNumber = static_cast<int>(headerFields().indexOf(QStringLiteral("FInvNumber")));
const int kLineNumber = static_cast<int>(lineFields().indexOf(QStringLiteral("FNo")));
const int kSum = static_cast<int>(lineFields().indexOf(QStringLiteral("FSum")));

bool isIssued(const QString& state)
{
    return state.trimmed() == QLatin1String("1");
}

// A sum of decimal texts, exact to the ten-thousandth (the finest the store writes). Plain
// decimals are added digit by digit, so that no binary fraction makes two equal columns differ;
// a text that is not a number adds nothing.
class DecimalSum {
public:
    void add(const QString& text)
    {
        const QString t = text.trimmed();
        if (t.isEmpty())
            return;
        qint64 units = 0;
        if (plainUnits(t, &units)) {
            m_units += units;
            return;
        }
        bool ok = false;
        const double value = t.toDouble(&ok);
        if (ok && std::isfinite(value))
            m_units += std::llround(value * 10000.0);
    }
    QString text() const
    {
        const qint64 whole = m_units / 10000;
        const qint64 part = std::llabs(m_units % 10000);
        return QStringLiteral("%1%2.%3")
            .arg(m_units < 0 && whole == 0 ? QStringLiteral("-") : QString())
            .arg(whole)
            .arg(part, 4, 10, QLatin1Char('0'));
    }

private:
    // "-12.34567" -> -123457 (the fifth decimal rounds half away from zero).
    static bool plainUnits(const QString& t, qint64* units)
    {
        int i = 0;
        const bool negative = t.startsWith(QLatin1Char('-'));
        if (negative || t.startsWith(QLatin1Char('+')))
            i = 1;
        qint64 whole = 0;
        int digits = 0;
        for (; i < t.size() && t[i].isDigit(); ++i, ++digits) {
            if (digits > 14)
                return false;
            whole = whole * 10 + t[i].digitValue();
        }
        qint64 fraction = 0;
        int decimals = 0;
        bool roundUp = false;
        if (i < t.size() && t[i] == QLatin1Char('.')) {
            for (++i; i < t.size() && t[i].isDigit(); ++i, ++digits) {
                if (decimals < 4)
                    fraction = fraction * 10 + t[i].digitValue();
                else if (decimals == 4)
                    roundUp = t[i].digitValue() >= 5;
                ++decimals;
            }
        }
        if (i != t.size() || digits == 0)
            return false;
        for (int d = std::min(decimals, 4); d < 4; ++d)
            fraction *= 10;
        const qint64 value = whole * 10000 + fraction + (roundUp ? 1 : 0);
        *units = negative ? -value : value;
        return true;
    }

    qint64 m_units = 0;
};

// A number in its plain decimal form ("1e-05" reads "0.00001"), with at least `decimals`
// decimals and no more than it carries: an amount keeps the form the store writes it in and
// every digit the old store held.
QString decimalText(const QString& number, int decimals)
{
    QString t = number.trimmed();
    if (t.isEmpty())
        return t;
    if (t.contains(QLatin1Char('e'), Qt::CaseInsensitive)) {
        bool ok = false;
        const double value = t.toDouble(&ok);
        if (!ok)
            return t;
        t = QString::number(value, 'f', 10);
    }
    qsizetype point = t.indexOf(QLatin1Char('.'));
    if (point < 0) {
        if (decimals == 0)
            return t;
        t += QLatin1Char('.');
        point = t.size() - 1;
    }
    while (t.size() - point - 1 > decimals && t.endsWith(QLatin1Char('0')))
        t.chop(1);
    while (t.size() - point - 1 < decimals)
        t += QLatin1Char('0');
    if (t.endsWith(QLatin1Char('.')))
        t.chop(1);
    return t;
}

// One value of the Access file in the text the store keeps for its column.
QString carried(const QString& value, CellKind kind, const QString& field)
{
    switch (kind) {
    case CellKind::DateTime:
        // "YYYY-MM-DD hh:nn": the import's form, compared as text by the query.
        return value.left(16);
    case CellKind::Decimal:
    case CellKind::Money:
        if (field == QLatin1String("FNoTaxSum"))
            return decimalText(value, 2);
        if (field == QLatin1String("FSum"))
            return decimalText(value, 4);
        return decimalText(value, 0);
    default:
        return value;
    }
}

// The Access file's date-stamped name beside it, one not taken yet.
QString keptName(const QString& accessFile, const QDate& day)
{
    const QFileInfo info(accessFile);
    const QString stem =
        info.completeBaseName() + QStringLiteral("-Access-") + day.toString(QStringLiteral("yyyyMMdd"));
    const QString suffix = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
    QString name = info.dir().filePath(stem + suffix);
    for (int n = 2; QFileInfo::exists(name); ++n)
        name = info.dir().filePath(stem + QStringLiteral("-%1").arg(n) + suffix);
    return QDir::toNativeSeparators(name);
}

QByteArray fileHash(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&file))
        return {};
    return hash.result();
}

bool sameFile(const QString& a, const QString& b)
{
    const QFileInfo x(a), y(b);
    if (x.exists() && y.exists())
        return x.canonicalFilePath() == y.canonicalFilePath();
    return QDir::cleanPath(x.absoluteFilePath()) == QDir::cleanPath(y.absoluteFilePath());
}

// What the check compares, over the documents moved.
struct Totals {
    int documents = 0;
    int lines = 0;
    DecimalSum noTaxSum;
    DecimalSum sum;
    QHash<QString, QPair<QString, QString>> issued; // number -> code, number of the invoice
};

} // namespace

struct StoreMove::Data {
    AppSettings settings;
    QString accessFile;
    Prompter& prompter;
    const Clock& clock;
    StoreMoveSummary summary;
    std::vector<Header> headers; // one per document number
    std::vector<Line> lines;
    bool read = false;

    Data(const AppSettings& s, QString file, Prompter& p, const Clock& c)
        : settings(s), accessFile(std::move(file)), prompter(p), clock(c)
    {
    }

    // The table's rows in the store's column order, each value carried into the store's form.
    template <size_t Width>
    bool readTable(IssuingEngine& engine, const QString& table, const QStringList& fields,
                   std::vector<std::array<QString, Width>>* out, QString* reason)
    {
        const Rows rows = engine.table(table);
        const QList<CellKind> kinds = engine.columnKinds(table);
        std::array<int, Width> at{};
        QStringList missing;
        for (size_t i = 0; i < Width; ++i) {
            at[i] = rows.columnIndex(fields[static_cast<qsizetype>(i)]);
            if (at[i] < 0)
                missing << fields[static_cast<qsizetype>(i)];
        }
        if (!missing.isEmpty()) {
            *reason = MoveTexts::MissingColumns.arg(accessFile, table, missing.join(QStringLiteral(", ")));
            return false;
        }
        for (const QString& column : rows.columns())
            if (!fields.contains(column, Qt::CaseInsensitive))
                summary.ignoredColumns << table + QLatin1Char('.') + column;
        out->reserve(static_cast<size_t>(rows.count()));
        for (int r = 0; r < rows.count(); ++r) {
            std::array<QString, Width> values;
            for (size_t i = 0; i < Width; ++i)
                values[i] =
                    carried(rows.at(r, at[i]), kinds.value(at[i], CellKind::Text), fields[static_cast<qsizetype>(i)]);
            out->push_back(std::move(values));
        }
        return true;
    }

    QString targetLocation() const
    {
        return settings.StoreUrl.isEmpty() ? nativePath(settings.LocalStorePath) : settings.StoreUrl;
    }
    bool replacesFile() const
    {
        return settings.StoreUrl.isEmpty() && sameFile(nativePath(settings.LocalStorePath), accessFile);
    }

    // Writes the documents not in the store yet; the documents already there are counted and
    // left as they are, but one issued in the Access file only is marked issued with its code and
    // number, so that no run offers an invoice issued long ago. Returns what the check expects.
    Totals write(LocalStore& store)
    {
        QHash<QString, bool> present; // number -> issued there
        QSet<QString> withLines;
        store.selectEach(
            {QStringLiteral("select FCustOrderId, FOK from invoiceMaster"), {}, {}}, [](const QStringList&) {},
            [&](std::vector<QString>& row) { present.insert(row[0], isIssued(row[1])); });
        store.selectEach(
            {QStringLiteral("select distinct FCustOrderId from invoiceDetail"), {}, {}}, [](const QStringList&) {},
            [&](std::vector<QString>& row) { withLines.insert(row[0]); });

        Totals expected;
        std::vector<const Header*> moved;
        alreadyThere.clear();
        for (const Header& h : headers) {
            if (present.contains(h[kId])) {
                alreadyThere.insert(h[kId]);
                ++summary.alreadyThere;
                // Only where it changes something: each such statement holds its document's lock to
                // the end of the move.
                if (isIssued(h[kState]) && !present.value(h[kId]) &&
                    store.run(Statements::markIssuedWhereNot(h[kCode], h[kNumber], h[kId])) > 0)
                    ++summary.markedIssued;
                continue;
            }
            moved.push_back(&h);
            ++expected.documents;
            expected.noTaxSum.add(h[kNoTaxSum]);
            if (isIssued(h[kState]))
                expected.issued.insert(h[kId], {h[kCode], h[kNumber]});
        }
        std::vector<const Line*> movedLines;
        movedLineIds.clear();
        for (const Line& l : lines) {
            if (present.contains(l[kId]))
                continue;
            movedLines.push_back(&l);
            movedLineIds.insert(l[kId]);
            ++expected.lines;
            expected.sum.add(l[kSum]);
        }
        // Stray lines of a number about to be stored go first, as the import does.
        for (const QString& id : std::as_const(withLines))
            if (!present.contains(id) && movedLineIds.contains(id))
                store.run(Statements::clearLines(id));
        insertRows(store, moved, &Statements::insertWholeHeadersText, &headerValue);
        insertRows(store, movedLines, &Statements::insertLinesText, &lineValue);
        return expected;
    }

    // Rows written many to a statement: `text(n)` is the insert of n rows, `value(row, column)`
    // each value in the statement's column order.
    template <size_t Width>
    static void insertRows(LocalStore& store, const std::vector<const std::array<QString, Width>*>& rows,
                           QString (*text)(int), QVariant (*value)(const std::array<QString, Width>&, size_t))
    {
        for (size_t from = 0; from < rows.size(); from += kRowsPerInsert) {
            const size_t count = std::min(rows.size() - from, size_t(kRowsPerInsert));
            SqlStatement insert{text(static_cast<int>(count)), {}, {}};
            insert.values.reserve(static_cast<qsizetype>(count * Width));
            for (size_t i = from; i < from + count; ++i)
                for (size_t c = 0; c < Width; ++c)
                    insert.values << value(*rows[i], c);
            store.run(insert);
        }
    }

    // Empty codes and numbers stay null, as after an import.
    static QVariant headerValue(const Header& h, size_t c)
    {
        if ((static_cast<int>(c) == kCode || static_cast<int>(c) == kNumber) && h[c].isEmpty())
            return QVariant(QMetaType::fromType<QString>());
        return h[c];
    }
    // The line number is a number in the store.
    static QVariant lineValue(const Line& l, size_t c)
    {
        if (static_cast<int>(c) != kLineNumber)
            return l[c];
        bool ok = false;
        const qlonglong n = l[c].trimmed().toLongLong(&ok);
        return ok ? QVariant(n) : QVariant(QMetaType::fromType<qlonglong>());
    }

    // What the store holds of the documents moved, against what was read: a row lost or a value
    // changed on the way shows here.
    bool check(LocalStore& store, const Totals& expected, QString* reason)
    {
        QSet<QString> movedIds;
        for (const Header& h : headers)
            if (!alreadyThere.contains(h[kId]))
                movedIds.insert(h[kId]);
        Totals found;
        bool issuedAsRead = true;
        QString differing;
        store.selectEach(
            {QStringLiteral("select FCustOrderId, FOK, FInvCode, FInvNumber, FNoTaxSum from invoiceMaster"), {}, {}},
            [](const QStringList&) {},
            [&](std::vector<QString>& row) {
                if (!movedIds.contains(row[0]))
                    return;
                ++found.documents;
                found.noTaxSum.add(row[4]);
                const auto it = expected.issued.constFind(row[0]);
                if (it != expected.issued.constEnd() &&
                    (!isIssued(row[1]) || row[2] != it->first || row[3] != it->second)) {
                    issuedAsRead = false;
                    differing = row[0];
                }
                if (it == expected.issued.constEnd() && isIssued(row[1])) {
                    issuedAsRead = false;
                    differing = row[0];
                }
            });
        store.selectEach(
            {QStringLiteral("select FCustOrderId, FSum from invoiceDetail"), {}, {}}, [](const QStringList&) {},
            [&](std::vector<QString>& row) {
                if (!movedLineIds.contains(row[0]))
                    return;
                ++found.lines;
                found.sum.add(row[1]);
            });
        const QList<std::array<QString, 3>> compared = {
            {MoveTexts::DocumentRows, QString::number(expected.documents), QString::number(found.documents)},
            {MoveTexts::LineRows, QString::number(expected.lines), QString::number(found.lines)},
            {MoveTexts::NoTaxSumTotal, expected.noTaxSum.text(), found.noTaxSum.text()},
            {MoveTexts::SumTotal, expected.sum.text(), found.sum.text()},
        };
        for (const auto& [what, read, stored] : compared) {
            if (read != stored) {
                *reason = MoveTexts::Mismatch.arg(what, read, stored);
                return false;
            }
        }
        if (!issuedAsRead) {
            *reason = MoveTexts::IssuedMismatch.arg(differing);
            return false;
        }
        return true;
    }

    QSet<QString> alreadyThere; // numbers the store held before: counted, not moved
    QSet<QString> movedLineIds; // numbers whose lines are moved (a line without its header too)
};

StoreMove::StoreMove(const AppSettings& settings, QString accessFile, Prompter& prompter, const Clock& clock)
    : d(std::make_unique<Data>(settings, std::move(accessFile), prompter, clock))
{
    d->summary.source = d->accessFile;
    d->summary.target = d->settings.StoreUrl.isEmpty() ? d->targetLocation() : shownStoreLocation(d->settings.StoreUrl);
    if (d->replacesFile())
        d->summary.target += MoveTexts::NewStoreNote;
}

StoreMove::~StoreMove() = default;

const StoreMoveSummary& StoreMove::summary() const
{
    return d->summary;
}

bool StoreMove::read(QString* reason)
{
    StoreMoveSummary& s = d->summary;
    const std::unique_ptr<IssuingEngine> engine = makeAccessEngine(d->accessFile, kOldStorePassword);
    QString why;
    if (!engine->open(&why)) {
        *reason = StoreTexts::ConnectionError + why;
        return false;
    }
    try {
        const QStringList tables = engine->tableNames();
        for (const QString& table : {QStringLiteral("invoiceMaster"), QStringLiteral("invoiceDetail")}) {
            if (!tables.contains(table, Qt::CaseInsensitive)) {
                *reason = MoveTexts::MissingTable.arg(d->accessFile, table);
                return false;
            }
        }
        std::vector<Header> headers;
        if (!d->readTable(*engine, QStringLiteral("invoiceMaster"), headerFields(), &headers, reason) ||
            !d->readTable(*engine, QStringLiteral("invoiceDetail"), lineFields(), &d->lines, reason))
            return false;
        DecimalSum noTaxSum, sum;
        // One header per number: the store keeps one; where the file has two, an issued one wins,
        // so that the document is never offered again.
        QHash<QString, size_t> seen;
        for (Header& h : headers) {
            noTaxSum.add(h[kNoTaxSum]);
            const auto it = seen.constFind(h[kId]);
            if (it == seen.constEnd()) {
                seen.insert(h[kId], d->headers.size());
                d->headers.push_back(std::move(h));
                continue;
            }
            ++s.duplicates;
            Header& kept = d->headers[*it];
            if (!isIssued(kept[kState]) && isIssued(h[kState]))
                kept = std::move(h);
        }
        for (const Line& l : d->lines)
            sum.add(l[kSum]);
        s.documents = static_cast<int>(headers.size());
        s.lines = static_cast<int>(d->lines.size());
        s.issued = 0;
        for (const Header& h : d->headers)
            s.issued += isIssued(h[kState]) ? 1 : 0;
        s.noTaxSum = noTaxSum.text();
        s.sum = sum.text();
    } catch (const Failure& failure) {
        *reason = StoreTexts::ConnectionError + failure.message();
        return false;
    }
    s.keptAs = keptName(d->accessFile, d->clock.now().date());
    d->read = true;
    return true;
}

bool StoreMove::move(QString* reason)
{
    if (!d->read && !read(reason))
        return false;
    StoreMoveSummary& s = d->summary;
    s.alreadyThere = 0;
    s.markedIssued = 0;
    const bool replacing = d->replacesFile();
    const QString storeFile = nativePath(d->settings.LocalStorePath);
    QByteArray head;
    QString why;
    if (d->settings.StoreUrl.isEmpty() && !replacing && readDatabaseHead(storeFile, &head, &why) &&
        databaseFileKind(head) == DatabaseFileKind::Access) {
        *reason = MoveTexts::Failed.arg(MoveTexts::StoreIsAccess.arg(storeFile));
        return false;
    }
    if (replacing && QFileInfo::exists(d->accessFile + QStringLiteral("-wal"))) {
        *reason =
            MoveTexts::Failed.arg(MoveTexts::LeftoverLog.arg(d->accessFile, d->accessFile + QStringLiteral("-wal")));
        return false;
    }

    // A new store is made in a scratch folder and put in place whole; an existing store (a file or
    // the shared server) takes the documents in one transaction.
    QTemporaryDir scratch;
    const QString newStore = scratch.filePath(QStringLiteral("SysData.mdb"));
    if (replacing && !scratch.isValid()) {
        *reason = MoveTexts::Failed.arg(scratch.errorString());
        return false;
    }
    try {
        LocalStore store(replacing ? QDir::toNativeSeparators(newStore) : d->targetLocation(), d->prompter);
        store.beginTransaction();
        try {
            const Totals expected = d->write(store);
            if (!d->check(store, expected, &why)) {
                store.rollbackTo(0);
                *reason = MoveTexts::Failed.arg(why);
                return false;
            }
            store.commit();
        } catch (...) {
            store.rollbackTo(0);
            throw;
        }
    } catch (const Failure& failure) {
        *reason = MoveTexts::Failed.arg(failure.message());
        return false;
    }

    s.keptAs = keptName(d->accessFile, d->clock.now().date());
    if (replacing) {
        // The old file is copied under its new name and the copy compared before the store's name
        // passes to the new file in one rename: at every moment SysData.mdb is one whole store.
        if (QFileInfo::exists(newStore + QStringLiteral("-wal")) &&
            QFileInfo(newStore + QStringLiteral("-wal")).size() > 0) {
            *reason = MoveTexts::Failed.arg(MoveTexts::LeftoverLog.arg(newStore, newStore + QStringLiteral("-wal")));
            return false;
        }
        QFile original(d->accessFile);
        if (!original.copy(s.keptAs)) {
            *reason =
                MoveTexts::Failed.arg(MoveTexts::BackupFailed.arg(d->accessFile, s.keptAs, original.errorString()));
            return false;
        }
        const QByteArray hash = fileHash(d->accessFile);
        if (hash.isEmpty() || hash != fileHash(s.keptAs)) {
            QFile::remove(s.keptAs);
            *reason = MoveTexts::Failed.arg(MoveTexts::BackupFailed.arg(d->accessFile, s.keptAs, QString()));
            return false;
        }
        QFile kept(s.keptAs);
        if (kept.open(QIODevice::ReadWrite)) {
            kept.setFileTime(QFileInfo(d->accessFile).lastModified(), QFileDevice::FileModificationTime);
            kept.close();
        }
        QFile made(newStore);
        QSaveFile out(d->accessFile);
        bool written = made.open(QIODevice::ReadOnly) && out.open(QIODevice::WriteOnly);
        while (written && !made.atEnd()) {
            const QByteArray chunk = made.read(1 << 20);
            written = !chunk.isEmpty() && out.write(chunk) == chunk.size();
        }
        if (!written || !out.commit()) {
            const QString error = out.errorString().isEmpty() ? made.errorString() : out.errorString();
            out.cancelWriting();
            QFile::remove(s.keptAs);
            *reason = MoveTexts::Failed.arg(MoveTexts::ReplaceFailed.arg(d->accessFile, error));
            return false;
        }
    } else if (!QFile::rename(d->accessFile, s.keptAs)) {
        *reason = MoveTexts::RenameFailed.arg(d->accessFile, s.keptAs);
        return false;
    }

    QString log = MoveTexts::Log.arg(s.source, QString::number(s.documents - s.duplicates), QString::number(s.issued),
                                     QString::number(s.lines), s.target, s.keptAs, QString::number(s.alreadyThere),
                                     QString::number(s.markedIssued), QString::number(s.duplicates));
    if (!s.ignoredColumns.isEmpty())
        log +=
            MoveTexts::LogIgnoredColumns.arg(s.ignoredColumns.size()).arg(s.ignoredColumns.join(QStringLiteral(", ")));
    try {
        AppendLog(d->settings.logPath(), log, d->clock);
    } catch (const Failure&) {
        // The documents are moved and checked; a log that cannot be written takes nothing back.
    }
    return true;
}

QString accessStoreOf(const AppSettings& settings)
{
    const QString file = nativePath(settings.LocalStorePath);
    QByteArray head;
    QString reason;
    if (!readDatabaseHead(file, &head, &reason) || databaseFileKind(head) != DatabaseFileKind::Access)
        return {};
    return file;
}

QString storeMoveQuestion(const StoreMoveSummary& s)
{
    return MoveTexts::Question.arg(s.source)
        .arg(s.documents - s.duplicates)
        .arg(s.issued)
        .arg(s.lines)
        .arg(s.target, s.keptAs);
}

QString storeMoveDone(const StoreMoveSummary& s)
{
    const int moved = s.documents - s.duplicates - s.alreadyThere;
    QString text = MoveTexts::Done.arg(moved).arg(s.issued).arg(s.lines).arg(s.target, s.keptAs);
    if (s.alreadyThere > 0) {
        text += QLatin1Char('\n') + MoveTexts::DoneAlreadyThere.arg(s.alreadyThere);
        if (s.markedIssued > 0)
            text += MoveTexts::DoneMarkedIssued.arg(s.markedIssued);
    }
    return text;
}

QString storeMoveCounts(const StoreMoveSummary& s)
{
    QString text = QStringLiteral("source: %1\ntarget: %2\ninvoiceMaster rows: %3\ndocuments: %4\nissued: %5\n"
                                  "invoiceDetail rows: %6\nFNoTaxSum total: %7\nFSum total: %8\n")
                       .arg(s.source, s.target)
                       .arg(s.documents)
                       .arg(s.documents - s.duplicates)
                       .arg(s.issued)
                       .arg(s.lines)
                       .arg(s.noTaxSum, s.sum);
    if (!s.ignoredColumns.isEmpty())
        text += QStringLiteral("ignored columns: %1\n").arg(s.ignoredColumns.join(QStringLiteral(", ")));
    return text;
}

bool offerStoreMove(const AppSettings& settings, Prompter& prompter, const Clock& clock)
{
    const QString file = accessStoreOf(settings);
    if (file.isEmpty())
        return true;
    StoreMove move(settings, file, prompter, clock);
    QString reason;
    if (!move.read(&reason)) {
        ShowMessageBox(prompter, BoxOwner::MainWindow, reason, MessageBoxKind::Error);
        return false;
    }
    const QString question = storeMoveQuestion(move.summary());
    // No: the store's own message then says that it cannot be used until its documents are moved.
    if (ShowMessageBox(prompter, BoxOwner::MainWindow, question, MessageBoxKind::YesNo) != ButtonCode::Yes)
        return false;
    if (!move.move(&reason)) {
        ShowMessageBox(prompter, BoxOwner::MainWindow, reason, MessageBoxKind::Error);
        return false;
    }
    ShowMessageBox(prompter, BoxOwner::MainWindow, storeMoveDone(move.summary()), MessageBoxKind::Info);
    return true;
}

} // namespace corvina
