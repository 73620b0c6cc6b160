#include "app/profileEdit.h"

#include "base/windows1252.h"

#include <QFile>
#include <QSaveFile>
#include <QStringList>

namespace app {

namespace {

struct Pending {
    ProfileSetting setting;
    bool written = false;
};

bool sameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

QString line(const ProfileSetting& s) {
    return s.key + QLatin1Char('=') + quotedForReader(s.value);
}

// The keys a section lacks go after its last line that is not blank.
void finishSection(QStringList& lines, std::vector<Pending>& pending, const QString& section) {
    qsizetype at = lines.size();
    while (at > 0 && lines.at(at - 1).trimmed().isEmpty())
        --at;
    for (Pending& p : pending)
        if (!p.written && sameName(p.setting.section, section)) {
            lines.insert(at++, line(p.setting));
            p.written = true;
        }
}

// Replaces the line when it sets one of the pending keys of its section.
void replaceKey(QString& text, const QString& section, std::vector<Pending>& pending) {
    const QString trimmed = text.trimmed();
    const qsizetype eq = trimmed.indexOf(QLatin1Char('='));
    if (eq <= 0 || trimmed.startsWith(QLatin1Char(';')))
        return;
    const QString key = trimmed.left(eq).trimmed();
    for (Pending& p : pending)
        if (!p.written && sameName(p.setting.section, section) && sameName(p.setting.key, key)) {
            text = line(p.setting);
            p.written = true;
        }
}

} // namespace

QString quotedForReader(const QString& value) {
    // The reader drops one pair of surrounding quotes: a value that has them
    // itself gets another pair, so that it reads back unchanged.
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
        value.back() == value.front())
        return QLatin1Char('"') + value + QLatin1Char('"');
    return value;
}

QString withSettings(const QString& text, std::vector<ProfileSetting> settings) {
    std::vector<Pending> pending;
    pending.reserve(settings.size());
    for (ProfileSetting& s : settings)
        pending.push_back({std::move(s)});
    QStringList lines;
    QString section;
    QStringList seen;
    for (QString l : text.split(QLatin1Char('\n'))) {
        if (l.endsWith(QLatin1Char('\r')))
            l.chop(1);
        const QString trimmed = l.trimmed();
        if (trimmed.startsWith(QLatin1Char('['))) {
            finishSection(lines, pending, section);
            section = trimmed.mid(1, trimmed.indexOf(QLatin1Char(']')) - 1).trimmed();
            seen << section.toCaseFolded();
        } else {
            replaceKey(l, section, pending);
        }
        lines << l;
    }
    finishSection(lines, pending, section);
    while (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (Pending& p : pending) {
        if (p.written)
            continue;
        if (!seen.contains(p.setting.section.toCaseFolded())) {
            lines << QString() << QLatin1Char('[') + p.setting.section + QLatin1Char(']');
            seen << p.setting.section.toCaseFolded();
        }
        lines << line(p.setting);
        p.written = true;
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

base::Result<bool> writePrivateText(const QString& path, const QString& text) {
    QSaveFile file(path);
    // Permissions before the first byte: the file may hold a secret.
    const bool written = file.open(QIODevice::WriteOnly) &&
                         file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner) &&
                         file.write(text.toUtf8()) >= 0 && file.commit();
    if (!written)
        return base::Failure{QStringLiteral("Die Einstellungen können nicht nach %1 geschrieben "
                                            "werden: %2")
                                 .arg(path, file.errorString())};
    return true;
}

QString readProfileText(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? base::decodeText(file.readAll()) : QString();
}

} // namespace app
