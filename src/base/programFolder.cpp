#include "base/programFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace base {
namespace {
QString& folderOverride() {
    static QString s;
    return s;
}
QString& nameOverride() {
    static QString s;
    return s;
}
} // namespace

QString programFolder() {
    QString folder = folderOverride();
    if (folder.isEmpty())
        folder = QCoreApplication::applicationDirPath();
    while (folder.size() > 1 && folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    return folder;
}

void setProgramFolder(const QString& folder) {
    folderOverride() = folder.isEmpty() ? QString() : QDir(folder).absolutePath();
}

QString executableName() {
    if (!nameOverride().isEmpty())
        return nameOverride();
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

void setExecutableName(const QString& name) {
    nameOverride() = name;
}

QString inProgramFolder(const QString& relative) {
    const QString folder = programFolder();
    if (folder.endsWith(QLatin1Char('/')))
        return folder + relative;
    return folder + QLatin1Char('/') + relative;
}

} // namespace base
