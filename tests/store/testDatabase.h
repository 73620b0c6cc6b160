#pragma once

// A fresh database per test, opened the way the program opens it: a program
// folder whose config.INI names the file, then InitDB.
#define SQLITE_HAS_CODEC 1
#include "answerers.h"
#include "app/modGlobal.h"
#include "store/connection.h"
#include "store/modData.h"
#include "store/schema.h"
#include "storeFixture.h"
#include "testData.h"

#include <memory>
#include <QString>
#include <QtTest>
#include <sqlcipher/sqlite3.h>
#include <sys/mount.h>

namespace storetest {

// A number read through a connection of its own.
inline qint64 countIn(const QString& path, const char* sql) {
    auto c = store::Connection::open(path, store::databasePassword());
    store::Statement s = c->prepare(sql);
    return s.next() ? s.int64(0) : -1;
}

inline QString integrity(const QString& path) {
    return store::Connection::open(path, store::databasePassword())
        ->pragma("PRAGMA integrity_check");
}

using testsupport::readFile;

inline void writeAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
}

// 64 bytes in the middle of the file turned to garbage: a page deep inside.
inline void damage(const QString& path) {
    QByteArray bytes = readFile(path);
    QVERIFY(bytes.size() > 100000);
    for (qsizetype i = bytes.size() / 2; i < bytes.size() / 2 + 64; ++i)
        bytes[i] = char(bytes[i] ^ 0x5A);
    writeAll(path, bytes);
}

// A small file system at a folder, for as long as it lives; mounted tells
// whether this machine allowed it.
struct SmallFileSystem {
    SmallFileSystem(const QString& at, const char* size) : at(QFile::encodeName(at)) {
        mounted = ::mount("tmpfs", this->at.constData(), "tmpfs", 0, size) == 0;
    }
    ~SmallFileSystem() {
        modGlobal::resetGlobals();
        if (mounted)
            ::umount(at.constData());
    }
    bool readOnly() {
        return ::mount(nullptr, at.constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }
    QByteArray at;
    bool mounted = false;
};

// A file made straight through the library, as an earlier version or another
// program makes it: the program's key, then the settings and statements given.
inline void makeFile(const QString& path, const QByteArray& statements) {
    sqlite3* db = nullptr;
    QCOMPARE(sqlite3_open_v2(QFile::encodeName(path).constData(), &db,
                             SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr),
             SQLITE_OK);
    const QByteArray key = store::databasePassword();
    sqlite3_key(db, key.constData(), int(key.size()));
    char* error = nullptr;
    const int rc = sqlite3_exec(db, statements.constData(), nullptr, nullptr, &error);
    const QString message = QString::fromUtf8(error ? error : "");
    sqlite3_free(error);
    sqlite3_close(db);
    QVERIFY2(rc == SQLITE_OK, qPrintable(message));
}

class Database : public testsupport::StoreFixture {
public:
    explicit Database(const QString& user = QStringLiteral("ich")) : StoreFixture(user) {
        modGlobal::lSeitenAnfang = 1;
    }
    qint64 count(const char* sql) const { return countIn(databasePath(), sql); }
};

// A rating with a date minutes after a fixed start, so order is known.
inline QString minuteText(int minutes) {
    return QDateTime(QDate(2020, 1, 1), QTime(0, 0), Qt::UTC)
        .addSecs(qint64(minutes) * 60)
        .toString(QStringLiteral("dd.MM.yyyy hh:mm"));
}

// The eleven values of an overview, the last as given.
inline QStringList overviewValues(const QString& last = QStringLiteral("1")) {
    return {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", last};
}

} // namespace storetest
