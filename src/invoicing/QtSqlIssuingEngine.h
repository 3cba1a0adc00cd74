#pragma once

#include "invoicing/IssuingEngine.h"
#include "store/SqlStatement.h"

#include <QSqlDatabase>
#include <functional>

namespace corvina {

// The invoicing program's database through a Qt Sql driver: SQLite files, and Access files where
// the system has an Access ODBC driver. One named connection, owned by the thread that opens it.
class QtSqlIssuingEngine : public IssuingEngine {
public:
    struct Settings {
        QString driver;         // "QSQLITE", "QODBC"
        QString databaseName;   // the file, or an ODBC connection string
        QString connectOptions; // read only, timeouts
        // The reason shown after "连接错误:", from the driver's own message.
        std::function<QString(const QString& why)> describeFailure;
        // The reason when Qt has no such driver.
        QString missingDriver;
        // A statement run right after opening, for drivers that open any file and fail only on
        // its first read: its failure is the open's.
        QString probe;
    };

    explicit QtSqlIssuingEngine(Settings settings);
    ~QtSqlIssuingEngine() override;

    bool open(QString* reason) override;
    bool isOpen() const override;
    void close() override;
    Rows read(const IssuingRead& read) override;
    QStringList tableNames() override;
    Rows table(const QString& name) override;

    // The statement a read runs as: "select A,B from T where C=?" with the value bound.
    static SqlStatement statementOf(const IssuingRead& read);

private:
    Rows run(const SqlStatement& statement);
    QSqlDatabase database() const;

    Settings m_settings;
    QString m_name;
};

} // namespace corvina
