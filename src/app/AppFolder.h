#pragma once

#include <QString>
#include <functional>

namespace corvina {

// The application's name, set by every front end: the user's data folder is named after it.
inline const QString kApplicationName = QStringLiteral("Corvina");

// What decides the application folder, in the order the candidates win.
struct AppFolderSources {
    QString overrideFolder;   // --app-folder
    QString environment;      // CORVINA_APP_FOLDER
    QString executableFolder; // the running executable's folder
    // The user's own data folder; asked only when the executable runs from an installed layout.
    std::function<QString()> userDataFolder;
};

// "share/corvina" beside the executable's "bin" folder, where an installed package keeps its data;
// empty when the executable runs from anywhere else (a build folder, a portable copy, a Windows
// folder install). Decided by the layout alone: root may write anywhere, so write permission
// says nothing about being installed.
QString installedDataFolder(const QString& executableFolder);

// The application folder, ending in exactly one separator: the override, else the environment,
// else for an installed layout the user's data folder (made and seeded on first use, since the
// installed program's own folder is no place for a store), else the executable's folder.
QString resolveAppFolder(const AppFolderSources& sources);

// Creates `folder` when missing and copies in every file of `dataFolder` that it lacks (the
// default sysconfig.ini and the export template). Files already there are never replaced. False
// when the folder cannot be made or a file cannot be copied.
bool seedAppFolder(const QString& folder, const QString& dataFolder);

} // namespace corvina
