// The words for a failing database: why a file does not open, and the
// library's codes turned into the program's errors.
#define SQLITE_HAS_CODEC 1
#include "store/connection.h"

#include <cerrno>
#include <sqlcipher/sqlite3.h>

namespace store {

QString diskFullText(const QString& where) {
    return QStringLiteral("Der Datenträger ist voll: ") + where;
}

DatabaseError libraryError(sqlite3* db, int rc, const QString& message) {
    const int code = db ? sqlite3_extended_errcode(db) : rc;
    // The library reports a file that cannot grow as an I/O error; only the
    // system's error number tells that the disk is full.
    const bool full = (code & 0xFF) == SQLITE_FULL ||
                      ((code & 0xFF) == SQLITE_IOERR && db && sqlite3_system_errno(db) == ENOSPC);
    if (!full)
        return DatabaseError(code, message);
    const char* file = db ? sqlite3_db_filename(db, "main") : nullptr;
    return DatabaseError(SQLITE_FULL,
                         diskFullText(file && *file ? QString::fromUtf8(file) : message));
}

OpenCause openCauseOf(int code) {
    switch (code & 0xFF) {
    case SQLITE_NOTADB:
        return OpenCause::WrongKeyOrNoDatabase;
    case SQLITE_CORRUPT:
        return OpenCause::Damaged;
    case SQLITE_READONLY:
        return OpenCause::ReadOnly;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return OpenCause::Locked;
    case SQLITE_FULL:
        return OpenCause::DiskFull;
    default:
        return OpenCause::Other;
    }
}

QString OpenFailure::causeText() const {
    switch (cause) {
    case OpenCause::WrongKeyOrNoDatabase:
        return QStringLiteral("Falscher Schlüssel, oder die Datei ist keine Datenbank von "
                              "Notenschau");
    case OpenCause::Damaged:
        return QStringLiteral("Die Datenbankdatei ist beschädigt");
    case OpenCause::Missing:
        return path.trimmed().isEmpty() ? QStringLiteral("Kein Datenbankpfad angegeben")
                                        : QStringLiteral("Die Datenbankdatei gibt es nicht");
    case OpenCause::ReadOnly:
        return QStringLiteral("Die Datenbankdatei oder ihr Ordner ist schreibgeschützt");
    case OpenCause::Locked:
        return QStringLiteral("Die Datenbankdatei ist von einem anderen Programm gesperrt");
    case OpenCause::DiskFull:
        return QStringLiteral("Der Datenträger ist voll");
    case OpenCause::NewerSchema:
        return QStringLiteral("Die Datenbank hat ein neueres Schema (%1) als dieses Programm")
            .arg(detail);
    case OpenCause::Other:
        break;
    }
    return QStringLiteral("Die Datenbank lässt sich nicht öffnen (%1)").arg(detail);
}

QString OpenFailure::text() const {
    return path.trimmed().isEmpty() ? causeText() : causeText() + QStringLiteral(": ") + path;
}

bool DatabaseError::isFault() const {
    switch (m_code & 0xFF) {
    case SQLITE_FULL:
    case SQLITE_IOERR:
    case SQLITE_NOMEM:
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
    case SQLITE_CANTOPEN:
    case SQLITE_READONLY:
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return true;
    default:
        return false;
    }
}

} // namespace store
