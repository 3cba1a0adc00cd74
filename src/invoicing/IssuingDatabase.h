#pragma once

#include "invoicing/IssuingRead.h"
#include "store/DatabaseFile.h"
#include "store/Rows.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

namespace corvina {

class IssuingEngine;
class Prompter;

// The invoicing program's database DB_KP.mdb, only ever read. The engine is chosen by the file's
// first bytes on every open: SQLite through Qt Sql, an Access (Jet 3, Jet 4, ACE) file through
// the build's Access backend. One instance per thread.
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
    // message); otherwise the rows. A read the database rejects (no such table or column, a
    // damaged page) throws Failure.
    std::optional<Rows> select(const IssuingRead& read);

    // The file's own tables, and one whole table: for diagnostics and for checking a file.
    // nullopt as select() gives it; Failure as select() throws it.
    std::optional<QStringList> tableNames();
    std::optional<Rows> table(const QString& name);

    QString path() const;

private:
    bool openEngine(QString* reason);
    bool ready();

    QString m_path;
    Prompter& m_prompter;
    DatabaseFileHold m_hold; // while the engine has the file open (released after it closes)
    std::unique_ptr<IssuingEngine> m_engine;
};

} // namespace corvina
