#include "StandinDatabase.h"
#include "Texts.h"

#include <QAtomicInt>
#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

namespace corvina::standin {

namespace {
QAtomicInt connectionCounter;
}

StandinDatabase::StandinDatabase(const QString& folder)
    : m_path(databasePath(folder)), m_name(QStringLiteral("standin-%1").arg(connectionCounter.fetchAndAddRelaxed(1)))
{
}

StandinDatabase::~StandinDatabase()
{
    if (m_db.isValid()) {
        m_db.close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_name);
    }
}

QString StandinDatabase::databasePath(const QString& folder)
{
    return QDir(folder).filePath(QStringLiteral("Data/DB_KP.mdb"));
}

QString StandinDatabase::configPath(const QString& folder, const QString& name)
{
    return QDir(folder).filePath(QStringLiteral("Config/") + name);
}

QString StandinDatabase::logPath(const QString& folder)
{
    return QDir(folder).filePath(QStringLiteral("standin.log"));
}

const QStringList& StandinDatabase::recordHeaderElements()
{
    static const QStringList names = {
        QStringLiteral("HYFLDM"),  QStringLiteral("HY"),      QStringLiteral("KPZLID"),  QStringLiteral("KPZLMC"),
        QStringLiteral("FPDM"),    QStringLiteral("FPHM"),    QStringLiteral("SKRMC"),   QStringLiteral("SKRSH"),
        QStringLiteral("FKRMC"),   QStringLiteral("JE"),      QStringLiteral("SKM"),     QStringLiteral("KPRXM"),
        QStringLiteral("KPRQ"),    QStringLiteral("FPXE"),    QStringLiteral("HTBH"),    QStringLiteral("YFPDM"),
        QStringLiteral("YFPHM"),   QStringLiteral("TWBPBZ"),  QStringLiteral("KPLXID"),  QStringLiteral("FHTZSBH"),
        QStringLiteral("CKTZSBH"), QStringLiteral("CKXH"),    QStringLiteral("KJBH"),    QStringLiteral("HXDH"),
        QStringLiteral("GSZCH"),   QStringLiteral("KHYH_ZH"), QStringLiteral("KHYH_EN"), QStringLiteral("SWIFTCODE"),
        QStringLiteral("YHZH"),    QStringLiteral("ZCDZ_ZH"), QStringLiteral("ZCDZ_EN"), QStringLiteral("TEL"),
        QStringLiteral("FAX"),     QStringLiteral("BZ1"),     QStringLiteral("BZ2"),     QStringLiteral("BZ3"),
        QStringLiteral("BZ4"),     QStringLiteral("BZ5"),
    };
    return names;
}

bool StandinDatabase::open(bool create, QString& error)
{
    if (!create && !QFileInfo::exists(m_path)) {
        error = StandinTexts::DatabaseMissing + QDir::toNativeSeparators(m_path);
        return false;
    }
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
    m_db.setDatabaseName(m_path);
    m_db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    if (!m_db.open()) {
        error = StandinTexts::DatabaseNotOpened + m_db.lastError().text();
        return false;
    }
    return true;
}

bool StandinDatabase::exec(const QString& text, const QVariantList& values, QString& error, int* changed)
{
    QSqlQuery query(m_db);
    if (!query.prepare(text)) {
        error = query.lastError().text();
        return false;
    }
    for (const QVariant& value : values)
        query.addBindValue(value);
    if (!query.exec()) {
        error = query.lastError().text();
        return false;
    }
    if (changed)
        *changed = query.numRowsAffected();
    return true;
}

} // namespace corvina::standin
