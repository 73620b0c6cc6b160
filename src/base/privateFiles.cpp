#include "base/privateFiles.h"

#include <cerrno>
#include <fcntl.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <sys/stat.h>
#include <unistd.h>

namespace base {

bool createPrivateFile(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, S_IRUSR | S_IWUSR);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

bool makePrivateFolder(const QString& path) {
    if (QFileInfo(path).isDir())
        return true;
    const QString parent = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(parent))
        return false;
    return QDir().mkdir(path,
                        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner) ||
           QFileInfo(path).isDir();
}

bool readableByOthers(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 &&
           (st.st_mode & (S_IRGRP | S_IROTH)) != 0;
}

QString readableByOthersWarning(const QString& path) {
    if (!readableByOthers(path))
        return {};
    return QStringLiteral("Warnung: Die Datenbankdatei kann von anderen Benutzern gelesen werden "
                          "(chmod 600 schützt sie): %1")
        .arg(QDir::toNativeSeparators(path));
}

} // namespace base
