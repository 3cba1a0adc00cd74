#pragma once

#include "store/Rows.h"
#include "store/SqlStatement.h"

#include <QHash>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <functional>
#include <vector>

namespace corvina {

// One named Qt Sql connection to a database file, owned by the thread that made it. The engine
// is chosen by the file's first bytes: SQLite directly, Jet/ACE (Access) through ODBC.
class SqlConnection {
public:
    enum class Engine { None, Sqlite, Access };
    struct Options {
        bool readOnly = false;
        bool createWhenMissing = false; // create an empty SQLite file when none exists
        QString schema;                 // statements (";"-separated) run on every open of SQLite
    };

    SqlConnection(QString nativePath, Options options);
    ~SqlConnection();
    SqlConnection(const SqlConnection&) = delete;
    SqlConnection& operator=(const SqlConnection&) = delete;

    // Opens the file; on failure returns false with a reason a clerk can read.
    bool open(QString* reason);
    bool isOpen() const;
    void close();
    Engine engine() const { return m_engine; }

    // Failures throw Failure carrying the database's own message.
    Rows select(const SqlStatement& statement);
    // Streams a select: `onColumns` once with the column names, then `onRow` with each row's values
    // (null as empty text), which it may move from. Nothing of the result is kept here.
    void selectEach(const SqlStatement& statement, const std::function<void(const QStringList&)>& onColumns,
                    const std::function<void(std::vector<QString>&)>& onRow);
    int exec(const SqlStatement& statement);
    void execText(const QString& text);

    const QString& path() const { return m_path; }

private:
    QString dialect(const QString& text) const;
    QSqlQuery& prepared(const QString& text);
    QString m_path;
    Options m_options;
    QString m_name;
    Engine m_engine = Engine::None;
    // Statements with named values, prepared once per connection: the import runs its two
    // inserts a hundred thousand times.
    QHash<QString, QSqlQuery> m_prepared;
};

// The message of a Qt Sql error, database text first.
QString sqlErrorText(const class QSqlError& error);

} // namespace corvina
