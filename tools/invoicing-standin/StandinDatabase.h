#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

namespace corvina::standin {

// The stand-in's own database Data/DB_KP.mdb (SQLite) below its folder, on a connection of its
// own that is removed again when this object goes.
class StandinDatabase {
public:
    explicit StandinDatabase(const QString& folder);
    ~StandinDatabase();
    StandinDatabase(const StandinDatabase&) = delete;
    StandinDatabase& operator=(const StandinDatabase&) = delete;

    static QString databasePath(const QString& folder);
    static QString configPath(const QString& folder, const QString& name);
    static QString logPath(const QString& folder);
    // The record file's header elements that an issued invoice keeps, in file order; each is a
    // column of table `issued`.
    static const QStringList& recordHeaderElements();

    // Opens the file (creating it when `create` is set); false with `error` set otherwise.
    bool open(bool create, QString& error);
    QSqlDatabase& db() { return m_db; }

    // Runs one statement with bound values; false with `error` set.
    bool exec(const QString& text, const QVariantList& values, QString& error, int* changed = nullptr);

private:
    QString m_path;
    QString m_name;
    QSqlDatabase m_db;
};

} // namespace corvina::standin
