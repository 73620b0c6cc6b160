#include "store/openMarker.h"

#include <cerrno>
#include <fcntl.h>
#include <QFile>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace store {

namespace {

// Whether the name still leads to the file that fd has open: a closing
// connection may have removed it in the meantime.
bool stillThere(int fd, const char* path) {
    struct stat opened, named;
    return ::fstat(fd, &opened) == 0 && ::stat(path, &named) == 0 &&
           opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}

} // namespace

OpenMarker::OpenMarker(const QString& databasePath)
    : m_path(QFile::encodeName(databasePath + QStringLiteral(".offen")).toStdString()) {
    const char* path = m_path.c_str();
    // A few rounds at most: each retry means another connection removed the
    // marker just now.
    for (int round = 0; round < 100; ++round) {
        int fd = ::open(path, O_RDONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        const bool made = fd >= 0;
        if (!made) {
            if (errno != EEXIST)
                return;
            fd = ::open(path, O_RDONLY | O_CLOEXEC);
            if (fd < 0) {
                if (errno == ENOENT)
                    continue;
                return;
            }
        }
        // A marker that nobody holds was left behind.
        const bool left = !made && ::flock(fd, LOCK_EX | LOCK_NB) == 0;
        if (::flock(fd, LOCK_SH) != 0 || !stillThere(fd, path)) {
            ::close(fd);
            continue;
        }
        m_fd = fd;
        m_left = left;
        return;
    }
    errno = EAGAIN;
}

OpenMarker::~OpenMarker() {
    if (m_fd >= 0)
        ::close(m_fd);
}

void OpenMarker::release() {
    if (m_fd < 0)
        return;
    if (::flock(m_fd, LOCK_EX | LOCK_NB) == 0 && stillThere(m_fd, m_path.c_str()))
        ::unlink(m_path.c_str());
    ::close(m_fd);
    m_fd = -1;
}

} // namespace store
