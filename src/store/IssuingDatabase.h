#pragma once

#include "store/Rows.h"
#include "store/SqlStatement.h"

#include <QString>
#include <memory>
#include <optional>

namespace corvina {

class Prompter;
class SqlConnection;

// The invoicing program's database DB_KP.mdb, only ever read. The engine is chosen by the
// file's content: SQLite directly, a Jet (Access) file through ODBC where a driver is installed.
// One instance per thread.
class IssuingDatabase {
public:
    IssuingDatabase(QString path, Prompter& prompter);
    ~IssuingDatabase();
    IssuingDatabase(const IssuingDatabase&) = delete;
    IssuingDatabase& operator=(const IssuingDatabase&) = delete;

    // OpenIssuingDatabase: true when open afterwards; on failure shows "连接错误:" + reason
    // (kind Error, owner the application window). Opening an open database does nothing.
    bool open();
    bool isOpen() const;
    // Closes the connection, so that the next open sees what the invoicing program wrote since.
    void close();
    // Closes and opens again without any message; false with the reason when it cannot be opened.
    bool reopenQuietly(QString* reason = nullptr);

    // SelectIssuing: nullopt when the database is closed and cannot be opened (after open()'s
    // message); otherwise the rows. A statement the database rejects throws Failure.
    std::optional<Rows> select(const SqlStatement& statement);

    QString path() const;

private:
    std::unique_ptr<SqlConnection> m_db;
    Prompter& m_prompter;
};

} // namespace corvina
