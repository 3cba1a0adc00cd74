#pragma once

#include <QString>

namespace corvina {

// The eight texts of section [Merge]; a flag is on when its text is exactly "1".
struct MergeSettings {
    QString HTBH = QStringLiteral("1");
    QString CKTZS = QStringLiteral("1");
    QString KJBH = QStringLiteral("1");
    QString FHTZS = QStringLiteral("1");
    QString CKXH = QStringLiteral("1");
    QString HXDH = QStringLiteral("1");
    QString KPBZ = QStringLiteral("1");
    QString KPBZ_del_XT = QStringLiteral("0");

    static bool on(const QString& flag) { return flag == QLatin1String("1"); }
};

// Written once at start-up, only read afterwards.
struct AppSettings {
    QString AppFolder;               // always ends in exactly one separator
    QString InvoicingSoftwareFolder; // kaippath, unchanged (Windows-style text)
    MergeSettings Merge;
    QString LocalStorePath;
    QString IssuingDatabasePath; // Windows-style text; see nativePath()
    // [store] url: a store shared by several desks on a database server (postgresql://...);
    // empty for the file at LocalStorePath.
    QString StoreUrl;
    // [store] station: the name this desk's invoicing station goes by in the issuing journal, so
    // that stations sharing a store tell their own attempts from the others'; default the
    // computer's name (one invoicing program per computer).
    QString Station;

    // Where the local store is: the shared store when one is named, else the file.
    QString storeLocation() const { return StoreUrl.isEmpty() ? LocalStorePath : StoreUrl; }

    QString settingsFile() const { return AppFolder + QStringLiteral("sysconfig.ini"); }
    QString logPath() const { return AppFolder + QStringLiteral("InputLogFile.log"); }
    // kaippath followed by "\Config\<name>", as the invoicing program's files are named.
    QString configFile(const QString& name) const;

    // Reads kaippath and the Merge keys of AppFolder's sysconfig.ini and derives the paths.
    static AppSettings load(const QString& appFolder);
};

// A shared store named outside sysconfig.ini wins over its [store] url: the command line's value
// when given, else the environment variable CORVINA_STORE.
void applyStoreOverride(AppSettings& settings, const QString& commandLineValue);

inline const QString kDefaultKaippath = QStringLiteral("C:\\eTax@SH WSKP");

// The application folder, ending in a separator: the override when given, else the environment
// variable CORVINA_APP_FOLDER, else the executable's folder; an installed program uses the user's
// data folder instead, seeded on first start (see resolveAppFolder).
QString ExeFolder(const QString& overrideFolder = QString());

// One value of an INI file in GBK (or UTF-8 with a byte-order mark). Sections and keys match
// without regard to case; the value is capped at 2047 characters. Any failure gives the default.
QString ReadSetting(const QString& fileName, const QString& section, const QString& key, const QString& defaultValue);

} // namespace corvina
