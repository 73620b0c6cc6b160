#define SQLITE_HAS_CODEC 1
#include "store/connection.h"

#include "base/wholeCharacters.h"
#include "store/openMarker.h"
#include "store/schema.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <QDir>
#include <QFileInfo>
#include <sqlcipher/sqlite3.h>
#include <unistd.h>

namespace store {

namespace {

// Another process may hold the file (share-deny-none): wait for it a while.
constexpr int kBusyTimeoutMs = 5000;
// Enough cache for the indexes of a large member, so deep pages and counts
// stay quick (pages are decrypted on every read from the file).
constexpr const char* kCacheSize = "PRAGMA cache_size = -65536";
// Part of the file's format, set on every open before the first read: the
// settings the files have always had (SQLCipher 3's defaults with 4 KB
// pages), named one by one so that a library with other defaults still
// reads them. A library that does not know a setting ignores it; the 3.x
// library knows no algorithm names and always uses these.
constexpr const char* kCipherSettings = "PRAGMA cipher_page_size = 4096;"
                                        "PRAGMA kdf_iter = 64000;"
                                        "PRAGMA cipher_kdf_algorithm = PBKDF2_HMAC_SHA1;"
                                        "PRAGMA cipher_use_hmac = ON;"
                                        "PRAGMA cipher_hmac_algorithm = HMAC_SHA1;"
                                        "PRAGMA cipher_plaintext_header_size = 0;";

[[noreturn]] void throwError(sqlite3* db, int rc) {
    throw libraryError(db, rc, QString::fromUtf8(db ? sqlite3_errmsg(db) : sqlite3_errstr(rc)));
}

// As root, access() grants writing anywhere but on a read-only file system,
// which is what root can in fact write to.
bool writable(const QString& path) {
    const QByteArray file = QFile::encodeName(path);
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    return ::access(file.constData(), W_OK) == 0 && ::access(folder.constData(), W_OK) == 0;
}

} // namespace

// ---------------------------------------------------------------- Statement

Statement::Statement(sqlite3* db, const char* sql) : m_db(db) {
    const int rc = sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
        throwError(db, rc);
    }
}

Statement::Statement(Statement&& other) noexcept : m_db(other.m_db), m_stmt(other.m_stmt) {
    other.m_stmt = nullptr;
}

Statement& Statement::operator=(Statement&& other) noexcept {
    if (this != &other) {
        sqlite3_finalize(m_stmt);
        m_db = other.m_db;
        m_stmt = other.m_stmt;
        other.m_stmt = nullptr;
    }
    return *this;
}

Statement::~Statement() {
    sqlite3_finalize(m_stmt);
}

void Statement::fail(int rc) const {
    throwError(m_db, rc);
}

Statement& Statement::bind(int index, const QString& given) {
    // SQLite pairs a lone surrogate with the unit after it, losing that
    // character: such a text is stored with U+FFFD in its place.
    const QString text = base::hasLoneSurrogate(given) ? base::withWholeCharacters(given) : given;
    // UTF-16 with its length: NUL characters inside the text survive. An
    // empty text stays text, never NULL.
    static const char16_t empty[1] = {0};
    const void* data = text.isEmpty() ? static_cast<const void*>(empty) : text.utf16();
    const int rc = sqlite3_bind_text16(
        m_stmt, index, data, static_cast<int>(text.size() * sizeof(char16_t)), SQLITE_TRANSIENT);
    if (rc != SQLITE_OK)
        fail(rc);
    return *this;
}

Statement& Statement::bind(int index, qint64 number) {
    const int rc = sqlite3_bind_int64(m_stmt, index, number);
    if (rc != SQLITE_OK)
        fail(rc);
    return *this;
}

Statement& Statement::bind(int index, double number) {
    const int rc = sqlite3_bind_double(m_stmt, index, number);
    if (rc != SQLITE_OK)
        fail(rc);
    return *this;
}

Statement& Statement::bindNull(int index) {
    const int rc = sqlite3_bind_null(m_stmt, index);
    if (rc != SQLITE_OK)
        fail(rc);
    return *this;
}

bool Statement::next() {
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    // The error belongs to this step; a later reset must not report it again.
    sqlite3_reset(m_stmt);
    fail(rc);
}

void Statement::run() {
    while (next()) {
    }
}

void Statement::reset() {
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
}

bool Statement::isNull(int column) const {
    return sqlite3_column_type(m_stmt, column) == SQLITE_NULL;
}

QString Statement::text(int column) const {
    const void* data = sqlite3_column_text16(m_stmt, column);
    const int bytes = sqlite3_column_bytes16(m_stmt, column);
    if (!data)
        return {};
    return QString(static_cast<const QChar*>(data), bytes / static_cast<int>(sizeof(char16_t)));
}

qint64 Statement::int64(int column) const {
    return sqlite3_column_int64(m_stmt, column);
}

QVariant Statement::value(int column) const {
    switch (sqlite3_column_type(m_stmt, column)) {
    case SQLITE_NULL:
        return {};
    case SQLITE_INTEGER:
        return QVariant::fromValue<qint64>(sqlite3_column_int64(m_stmt, column));
    case SQLITE_FLOAT:
        return sqlite3_column_double(m_stmt, column);
    default:
        return text(column);
    }
}

// --------------------------------------------------------------- Connection

Connection::Lease::~Lease() {
    if (m_s)
        m_s->reset();
}

Connection::Connection(QString path, QByteArray key, Access access)
    : m_path(std::move(path)), m_key(std::move(key)), m_access(access) {}

std::shared_ptr<Connection> Connection::open(const QString& path, const QByteArray& key,
                                             Access access) {
    std::shared_ptr<Connection> c(new Connection(path, key, access));
    c->openChecked();
    return c;
}

std::shared_ptr<Connection> Connection::openToRead(const QString& path, const QByteArray& key) {
    std::shared_ptr<Connection> c(new Connection(path, key));
    if (path.trimmed().isEmpty() || !QFileInfo(path).isFile())
        throw OpenError(SQLITE_CANTOPEN, {OpenCause::Missing, path, {}});
    try {
        // A file on a medium that cannot be written to can still be read.
        c->openFile(false, !writable(path));
        c->verifyKey();
    } catch (const DatabaseError& e) {
        c->close();
        throw OpenError(e.code(), {openCauseOf(e.code()), path, e.description()});
    }
    return c;
}

std::shared_ptr<Connection> Connection::openRaw(const QString& path, const QByteArray& key,
                                                bool create) {
    std::shared_ptr<Connection> c(new Connection(path, key));
    c->openFile(create);
    return c;
}

Connection::~Connection() {
    close();
}

void Connection::close() {
    m_cache.clear();
    if (m_db) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
    // Only after the file itself is closed.
    if (m_marker) {
        m_marker->release();
        m_marker.reset();
    }
}

void Connection::reopen() {
    close();
    openChecked();
}

void Connection::openChecked() {
    const auto refuse = [this](OpenCause cause, int code, const QString& detail) {
        // A marker left behind stays until a check has found the file sound.
        if (m_marker && m_marker->wasLeft())
            m_marker.reset();
        close();
        throw OpenError(code, {cause, m_path, detail});
    };
    if (m_path.trimmed().isEmpty() || !QFileInfo(m_path).isFile())
        refuse(OpenCause::Missing, SQLITE_CANTOPEN, {});
    const bool reading = m_access == Access::Read;
    // The journal and the marker are written beside the file.
    if (!reading && !writable(m_path))
        refuse(OpenCause::ReadOnly, SQLITE_READONLY, QString::fromLocal8Bit(std::strerror(errno)));
    try {
        openFile(false, reading);
        try {
            verifyKey();
        } catch (const DatabaseError& e) {
            if (!reading || openCauseOf(e.code()) != OpenCause::DiskFull)
                throw;
            openToReadOnFullDisk();
        }
        const int version = pragma("PRAGMA user_version").toInt();
        if (version > kSchemaVersion)
            refuse(OpenCause::NewerSchema, SQLITE_ERROR,
                   QStringLiteral("Version %1, bekannt bis %2").arg(version).arg(kSchemaVersion));
        if (reading && version < kSchemaVersion) {
            close();
            m_access = Access::Write;
            return openChecked();
        }
        try {
            checkSchema(*this);
        } catch (const DatabaseError& e) {
            refuse(OpenCause::WrongKeyOrNoDatabase, e.code(), e.description());
        }
        if (reading) {
            exec("PRAGMA temp_store = MEMORY");
            exec(kCacheSize);
            return;
        }
        m_marker = std::make_unique<OpenMarker>(m_path);
        if (!m_marker->held()) {
            const int why = errno;
            refuse(why == ENOSPC                   ? OpenCause::DiskFull
                   : why == EACCES || why == EROFS ? OpenCause::ReadOnly
                                                   : OpenCause::Other,
                   SQLITE_CANTOPEN, QString::fromLocal8Bit(std::strerror(why)));
        }
        // The full read of the file is only worth its time after an unclean end.
        if (m_marker->wasLeft()) {
            const QStringList problems = integrityProblems(true);
            if (!problems.isEmpty())
                refuse(OpenCause::Damaged, SQLITE_CORRUPT, problems.join(QStringLiteral("; ")));
        }
        configure();
        if (version < kSchemaVersion)
            upgradeSchema(*this);
    } catch (const OpenError&) {
        throw;
    } catch (const DatabaseError& e) {
        refuse(openCauseOf(e.code()), e.code(), e.description());
    }
}

void Connection::openToReadOnFullDisk() {
    // The WAL's shared index cannot grow on a full disk. With nothing
    // waiting in the WAL the file itself holds every row, and a writer could
    // not commit anything now anyway.
    const QFileInfo wal(m_path + QStringLiteral("-wal"));
    if (wal.exists() && wal.size() > 0)
        throw DatabaseError(SQLITE_FULL, diskFullText(m_path));
    close();
    openFile(false, true, true);
    verifyKey();
}

void Connection::openFile(bool create, bool readOnly, bool immutable) {
    // SQLite would open an empty name as a private temporary database.
    if (m_path.trimmed().isEmpty())
        throw DatabaseError(SQLITE_CANTOPEN, QStringLiteral("Kein Datenbankpfad angegeben"));
    if (!create && !QFileInfo(m_path).isFile())
        throw DatabaseError(SQLITE_CANTOPEN,
                            QStringLiteral("Datenbankdatei nicht gefunden: ") + m_path);
    int flags = readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE;
    if (create)
        flags |= SQLITE_OPEN_CREATE;
    QByteArray name = QFile::encodeName(m_path);
    if (immutable) {
        flags |= SQLITE_OPEN_URI;
        name = "file:" + name.toPercentEncoding("/") + "?immutable=1";
    }
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(name.constData(), &db, flags, nullptr);
    if (rc != SQLITE_OK) {
        const QString message = QString::fromUtf8(db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
        sqlite3_close_v2(db);
        throw DatabaseError(rc, message + QStringLiteral(": ") + m_path);
    }
    m_db = db;
    static std::atomic<quint64> openings{0};
    m_opening = ++openings;
    sqlite3_extended_result_codes(m_db, 1);
    if (!m_key.isEmpty()) {
        const int krc = sqlite3_key(m_db, m_key.constData(), static_cast<int>(m_key.size()));
        if (krc != SQLITE_OK) {
            try {
                fail(krc);
            } catch (...) {
                close();
                throw;
            }
        }
    }
    sqlite3_busy_timeout(m_db, kBusyTimeoutMs);
    try {
        if (!m_key.isEmpty())
            exec(kCipherSettings);
    } catch (...) {
        close();
        throw;
    }
}

void Connection::verifyKey() {
    // The key is only tried when a page is read: read the schema now, so a
    // wrong key or a file that is no database shows at once.
    pragma("SELECT count(*) FROM sqlite_master");
}

QStringList Connection::integrityProblems(bool quick) {
    QStringList problems;
    try {
        Statement check(m_db, quick ? "PRAGMA quick_check" : "PRAGMA integrity_check");
        while (check.next())
            problems << check.text(0);
    } catch (const DatabaseError& e) {
        // The key is right (the first pages decrypted): a page that does not
        // decrypt is damage, whatever code the library gives it.
        const OpenCause cause = openCauseOf(e.code());
        if (cause == OpenCause::Locked || (e.code() & 0xFF) == SQLITE_NOMEM)
            throw;
        problems << e.description();
    }
    if (problems == QStringList{QStringLiteral("ok")})
        problems.clear();
    return problems;
}

void Connection::configure() {
    exec("PRAGMA temp_store = MEMORY");
    exec(kCacheSize);
    // WAL where the file system can do it (it needs shared memory beside the
    // file); the rollback journal otherwise.
    if (pragma("PRAGMA journal_mode = WAL").compare(QLatin1String("wal"), Qt::CaseInsensitive) !=
        0) {
        const QString mode = pragma("PRAGMA journal_mode = DELETE");
        if (mode.compare(QLatin1String("delete"), Qt::CaseInsensitive) != 0)
            throw DatabaseError(SQLITE_ERROR, QStringLiteral("Journal nicht einstellbar: ") + mode);
    }
    exec("PRAGMA synchronous = FULL");
}

void Connection::fail(int rc) const {
    throwError(m_db, rc);
}

void Connection::exec(const char* sql) {
    if (!m_db)
        throw DatabaseError(SQLITE_MISUSE, QStringLiteral("Datenbankverbindung geschlossen"));
    char* message = nullptr;
    const int rc = sqlite3_exec(m_db, sql, nullptr, nullptr, &message);
    if (rc != SQLITE_OK) {
        const QString text = QString::fromUtf8(message ? message : sqlite3_errstr(rc));
        sqlite3_free(message);
        throw libraryError(m_db, rc, text);
    }
}

Statement Connection::prepare(const char* sql) {
    if (!m_db)
        throw DatabaseError(SQLITE_MISUSE, QStringLiteral("Datenbankverbindung geschlossen"));
    return Statement(m_db, sql);
}

Connection::Lease Connection::cached(const char* sql) {
    auto it = m_cache.find(sql);
    if (it == m_cache.end())
        it = m_cache.emplace(sql, std::make_unique<Statement>(prepare(sql))).first;
    it->second->reset();
    return Lease(*it->second);
}

QString Connection::pragma(const char* sql) {
    Statement s = prepare(sql);
    return s.next() ? s.text(0) : QString();
}

bool Connection::inTransaction() const {
    return m_db && sqlite3_get_autocommit(m_db) == 0;
}

int Connection::changes() const {
    return m_db ? sqlite3_changes(m_db) : 0;
}

// -------------------------------------------------------------- Transaction

Transaction::Transaction(Connection& connection) : m_connection(connection) {
    m_connection.exec("BEGIN IMMEDIATE");
    m_active = true;
}

Transaction::~Transaction() {
    if (m_active) {
        try {
            rollback();
        } catch (...) {
            // Closing the connection drops the transaction anyway.
        }
    }
}

void Transaction::commit() {
    if (!m_active)
        throw DatabaseError(SQLITE_MISUSE, QStringLiteral("Keine offene Transaktion"));
    try {
        m_connection.exec("COMMIT");
    } catch (...) {
        rollback();
        throw;
    }
    m_active = false;
}

void Transaction::rollback() {
    if (!m_active)
        return;
    m_active = false;
    // SQLite may already have rolled back after a disk fault.
    if (m_connection.inTransaction())
        m_connection.exec("ROLLBACK");
}

} // namespace store
