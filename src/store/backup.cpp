#define SQLITE_HAS_CODEC 1
#include "store/backup.h"

#include "store/connection.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <QThread>
#include <sqlcipher/sqlite3.h>
#include <unistd.h>

namespace store {

namespace {

// The source is read in one go; a writer that holds it for longer than this
// in all makes the copy fail rather than wait forever.
constexpr int kBusyRounds = 200;
constexpr int kBusyPauseMs = 50;

void removeCopy(const QString& path) {
    for (const char* suffix : {"", "-journal", "-wal", "-shm"})
        QFile::remove(path + QLatin1String(suffix));
}

QString systemError() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

// Copies every page of from into the empty database to.
void copyPages(Connection& from, Connection& to) {
    sqlite3_backup* backup = sqlite3_backup_init(to.handle(), "main", from.handle(), "main");
    if (!backup)
        to.fail(sqlite3_errcode(to.handle()));
    int rc = SQLITE_OK;
    for (int round = 0; round < kBusyRounds; ++round) {
        rc = sqlite3_backup_step(backup, -1);
        if (rc != SQLITE_BUSY && rc != SQLITE_LOCKED)
            break;
        QThread::msleep(kBusyPauseMs);
    }
    const int finished = sqlite3_backup_finish(backup);
    if (rc != SQLITE_DONE)
        throw DatabaseError(rc, QString::fromUtf8(sqlite3_errstr(rc)));
    if (finished != SQLITE_OK)
        to.fail(finished);
}

// Makes the rename itself last through a power cut.
void syncFolder(const QString& folder) {
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

BackupResult backupDatabase(const QString& source, const QString& target, bool overwrite,
                            const QByteArray& key) {
    const QFileInfo targetInfo(target);
    if (targetInfo.exists() && !overwrite)
        return {BackupOutcome::TargetExists,
                QStringLiteral("Die Zieldatei gibt es schon: %1 (--ueberschreiben ersetzt sie)")
                    .arg(target)};
    std::shared_ptr<Connection> from;
    try {
        from = Connection::openToRead(source, key);
    } catch (const OpenError& e) {
        return {BackupOutcome::SourceRefused, e.failure().text()};
    }

    // A name of our own beside the target: the rename stays on one file system.
    QString temporary;
    {
        QTemporaryFile reserve(targetInfo.absoluteFilePath() + QStringLiteral(".teil-XXXXXX"));
        reserve.setAutoRemove(false);
        if (!reserve.open())
            return {BackupOutcome::CopyFailed,
                    QStringLiteral("Die Sicherung lässt sich nicht anlegen: %1 (%2)")
                        .arg(target, reserve.errorString())};
        temporary = reserve.fileName();
    }
    try {
        {
            auto to = Connection::openRaw(temporary, key, false);
            copyPages(*from, *to);
            to->close();
        }
        // The copy must open with the same key before it takes the name.
        Connection::openToRead(temporary, key);
    } catch (const DatabaseError& e) {
        removeCopy(temporary);
        return {BackupOutcome::CopyFailed,
                QStringLiteral("Die Sicherung ist fehlgeschlagen: %1").arg(e.description())};
    }
    const QByteArray from8 = QFile::encodeName(temporary);
    const QByteArray to8 = QFile::encodeName(targetInfo.absoluteFilePath());
    const int renamed = overwrite ? std::rename(from8.constData(), to8.constData())
                                  : ::renameat2(AT_FDCWD, from8.constData(), AT_FDCWD,
                                                to8.constData(), RENAME_NOREPLACE);
    if (renamed != 0) {
        const bool exists = errno == EEXIST;
        const QString why = systemError();
        removeCopy(temporary);
        if (exists)
            return {BackupOutcome::TargetExists,
                    QStringLiteral("Die Zieldatei gibt es schon: %1").arg(target)};
        return {
            BackupOutcome::CopyFailed,
            QStringLiteral("Die Sicherung ließ sich nicht umbenennen: %1 (%2)").arg(target, why)};
    }
    syncFolder(targetInfo.absolutePath());
    return {BackupOutcome::Copied, QStringLiteral("Gesichert: %1 nach %2").arg(source, target)};
}

} // namespace store
