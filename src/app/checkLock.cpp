#include "app/checkLock.h"

#include <QDir>
#include <QLockFile>

namespace app {

QString checkLockPath(const QString& databasePath) {
    return databasePath + QStringLiteral("-pruefung.lock");
}

QString checkBusyMessage(qint64 holder) {
    return QStringLiteral("Eine Prüfung läuft bereits (Prozess %1). Bitte versuchen Sie es gleich "
                          "noch einmal.")
        .arg(holder);
}

QString checkLockFailedMessage(const QString& lockPath) {
    return QStringLiteral("Die Sperrdatei %1 für die Prüfung kann nicht angelegt werden.")
        .arg(QDir::toNativeSeparators(lockPath));
}

CheckLock::CheckLock(const QString& databasePath)
    : m_path(checkLockPath(databasePath)), m_lock(std::make_unique<QLockFile>(m_path)) {
    // A check may take hours: only a dead holder makes the lock stale.
    m_lock->setStaleLockTime(0);
}

CheckLock::~CheckLock() = default;

CheckLockState CheckLock::tryTake() {
    using Kind = CheckLockState::Kind;
    if (m_lock->isLocked() || m_lock->tryLock(0))
        return {Kind::Taken};
    if (m_lock->error() != QLockFile::LockFailedError)
        return {Kind::Failed};
    qint64 holder = 0;
    QString host;
    QString application;
    // The holder keeps an flock on the file from before it writes its id to
    // the end: a file that names a running process but that nobody locks
    // names a number the system gave again after its holder died.
    if (m_lock->getLockInfo(&holder, &host, &application) && m_lock->removeStaleLockFile() &&
        m_lock->tryLock(0))
        return {Kind::Taken};
    if (m_lock->error() != QLockFile::LockFailedError)
        return {Kind::Failed};
    return {Kind::Busy, holder};
}

void CheckLock::release() {
    m_lock->unlock();
}

bool CheckLock::held() const {
    return m_lock->isLocked();
}

} // namespace app
