#include "app/Settings.h"

#include "app/AppFolder.h"
#include "app/Gbk.h"

#include <QCoreApplication>
#include <QFile>
#include <QStandardPaths>
#include <QSysInfo>

namespace corvina {

namespace {

constexpr int kMaxSettingLength = 2047;

// The platform's INI reader strips one pair of matching quotes around a value.
QString unquote(const QString& v)
{
    if (v.size() >= 2) {
        const QChar first = v.front();
        if ((first == QLatin1Char('"') || first == QLatin1Char('\'')) && v.back() == first)
            return v.mid(1, v.size() - 2);
    }
    return v;
}

} // namespace

QString AppSettings::configFile(const QString& name) const
{
    return InvoicingSoftwareFolder + QStringLiteral("\\Config\\") + name;
}

AppSettings AppSettings::load(const QString& appFolder)
{
    AppSettings s;
    s.AppFolder = appFolder;
    const QString ini = s.settingsFile();
    s.InvoicingSoftwareFolder = ReadSetting(ini, QStringLiteral("sys"), QStringLiteral("kaippath"), kDefaultKaippath);
    MergeSettings& m = s.Merge;
    m.HTBH = ReadSetting(ini, QStringLiteral("Merge"), QStringLiteral("HTBH"), QStringLiteral("1"));
    m.CKTZS = ReadSetting(ini, QStringLiteral("Merge"), QStringLiteral("CKTZS"), QStringLiteral("1"));
    m.KJBH = ReadSetting(ini, QStringLiteral("Merge"), QStringLiteral("KJBH"), QStringLiteral("1"));
    m.FHTZS = ReadSetting(ini, QStringLiteral("Merge"), QStringLiteral("FHTZS"), QStringLiteral("1"));
    m.CKXH = ReadSetting(ini, QStringLiteral("Merge"), QStringLiteral("CKXH"), QStringLiteral("1"));
    m.HXDH = ReadSetting(ini, QStringLiteral("Merge"), QStringLiteral("HXDH"), QStringLiteral("1"));
    m.KPBZ = ReadSetting(ini, QStringLiteral("Merge"), QStringLiteral("KPBZ"), QStringLiteral("1"));
    m.KPBZ_del_XT = ReadSetting(ini, QStringLiteral("Merge"), QStringLiteral("KPBZ_del_XT"), QStringLiteral("0"));
    s.LocalStorePath = s.AppFolder + QStringLiteral("SysData.mdb");
    s.IssuingDatabasePath = s.InvoicingSoftwareFolder + QStringLiteral("\\Data\\DB_KP.mdb");
    s.StoreUrl = ReadSetting(ini, QStringLiteral("store"), QStringLiteral("url"), QString()).trimmed();
    s.Station = ReadSetting(ini, QStringLiteral("store"), QStringLiteral("station"), QString()).trimmed();
    if (s.Station.isEmpty())
        s.Station = QSysInfo::machineHostName();
    return s;
}

void applyStoreOverride(AppSettings& settings, const QString& commandLineValue)
{
    QString value = commandLineValue.trimmed();
    if (value.isEmpty())
        value = qEnvironmentVariable("CORVINA_STORE").trimmed();
    if (!value.isEmpty())
        settings.StoreUrl = value;
}

QString ExeFolder(const QString& overrideFolder)
{
    return resolveAppFolder({overrideFolder, qEnvironmentVariable("CORVINA_APP_FOLDER"),
                             QCoreApplication::applicationDirPath(),
                             [] { return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation); }});
}

QString ReadSetting(const QString& fileName, const QString& section, const QString& key, const QString& defaultValue)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return defaultValue;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return defaultValue;

    static const QByteArray bom("\xEF\xBB\xBF");
    const QString text = bytes.startsWith(bom) ? QString::fromUtf8(bytes.mid(3)) : gbkDecode(bytes);

    bool inSection = false;
    bool sectionSeen = false;
    for (QStringView raw : QStringView(text).split(QLatin1Char('\n'))) {
        const QStringView line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            const qsizetype close = line.indexOf(QLatin1Char(']'));
            const QStringView name = (close < 0 ? line.mid(1) : line.mid(1, close - 1)).trimmed();
            // The first section of that name is the one read.
            if (inSection)
                break;
            inSection = !sectionSeen && name.compare(section, Qt::CaseInsensitive) == 0;
            sectionSeen = sectionSeen || inSection;
            continue;
        }
        if (!inSection)
            continue;
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq < 0)
            continue;
        if (line.left(eq).trimmed().compare(key, Qt::CaseInsensitive) != 0)
            continue;
        return unquote(line.mid(eq + 1).trimmed().toString()).left(kMaxSettingLength);
    }
    return defaultValue;
}

} // namespace corvina
