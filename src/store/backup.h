#pragma once

#include "store/schema.h"

#include <QByteArray>
#include <QString>

namespace store {

enum class BackupOutcome {
    Copied,
    TargetExists,  // and overwriting it was not asked for
    SourceRefused, // the database could not be opened
    CopyFailed,
};

struct BackupResult {
    BackupOutcome outcome = BackupOutcome::CopyFailed;
    QString message; // German, for the user
};

// Copies the database at source to target through SQLite's online backup:
// one consistent state of the file, even while another connection writes to
// it. The copy is made under a temporary name beside target and renamed to
// target at the end, so target is either the whole copy or untouched; a
// failed copy leaves nothing behind. The copy has the same key and settings.
BackupResult backupDatabase(const QString& source, const QString& target, bool overwrite,
                            const QByteArray& key = databasePassword());

} // namespace store
