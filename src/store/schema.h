#pragma once

#include <functional>
#include <memory>
#include <QByteArray>
#include <QString>
#include <QStringList>

namespace store {

class Connection;

// The key of the program's database file.
QByteArray databasePassword();

// Stored in PRAGMA user_version by createDatabase. 2: member names are
// compared without regard to letter case; 3: a full-text index over comment,
// giver and item number of both rating tables; 4: the state of each rating
// (column Zustand); 5: the member's reply to a rating, its state and the
// giver's follow-up (Antwort, AntwortZustand, Nachtrag), the reply searched
// with the comment; 6: the journal of the ratings given to buyers
// (Kaeuferbewertungen); 7: how far the member has seen their ratings
// (Gesehen).
inline constexpr int kSchemaVersion = 7;

// The tables and indexes of an empty database, and the triggers that keep
// the count table.
const char* schemaSql();
const char* countSql();
// The full-text index of both rating tables and the triggers that keep it.
const char* searchSql();

// Makes an empty database at path: schema and version in one transaction,
// in WAL mode, so that readers never wait for a writer. Refuses an existing
// file. Throws DatabaseError; on failure the new file is removed again.
void createDatabase(const QString& path, const QByteArray& key = databasePassword());

// Throws DatabaseError unless the three tables with the columns the program
// reads and writes are there. The columns a later version added are asked
// for only of a file of that version: an older one gets them when opened.
void checkSchema(Connection& connection);

// What the program needs and the file lacks, one German line each: a
// version it cannot use, and every table, index and trigger that the making
// of an empty database creates and the file does not have. A file of an
// older version, which the program brings up to date, only needs the columns
// that checkSchema asks for. Empty when nothing is missing.
QStringList schemaProblems(Connection& connection);

// Brings a database of an older schema version to kSchemaVersion, in one
// transaction. Throws DatabaseError and leaves the file as it was.
void upgradeSchema(Connection& connection);

// Told how far the building of the full-text index of an older file has
// come (rows done, rows in all); empty to stop. The window shows a progress
// bar with it: a large file takes a while, once.
void setUpgradeProgress(std::function<void(qint64 done, qint64 total)> progress);

} // namespace store
