#pragma once

#include <memory>
#include <QString>

class QLockFile;

namespace app {

// The per-user lock that tells a second start that the program already runs.
// It is held for the life of the process; a crashed holder's lock is taken
// over, since the lock names a process that no longer exists.
class SingleInstance {
public:
    explicit SingleInstance(const QString& name = QStringLiteral("notenschau"));
    ~SingleInstance();

    // True when this process now holds the lock; false when another does.
    bool acquire();
    QString lockPath() const { return m_path; }

private:
    QString m_path;
    std::unique_ptr<QLockFile> m_lock;
};

} // namespace app
