#pragma once

#define SQLITE_HAS_CODEC 1
#include "store/schema.h"

#include <benchmark/benchmark.h>
#include <QByteArray>
#include <QString>
#include <sqlcipher/sqlite3.h>

// The first 200 rows of a member straight through the library: open, key,
// one SELECT. What the program's own way to its first page is measured against.
inline qint64 rawFirstPage(const QByteArray& path, const QByteArray& user) {
    const QByteArray key = store::databasePassword();
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_key(db, key.constData(), int(key.size()));
    sqlite3_exec(db, "PRAGMA cipher_page_size = 4096", nullptr, nullptr, nullptr);
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(db,
                       "SELECT Bewertungszahl, Bewertungstext, KV, Datum, Ebayuser, Artikel "
                       "FROM Bewertungeneigen WHERE Usereigen = ?1 ORDER BY Datum DESC, ID "
                       "DESC LIMIT 200",
                       -1, &s, nullptr);
    sqlite3_bind_text(s, 1, user.constData(), int(user.size()), SQLITE_STATIC);
    qint64 rows = 0;
    while (sqlite3_step(s) == SQLITE_ROW) {
        for (int column = 0; column < 6; ++column)
            benchmark::DoNotOptimize(sqlite3_column_text(s, column));
        ++rows;
    }
    sqlite3_finalize(s);
    sqlite3_close(db);
    return rows;
}
