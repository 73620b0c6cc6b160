#pragma once

#include <memory>
#include <QString>

class QLockFile;

namespace app {

// What an attempt at the check lock found.
struct CheckLockState {
    enum class Kind { Taken, Busy, Failed };
    Kind kind = Kind::Failed;
    qint64 holder = 0; // Busy: the process that checks
};

// One check at a time on a program folder's database: the window, a timer's
// run and a second command line never load and store at once. The lock lives
// beside the database, the one file every check must be able to write. A lock
// left by a process that died is taken over.
class CheckLock {
public:
    explicit CheckLock(const QString& databasePath);
    ~CheckLock();
    CheckLock(const CheckLock&) = delete;
    CheckLock& operator=(const CheckLock&) = delete;

    // Never waits.
    [[nodiscard]] CheckLockState tryTake();
    void release();
    bool held() const;
    const QString& path() const { return m_path; }

private:
    QString m_path;
    std::unique_ptr<QLockFile> m_lock;
};

QString checkLockPath(const QString& databasePath);

// What the window and the command line say when another process checks.
QString checkBusyMessage(qint64 holder);
QString checkLockFailedMessage(const QString& lockPath);

} // namespace app
