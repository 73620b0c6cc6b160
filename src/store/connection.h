#pragma once

#include "errors/runtimeError.h"

#include <map>
#include <memory>
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>

struct sqlite3;
struct sqlite3_stmt;

// A thin RAII layer over the SQLCipher C API: one connection, its prepared
// statements with bound values, and transactions. Every failure is thrown as
// a store::DatabaseError, which is the program's run-time error.
namespace store {

// The error number of every database failure (0x80004005, an unspecified
// failure), as the error dialog and the protocol show it; the SQLite result
// code is kept in code().
inline constexpr int kProviderError = -2147467259;

class DatabaseError : public errors::RuntimeError {
public:
    DatabaseError(int sqliteCode, const QString& message)
        : errors::RuntimeError(kProviderError, message), m_code(sqliteCode) {}
    // The SQLite result code (primary code in the low byte).
    int code() const { return m_code; }
    // Faults of the file or the disk rather than of one statement.
    bool isFault() const;

private:
    int m_code;
};

// Why a database file could not be opened.
enum class OpenCause {
    WrongKeyOrNoDatabase,
    Damaged,
    Missing, // no file there, or no path given
    ReadOnly,
    Locked,
    DiskFull,
    NewerSchema,
    Other,
};

struct OpenFailure {
    OpenCause cause = OpenCause::Other;
    QString path;
    QString detail; // the library's words, or the schema versions

    // The cause in one German phrase, without the path.
    QString causeText() const;
    // The cause and the path.
    QString text() const;
};

// Thrown by the opening of a database file; its description is text().
class OpenError : public DatabaseError {
public:
    OpenError(int sqliteCode, OpenFailure failure)
        : DatabaseError(sqliteCode, failure.text()), m_failure(std::move(failure)) {}
    const OpenFailure& failure() const { return m_failure; }

private:
    OpenFailure m_failure;
};

// "Der Datenträger ist voll: " and where.
QString diskFullText(const QString& where);
// The error the library reports on db for rc, with its message; a disk that
// is full is said as such, with the file.
DatabaseError libraryError(sqlite3* db, int rc, const QString& message);
OpenCause openCauseOf(int sqliteCode);

// Whether a connection may write: a reading one leaves the file, its
// journal and its marker as they are.
enum class Access { Write, Read };

class OpenMarker;

class Statement {
public:
    Statement() = default;
    Statement(sqlite3* db, const char* sql);
    Statement(Statement&& other) noexcept;
    Statement& operator=(Statement&& other) noexcept;
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    ~Statement();

    // Parameters are 1-based, as in the SQL ("?1", "?2" ...).
    Statement& bind(int index, const QString& text); // always text, "" included
    Statement& bind(int index, qint64 number);
    Statement& bind(int index, double number);
    Statement& bindNull(int index);

    // Steps once: true when a row is there, false at the end.
    bool next();
    // Steps to the end (a statement that returns no rows).
    void run();
    // Back to the start with no values bound.
    void reset();

    bool isNull(int column) const;
    QString text(int column) const;
    qint64 int64(int column) const;
    QVariant value(int column) const;

private:
    [[noreturn]] void fail(int rc) const;

    sqlite3* m_db = nullptr;
    sqlite3_stmt* m_stmt = nullptr;
};

class Connection {
public:
    // Opens an existing database file for the program: the key, the schema
    // version and the tables are verified at once; the file's integrity only
    // when the last connection to it did not close. Only then is anything
    // written (journal mode, an older schema brought up to date). Throws
    // OpenError.
    // With Access::Read the file is opened read-only and only the key, the
    // version and the tables are verified; a file of an older version is
    // still brought up to date, which writes.
    static std::shared_ptr<Connection> open(const QString& path, const QByteArray& key,
                                            Access access = Access::Write);
    // An existing file with its key verified, for checking and copying it:
    // nothing is written. Throws OpenError.
    static std::shared_ptr<Connection> openToRead(const QString& path, const QByteArray& key);
    // An existing or new file without the checks, for the tool that makes the
    // empty database and for tests. create=false fails on a missing file.
    static std::shared_ptr<Connection> openRaw(const QString& path, const QByteArray& key,
                                               bool create);

    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    ~Connection();

    // What an integrity check finds: empty when the file is sound. quick
    // leaves out the comparison of indexes with their tables.
    QStringList integrityProblems(bool quick);

    bool isOpen() const { return m_db != nullptr; }
    void close();
    // Opens again with the same path, key and checks.
    void reopen();

    void exec(const char* sql);
    Statement prepare(const char* sql);

    // A statement prepared once per connection and handed out reset; the
    // lease resets it again when it ends, so no read stays open.
    class Lease {
    public:
        explicit Lease(Statement& s) : m_s(&s) {}
        Lease(Lease&& o) noexcept : m_s(o.m_s) { o.m_s = nullptr; }
        Lease(const Lease&) = delete;
        Lease& operator=(const Lease&) = delete;
        ~Lease();
        Statement* operator->() const { return m_s; }
        Statement& operator*() const { return *m_s; }

    private:
        Statement* m_s;
    };
    // sql must be a string literal: its address is the cache key.
    Lease cached(const char* sql);

    // The answer of a pragma that returns one value.
    QString pragma(const char* sql);
    QString journalMode() { return pragma("PRAGMA journal_mode"); }
    bool inTransaction() const;
    int changes() const;
    const QString& path() const { return m_path; }
    sqlite3* handle() const { return m_db; }
    // A number no other opening of a connection in this process had: the
    // library's counters start afresh with each.
    quint64 opening() const { return m_opening; }

    [[noreturn]] void fail(int rc) const;

private:
    Connection(QString path, QByteArray key, Access access = Access::Write);
    // immutable: read without locks or the WAL's shared index.
    void openFile(bool create, bool readOnly = false, bool immutable = false);
    void openToReadOnFullDisk();
    void openChecked();
    void verifyKey();
    void configure();

    QString m_path;
    QByteArray m_key;
    Access m_access;
    sqlite3* m_db = nullptr;
    quint64 m_opening = 0;
    std::map<const char*, std::unique_ptr<Statement>> m_cache;
    std::unique_ptr<OpenMarker> m_marker;
};

// BEGIN IMMEDIATE on construction; rolled back on destruction unless
// committed.
class Transaction {
public:
    explicit Transaction(Connection& connection);
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    ~Transaction();

    void commit();
    void rollback();
    bool active() const { return m_active; }

private:
    Connection& m_connection;
    bool m_active = false;
};

} // namespace store
