#pragma once

#include <QString>
#include <QFileInfo>
#include <QTemporaryDir>

namespace corvina::test {

// Folder of the committed fixtures (tests/data).
QString dataPath(const QString& relative);

// A fresh temporary folder ending in a separator, usable as an application folder.
class TempFolder {
public:
    TempFolder();
    QString path() const; // ends in "/"
    QString file(const QString& name) const { return path() + name; }
    void write(const QString& name, const QByteArray& bytes) const;

private:
    QTemporaryDir m_dir;
};

} // namespace corvina::test
