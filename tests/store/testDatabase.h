#pragma once

// A fresh database per test, opened the way the program opens it: a program
// folder whose config.INI names the file, then InitDB.
#include "answerers.h"
#include "app/modGlobal.h"
#include "store/connection.h"
#include "store/modData.h"
#include "store/schema.h"
#include "storeFixture.h"

#include <memory>
#include <QString>

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
