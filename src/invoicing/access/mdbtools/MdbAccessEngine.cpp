#include "invoicing/AccessEngine.h"

#include "app/Failure.h"
#include "store/Texts.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <atomic>
#include <cmath>
#include <cstring>
#include <locale.h>
#include <memory>
#include <string>
#include <vector>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

// Where the library is built with GLib (Debian's), GLib's header comes first: the library's header
// includes it inside extern "C", where its C++ parts cannot be. The Windows build uses the
// library's own small stand-in, which its header brings.
#if __has_include(<glib.h>)
#include <glib.h>
#endif
#include <mdbtools.h>

namespace corvina {

namespace {

std::atomic<int> g_readAttempts{4};
std::atomic<int> g_firstPauseMs{100};

// The library writes numbers with printf, which follows LC_NUMERIC, and a GUI sets the user's
// locale (a decimal comma in some). Reads run under the C locale on this thread only.
#ifdef _WIN32
class CLocaleScope {
public:
    CLocaleScope() : m_mode(_configthreadlocale(_ENABLE_PER_THREAD_LOCALE))
    {
        const char* name = setlocale(LC_NUMERIC, nullptr);
        m_previous = name ? name : "C";
        setlocale(LC_NUMERIC, "C");
    }
    ~CLocaleScope()
    {
        setlocale(LC_NUMERIC, m_previous.c_str());
        if (m_mode != -1)
            _configthreadlocale(m_mode);
    }
    CLocaleScope(const CLocaleScope&) = delete;
    CLocaleScope& operator=(const CLocaleScope&) = delete;

private:
    int m_mode;
    std::string m_previous;
};

// The library opens files by a narrow name, which Windows reads in the system's code page. A name
// with characters outside it is given by its short (8.3) form, which has none.
QByteArray libraryFileName(const QString& path)
{
    const QByteArray local = path.toLocal8Bit();
    if (QString::fromLocal8Bit(local) == path)
        return local;
    std::wstring wide = path.toStdWString();
    std::wstring shortName(MAX_PATH, L'\0');
    const DWORD length = GetShortPathNameW(wide.c_str(), shortName.data(), static_cast<DWORD>(shortName.size()));
    if (length == 0 || length >= shortName.size())
        return local;
    return QString::fromWCharArray(shortName.data(), static_cast<qsizetype>(length)).toLocal8Bit();
}
#else
class CLocaleScope {
public:
    CLocaleScope() : m_c(newlocale(LC_ALL_MASK, "C", locale_t(nullptr))), m_previous(m_c ? uselocale(m_c) : nullptr) {}
    ~CLocaleScope()
    {
        if (m_c) {
            uselocale(m_previous);
            freelocale(m_c);
        }
    }
    CLocaleScope(const CLocaleScope&) = delete;
    CLocaleScope& operator=(const CLocaleScope&) = delete;

private:
    locale_t m_c;
    locale_t m_previous;
};

QByteArray libraryFileName(const QString& path)
{
    return QFile::encodeName(path);
}
#endif

// The invoicing program may be writing the file while it is read: a read that finds it unreadable
// is tried again after a pause that doubles, a bounded number of times, before it is reported.
void pauseBeforeAttempt(int attempt)
{
    QThread::msleep(static_cast<unsigned long>(g_firstPauseMs.load()) << std::min(attempt - 1, 4));
}

struct TableDeleter {
    void operator()(MdbTableDef* table) const { mdb_free_tabledef(table); }
};
using TablePtr = std::unique_ptr<MdbTableDef, TableDeleter>;

// A table definition with its columns, or null when the file's bytes do not give one that can be
// scanned. A usage map stored as an empty row reaches us as no map, which the library's row reader
// would follow into address zero.
// Whether every page the table's usage map names lies within the file's `pages`: the library
// takes a page it cannot read for the table's end, so a file cut short would read as a table with
// fewer rows (or a catalogue with fewer tables) instead of a damaged one.
bool pagesInFile(MdbTableDef* table, qint64 pages)
{
    MdbHandle* mdb = table->entry->mdb;
    for (gint32 page = 0;;) {
        page =
            mdb_map_find_next(mdb, table->usage_map, static_cast<unsigned>(table->map_sz), static_cast<guint32>(page));
        if (page == 0)
            return true;
        if (page < 0 || page >= pages)
            return false;
    }
}

TablePtr readTable(MdbCatalogEntry* entry, qint64 pages)
{
    TablePtr table(mdb_read_table(entry));
    if (!table || !table->usage_map || table->map_sz == 0 || !mdb_read_columns(table.get()) ||
        !pagesInFile(table.get(), pages))
        return nullptr;
    mdb_rewind_table(table.get());
    return table;
}

// A date-time cell as days since 1899-12-30 with the time of day as the fraction (also for days
// before that date), written as the other engines write date-times.
QString dateTimeText(double value)
{
    // Outside 100-01-01 .. 9999-12-31 the value is not a date Access writes.
    if (!std::isfinite(value) || value < -657434.0 || value >= 2958466.0)
        return QString::number(value, 'g', 17);
    const double days = std::trunc(value);
    qint64 seconds = std::llround(std::fabs(value - days) * 86400.0);
    QDate date = QDate(1899, 12, 30).addDays(static_cast<qint64>(days));
    if (seconds >= 86400) {
        seconds -= 86400;
        date = date.addDays(1);
    }
    return date.toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(" %1:%2:%3")
                                                             .arg(seconds / 3600, 2, 10, QLatin1Char('0'))
                                                             .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
                                                             .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QString hexText(const void* bytes, size_t size)
{
    return QString::fromLatin1(
        QByteArray::fromRawData(static_cast<const char*>(bytes), static_cast<qsizetype>(size)).toHex().toUpper());
}

MdbColumn* columnAt(MdbTableDef* table, unsigned index)
{
    return static_cast<MdbColumn*>(g_ptr_array_index(table->columns, index));
}

// A Jet/ACE file read with the MDB Tools library: no SQL, no driver; each read scans its table and
// filters in this code. The file is opened read only and never written.
class MdbAccessEngine final : public IssuingEngine {
public:
    explicit MdbAccessEngine(QString path) : m_path(std::move(path)) {}
    ~MdbAccessEngine() override { close(); }

    bool open(QString* reason) override
    {
        for (int attempt = 1;; ++attempt) {
            if (openOnce(reason))
                return true;
            if (attempt >= g_readAttempts.load())
                return false;
            pauseBeforeAttempt(attempt);
        }
    }

    bool isOpen() const override { return m_mdb != nullptr; }

    void close() override
    {
        m_tables.clear();
        if (m_mdb)
            mdb_close(m_mdb);
        m_mdb = nullptr;
    }

    Rows read(const IssuingRead& read) override
    {
        CLocaleScope locale;
        TablePtr table = openTable(read.table);
        std::vector<unsigned> wanted;
        for (const QString& column : read.columns)
            wanted.push_back(columnIndex(table.get(), read.table, column));
        const bool filtered = !read.whereColumn.isEmpty();
        const unsigned where = filtered ? columnIndex(table.get(), read.table, read.whereColumn) : 0;

        Rows rows(read.columns);
        scan(table.get(), filtered ? appended(wanted, where) : wanted, [&](const std::vector<QString>& values) {
            if (filtered && !matches(values.back(), read.equals))
                return;
            for (size_t i = 0; i < wanted.size(); ++i)
                rows.appendValue(values[i]);
        });
        return rows;
    }

    QStringList tableNames() override
    {
        QStringList names;
        for (const auto& entry : m_tables)
            names << QString::fromUtf8(entry->object_name);
        return names;
    }

    Rows table(const QString& name) override
    {
        CLocaleScope locale;
        TablePtr table = openTable(name);
        QStringList names;
        std::vector<unsigned> all;
        for (unsigned i = 0; i < table->num_cols; ++i) {
            names << QString::fromUtf8(columnAt(table.get(), i)->name);
            all.push_back(i);
        }
        Rows rows(names);
        scan(table.get(), all, [&](const std::vector<QString>& values) {
            for (const QString& v : values)
                rows.appendValue(v);
        });
        return rows;
    }

    QList<CellKind> columnKinds(const QString& name) override
    {
        CLocaleScope locale;
        TablePtr table = openTable(name);
        QList<CellKind> kinds;
        for (unsigned i = 0; i < table->num_cols; ++i)
            kinds << cellKind(columnAt(table.get(), i)->col_type);
        return kinds;
    }

private:
    static constexpr size_t kBindSize = 200000;

    static CellKind cellKind(int type)
    {
        switch (type) {
        case MDB_TEXT:
        case MDB_MEMO:
            return CellKind::Text;
        case MDB_BYTE:
        case MDB_INT:
        case MDB_LONGINT:
            return CellKind::Integer;
        case MDB_FLOAT:
        case MDB_DOUBLE:
        case MDB_NUMERIC:
            return CellKind::Decimal;
        case MDB_MONEY:
            return CellKind::Money;
        case MDB_DATETIME:
            return CellKind::DateTime;
        case MDB_BOOL:
            return CellKind::Boolean;
        default:
            return CellKind::Other;
        }
    }

    // Read only, with the C runtime's default sharing: the invoicing program, which has the file
    // open, can go on reading and writing it; no lock file is made.
    bool openOnce(QString* reason)
    {
        if (m_mdb)
            return true;
        CLocaleScope locale;
        const QByteArray name = libraryFileName(m_path);
        MdbHandle* mdb = mdb_open(name.constData(), MDB_NOFLAGS);
        if (!mdb) {
            *reason = StoreTexts::AccessUnrecognised.arg(m_path);
            return false;
        }
        // Long texts are read whole, as the library's own export reads them.
        mdb_set_bind_size(mdb, kBindSize);
        m_pages = mdb->fmt->pg_size > 0 ? QFileInfo(m_path).size() / mdb->fmt->pg_size : 0;
        // A file whose catalogue cannot be read is damaged, or encrypted beyond the database
        // password (whose pages the library reads without it).
        if (!readCatalogue(mdb)) {
            mdb_close(mdb);
            *reason = StoreTexts::AccessNoCatalog.arg(m_path);
            return false;
        }
        m_mdb = mdb;
        return true;
    }

    // The file's own tables, from the rows of its system table MSysObjects (at page 2). The
    // library's catalogue reader also parses every object's properties, and loops without end on
    // a damaged property block; tables are read without them.
    bool readCatalogue(MdbHandle* mdb)
    {
        MdbCatalogEntry objects{};
        objects.mdb = mdb;
        objects.object_type = MDB_TABLE;
        objects.table_pg = 2;
        std::strcpy(objects.object_name, "MSysObjects");
        TablePtr table = readTable(&objects, m_pages);
        if (!table)
            return false;
        unsigned id = 0, name = 0, type = 0, flags = 0;
        try {
            id = columnIndex(table.get(), QString(), QStringLiteral("Id"));
            name = columnIndex(table.get(), QString(), QStringLiteral("Name"));
            type = columnIndex(table.get(), QString(), QStringLiteral("Type"));
            flags = columnIndex(table.get(), QString(), QStringLiteral("Flags"));
        } catch (const Failure&) {
            return false;
        }
        std::vector<std::unique_ptr<MdbCatalogEntry>> tables;
        scan(table.get(), {id, name, type, flags}, [&](const std::vector<QString>& values) {
            auto entry = std::make_unique<MdbCatalogEntry>();
            entry->mdb = mdb;
            entry->object_type = values[2].toInt();
            entry->table_pg = values[0].toULong() & 0x00ffffff;
            entry->flags = static_cast<int>(values[3].toLongLong());
            const QByteArray utf8 = values[1].toUtf8();
            if (entry->object_type != MDB_TABLE || utf8.isEmpty() || utf8.size() > MDB_MAX_OBJ_NAME ||
                !mdb_is_user_table(entry.get()))
                return;
            std::memcpy(entry->object_name, utf8.constData(), static_cast<size_t>(utf8.size()));
            tables.push_back(std::move(entry));
        });
        m_tables = std::move(tables);
        return true;
    }

    // Access matches table and column names without regard to case.
    MdbCatalogEntry* findTable(const QString& name) const
    {
        for (const auto& entry : m_tables)
            if (QString::fromUtf8(entry->object_name).compare(name, Qt::CaseInsensitive) == 0)
                return entry.get();
        return nullptr;
    }

    // An unreadable table is read again from a fresh handle (the catalogue too may have moved).
    TablePtr openTable(const QString& name)
    {
        for (int attempt = 1;; ++attempt) {
            if (!m_mdb)
                throw Failure(StoreTexts::AccessNoCatalog.arg(m_path));
            MdbCatalogEntry* entry = findTable(name);
            if (!entry)
                throw Failure(StoreTexts::NoSuchTable.arg(name));
            if (TablePtr table = readTable(entry, m_pages))
                return table;
            if (attempt >= g_readAttempts.load())
                throw Failure(StoreTexts::TableUnreadable.arg(name));
            pauseBeforeAttempt(attempt);
            close();
            QString reason;
            if (!openOnce(&reason))
                throw Failure(reason);
        }
    }

    static unsigned columnIndex(MdbTableDef* table, const QString& tableName, const QString& column)
    {
        for (unsigned i = 0; i < table->num_cols; ++i)
            if (QString::fromUtf8(columnAt(table, i)->name).compare(column, Qt::CaseInsensitive) == 0)
                return i;
        throw Failure(StoreTexts::NoSuchColumn.arg(tableName, column));
    }

    static std::vector<unsigned> appended(std::vector<unsigned> columns, unsigned extra)
    {
        columns.push_back(extra);
        return columns;
    }

    // A number compares as a number, a text as Access compares texts: without regard to case.
    static bool matches(const QString& cell, const QVariant& value)
    {
        switch (value.typeId()) {
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::UInt:
        case QMetaType::ULongLong:
        case QMetaType::Double: {
            bool isNumber = false;
            const double number = cell.toDouble(&isNumber);
            return isNumber && number == value.toDouble();
        }
        default:
            return cell.compare(value.toString(), Qt::CaseInsensitive) == 0;
        }
    }

    // Visits every row with the texts of `columns` (positions in the table), in file order.
    template <typename Visit> static void scan(MdbTableDef* table, const std::vector<unsigned>& columns, Visit visit)
    {
        // One buffer per distinct column; the library writes each fetched value into it.
        std::vector<std::vector<char>> buffers(table->num_cols);
        std::vector<int> lengths(table->num_cols, 0);
        for (unsigned c : columns) {
            if (!buffers[c].empty())
                continue;
            buffers[c].resize(kBindSize);
            mdb_bind_column(table, static_cast<int>(c) + 1, buffers[c].data(), &lengths[c]);
        }
        std::vector<QString> values(columns.size());
        while (mdb_fetch_row(table)) {
            for (size_t i = 0; i < columns.size(); ++i)
                values[i] = cellText(table, columns[i], buffers[columns[i]], lengths[columns[i]]);
            visit(values);
        }
    }

    // One value as the library's export writes it: texts in UTF-8, numbers in the C locale,
    // binary and OLE bytes as hex. Date-times and bytes are taken from the row itself, whatever the
    // library made of them: its date text loses years outside 1900..2099, and is empty on Windows
    // for years its C runtime cannot format.
    static QString cellText(MdbTableDef* table, unsigned index, std::vector<char>& buffer, int length)
    {
        MdbHandle* mdb = table->entry->mdb;
        MdbColumn* column = columnAt(table, index);
        switch (column->col_type) {
        case MDB_DATETIME:
            if (column->cur_value_len == 8 && column->cur_value_start >= 0 &&
                column->cur_value_start + 8 <= static_cast<int>(sizeof mdb->pg_buf))
                return dateTimeText(mdb_get_double(mdb->pg_buf, column->cur_value_start));
            break;
        case MDB_BINARY:
            if (column->cur_value_start >= 0 && column->cur_value_len > 0 &&
                column->cur_value_start + column->cur_value_len <= static_cast<int>(sizeof mdb->pg_buf))
                return hexText(mdb->pg_buf + column->cur_value_start, static_cast<size_t>(column->cur_value_len));
            break;
        case MDB_OLE: {
            if (length <= 0)
                return QString();
            size_t size = 0;
            void* bytes = mdb_ole_read_full(mdb, column, &size);
            const QString text = bytes ? hexText(bytes, size) : QString();
            g_free(bytes);
            return text;
        }
        default:
            break;
        }
        if (length <= 0)
            return QString(); // null, or an empty text
        return QString::fromUtf8(buffer.data(), std::min<qsizetype>(length, static_cast<qsizetype>(buffer.size())));
    }

    QString m_path;
    MdbHandle* m_mdb = nullptr;
    qint64 m_pages = 0;                                     // the file's whole pages when it was opened
    std::vector<std::unique_ptr<MdbCatalogEntry>> m_tables; // the tables' definitions point here
};

} // namespace

void setAccessReadAttempts(int attempts, int firstPauseMs)
{
    g_readAttempts = std::max(1, attempts);
    g_firstPauseMs = std::max(0, firstPauseMs);
}

std::unique_ptr<IssuingEngine> makeAccessEngine(const QString& nativePath, const QString& /*password*/)
{
    // The library reads the pages of a file with a database password without being told it: the
    // password only guards opening the file in Access itself.
    return std::make_unique<MdbAccessEngine>(nativePath);
}

} // namespace corvina
