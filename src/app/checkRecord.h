#pragma once

#include <optional>
#include <QDateTime>
#include <QString>

// The last check from the command line, scheduled or not, as the program
// folder keeps it for "notenschau-cli status".
namespace app {

struct CheckRecord {
    QDateTime at;
    int exitCode = 0;
    bool operator==(const CheckRecord&) const = default;
};

// Bin/letztePruefung.ini of the program folder.
QString checkRecordFile(const QString& programFolder);

// Replaces the record in one step; false when it could not be written.
bool writeCheckRecord(const QString& file, const CheckRecord& record);
// None when there is no record or it is not one.
std::optional<CheckRecord> readCheckRecord(const QString& file);

} // namespace app
