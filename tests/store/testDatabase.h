#pragma once

// A fresh database per test, opened the way the program opens it: a program
// folder whose config.INI names the file, then InitDB.
#include "answerers.h"
#include "app/modGlobal.h"
#include "store/connection.h"
#include "store/modData.h"
#include "store/schema.h"

#include <memory>
#include <QString>

namespace storetest {

class Database {
public:
    explicit Database(const QString& user = QStringLiteral("ich")) {
        modGlobal::resetGlobals();
        path = folder.file(QStringLiteral("noten.db"));
        store::createDatabase(path);
        folder.writeConfig("[Main]\nDatabase=" + path.toUtf8() +
                           "\n[User]\nUsername=" + user.toUtf8() + "\n");
        modData::InitDB();
        modGlobal::lSeitenAnfang = 1;
    }
    ~Database() { modGlobal::resetGlobals(); }

    // Every row of a table through a connection of its own.
    qint64 count(const char* sql) const {
        auto c = store::Connection::open(path, store::databasePassword());
        store::Statement s = c->prepare(sql);
        return s.next() ? s.int64(0) : -1;
    }

    testsupport::ProgramFolder folder;
    QString path;
};

// A rating with a date minutes after a fixed start, so order is known.
inline QString minuteText(int minutes) {
    return QDateTime(QDate(2020, 1, 1), QTime(0, 0), Qt::UTC)
        .addSecs(qint64(minutes) * 60)
        .toString(QStringLiteral("dd.MM.yyyy hh:mm"));
}

} // namespace storetest
