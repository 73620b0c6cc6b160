#pragma once

#include "errors/systemInfo.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

namespace errors {

// What the error dialog shows of one error.
struct ErrorReport {
    int number = 0;
    QString description;
    QString module;
    QString procedure;
    int line = 0;

    // "13 (Typen unverträglich)"
    QString numberText() const;
};

// The protocol text, every line ended by CR LF.
QString buildProtocol(const QString& progInfo, const ErrorReport& report, const QStringList& trace,
                      const QDateTime& when, const SystemInfo& system);

// The two protocol files, named after the executable: the log (".EPT",
// appended on every error) and the saved protocol (".ERR"). They live in the
// program folder, or in the user's data folder when that is not writable.
namespace protocolFiles {
QString folder();
QString logPath();
QString savedPath();

// Appends text + CR LF to the log. On failure returns false with a reason.
bool appendToLog(const QString& protocol, QString* error);

// Replaces the saved protocol with text + CR LF, atomically.
bool save(const QString& path, const QString& protocol, QString* error);
} // namespace protocolFiles

} // namespace errors
