#pragma once

#include <optional>
#include <QString>
#include <QStringList>
#include <vector>

namespace app {

// An INI file read the way the private-profile functions read one: sections
// and keys without regard to case, the first of duplicate sections or keys
// wins, values trimmed and freed of one pair of surrounding quotes, and at
// most 254 characters of a value.
class ProfileFile {
public:
    static constexpr int kMaxValueLength = 254;

    // A missing or unreadable file reads as an empty one.
    static ProfileFile load(const QString& path);
    static ProfileFile fromText(const QString& text);

    // The value, or nullopt when the section or key is absent.
    std::optional<QString> value(const QString& section, const QString& key) const;
    // The value, or the default when the section or key is absent.
    QString value(const QString& section, const QString& key, const QString& fallback) const;

private:
    struct Entry {
        QString section; // folded
        QString key;     // folded
        QString value;
    };
    std::vector<Entry> m_entries;
};

} // namespace app
