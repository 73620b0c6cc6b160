#define SQLITE_HAS_CODEC 1
#include "store/connection.h"

#include "base/wholeCharacters.h"
#include "store/schema.h"

#include <QFileInfo>
#include <QStringList>
#include <sqlcipher/sqlite3.h>

namespace store {

namespace {

// Another process may hold the file (share-deny-none): wait for it a while.
constexpr int kBusyTimeoutMs = 5000;
// Enough cache for the indexes of a large member, so deep pages and counts
// stay quick (pages are decrypted on every read from the file).
constexpr const char* kCacheSize = "PRAGMA cache_size = -65536";
// Fewer, larger pages: less decryption per row than the 1 KB default.
constexpr const char* kCipherPageSize = "PRAGMA cipher_page_size = 4096";

[[noreturn]] void throwError(sqlite3* db, int rc) {
    const char* message = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    throw DatabaseError(db ? sqlite3_extended_errcode(db) : rc, QString::fromUtf8(message));
}

} // namespace

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
    const QString text = app::hasLoneSurrogate(given) ? app::withWholeCharacters(given) : given;
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

std::shared_ptr<Connection> Connection::open(const QString& path, const QByteArray& key) {
    std::shared_ptr<Connection> c(new Connection(path, key));
    c->openFile(false);
    try {
        c->verify();
        c->configure();
    } catch (...) {
        c->close();
        throw;
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
}

void Connection::reopen() {
    close();
    openFile(false);
    try {
        verify();
        configure();
    } catch (...) {
        close();
        throw;
    }
}

void Connection::openFile(bool create) {
    // SQLite would open an empty name as a private temporary database.
    if (m_path.trimmed().isEmpty())
        throw DatabaseError(SQLITE_CANTOPEN, QStringLiteral("Kein Datenbankpfad angegeben"));
    if (!create && !QFileInfo(m_path).isFile())
        throw DatabaseError(SQLITE_CANTOPEN,
                            QStringLiteral("Datenbankdatei nicht gefunden: ") + m_path);
    int flags = SQLITE_OPEN_READWRITE;
    if (create)
        flags |= SQLITE_OPEN_CREATE;
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(m_path).constData(), &db, flags, nullptr);
    if (rc != SQLITE_OK) {
        const QString message = QString::fromUtf8(db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
        sqlite3_close_v2(db);
        throw DatabaseError(rc, message + QStringLiteral(": ") + m_path);
    }
    m_db = db;
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
        // Part of the file's format: set on every open, before the first read.
        exec(kCipherPageSize);
    } catch (...) {
        close();
        throw;
    }
}

void Connection::verify() {
    // The key is only tried when a page is read: read the schema now, so a
    // wrong key or a file that is no database shows at once.
    pragma("SELECT count(*) FROM sqlite_master");
    checkSchema(*this);
    Statement check(m_db, "PRAGMA quick_check");
    QStringList problems;
    while (check.next())
        problems << check.text(0);
    if (problems != QStringList{QStringLiteral("ok")})
        throw DatabaseError(SQLITE_CORRUPT, QStringLiteral("Datenbankdatei beschädigt: ") +
                                                problems.mid(0, 3).join(QStringLiteral("; ")));
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
        throw DatabaseError(sqlite3_extended_errcode(m_db), text);
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
