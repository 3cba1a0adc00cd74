#include "app/AppFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace corvina {

namespace {

QString withOneSeparator(const QString& folder)
{
    QString native = QDir::toNativeSeparators(QDir::cleanPath(QFileInfo(folder).absoluteFilePath()));
    const QChar sep = QDir::separator();
    if (!native.endsWith(sep))
        native += sep;
    return native;
}

} // namespace

QString installedDataFolder(const QString& executableFolder)
{
    const QDir bin(QDir::cleanPath(QFileInfo(executableFolder).absoluteFilePath()));
    if (bin.dirName() != QLatin1String("bin"))
        return {};
    const QFileInfo data(bin.absoluteFilePath(QStringLiteral("../share/corvina")));
    return data.isDir() ? QDir::cleanPath(data.absoluteFilePath()) : QString();
}

bool seedAppFolder(const QString& folder, const QString& dataFolder)
{
    if (!QDir().mkpath(folder))
        return false;
    bool ok = true;
    const QDir target(folder);
    const QFileInfoList defaults = QDir(dataFolder).entryInfoList(QDir::Files | QDir::Readable, QDir::Name);
    for (const QFileInfo& source : defaults) {
        const QString copy = target.absoluteFilePath(source.fileName());
        if (QFileInfo::exists(copy))
            continue;
        // QFile::copy writes a temporary file and renames it: never half a file under the name.
        if (!QFile::copy(source.absoluteFilePath(), copy)) {
            ok = false;
            continue;
        }
        // The installed files are read-only for the user; the copies are the user's to change.
        QFile::setPermissions(copy, QFile::permissions(copy) | QFile::ReadOwner | QFile::WriteOwner);
    }
    return ok;
}

QString resolveAppFolder(const AppFolderSources& sources)
{
    if (!sources.overrideFolder.isEmpty())
        return withOneSeparator(sources.overrideFolder);
    if (!sources.environment.isEmpty())
        return withOneSeparator(sources.environment);
    const QString data = installedDataFolder(sources.executableFolder);
    const QString user = data.isEmpty() || !sources.userDataFolder ? QString() : sources.userDataFolder();
    if (user.isEmpty())
        return withOneSeparator(sources.executableFolder);
    // A folder that cannot be made is met again when the store is opened, with its own message.
    seedAppFolder(user, data);
    return withOneSeparator(user);
}

} // namespace corvina
