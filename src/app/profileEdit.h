#pragma once

#include "base/result.h"

#include <QString>
#include <vector>

namespace app {

// One key to set in a profile file.
struct ProfileSetting {
    QString section;
    QString key;
    QString value;
};

// The text with these keys set, everything else kept: other keys, comments,
// order and blank lines. A key its section lacks goes after the section's
// last line, a missing section at the end. Values are quoted where the
// reader would otherwise change them.
QString withSettings(const QString& text, std::vector<ProfileSetting> settings);

// The value as the profile reader gives it back: quoted where it has
// surrounding blanks or quotes of its own.
QString quotedForReader(const QString& value);

// Writes text into path in one step, readable by the user alone: it may hold
// a secret. The failure names the file.
[[nodiscard]] base::Result<bool> writePrivateText(const QString& path, const QString& text);

// Reads the file's text; a missing file reads as empty.
QString readProfileText(const QString& path);

} // namespace app
