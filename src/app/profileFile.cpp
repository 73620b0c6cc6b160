#include "app/profileFile.h"

#include "base/windows1252.h"

#include <QFile>

namespace app {
namespace {
// A config file is a few lines; a larger one is read only this far.
constexpr qint64 kMaxBytes = 4 * 1024 * 1024;

QString unquote(QString value) {
    if (value.size() >= 2) {
        const QChar first = value.front();
        if ((first == u'"' || first == u'\'') && value.back() == first)
            return value.mid(1, value.size() - 2);
    }
    return value;
}
} // namespace

ProfileFile ProfileFile::load(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return fromText(base::decodeText(file.read(kMaxBytes)));
}

ProfileFile ProfileFile::fromText(const QString& text) {
    ProfileFile profile;
    QString section;
    QStringList seen;
    bool inSection = false;
    for (QStringView raw : QStringView(text).split(u'\n')) {
        const QStringView line = raw.trimmed();
        if (line.isEmpty() || line.front() == u';')
            continue;
        if (line.front() == u'[') {
            const qsizetype close = line.indexOf(u']');
            section = (close < 0 ? line.mid(1) : line.mid(1, close - 1)).trimmed().toString();
            section = section.toCaseFolded();
            // A repeated section is never searched: the first one answers.
            inSection = !seen.contains(section);
            seen << section;
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (!inSection || eq <= 0)
            continue;
        Entry entry{section, line.left(eq).trimmed().toString().toCaseFolded(),
                    unquote(line.mid(eq + 1).trimmed().toString())};
        profile.m_entries.push_back(std::move(entry));
    }
    return profile;
}

std::optional<QString> ProfileFile::value(const QString& section, const QString& key) const {
    const QString s = section.toCaseFolded();
    const QString k = key.toCaseFolded();
    for (const Entry& e : m_entries)
        if (e.section == s && e.key == k)
            return e.value.left(kMaxValueLength);
    return std::nullopt;
}

QString ProfileFile::value(const QString& section, const QString& key,
                           const QString& fallback) const {
    return value(section, key).value_or(fallback.left(kMaxValueLength));
}

} // namespace app
