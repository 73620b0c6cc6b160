#include "app/settings.h"

#include "app/profileFile.h"
#include "app/vbConvert.h"

#include <array>
#include <QDir>
#include <QUrl>

namespace app {

namespace {

struct Context {
    const Deployment& deployment;
    const QString& programFolder;
};

using Fallback = QString (*)(const Settings&, const Context&);
// Takes the value into the settings; false when it cannot be read.
using Store = bool (*)(Settings&, const QString&, const Context&);

enum Flags { Plain = 0, Trimmed = 1, EmptyIsDefault = 2 };

struct Key {
    const char* section;
    const char* name;
    Fallback fallback;
    int flags;
    Store store;
};

QString none(const Settings&, const Context&) {
    return {};
}
QString yes(const Settings&, const Context&) {
    return QStringLiteral("True");
}

template <QString Settings::*field> bool text(Settings& s, const QString& value, const Context&) {
    s.*field = value;
    return true;
}

template <QString MarktplatzSettings::*field>
bool market(Settings& s, const QString& value, const Context&) {
    s.marktplatz.*field = value;
    return true;
}

template <bool Settings::*field> bool flag(Settings& s, const QString& value, const Context&) {
    const std::optional<bool> b = toBoolean(value);
    if (b)
        s.*field = *b;
    return b.has_value();
}

// A timer starts the program from anywhere: a relative path means the
// program folder, not the current one.
bool database(Settings& s, const QString& value, const Context& c) {
    s.database = !value.isEmpty() && QDir::isRelativePath(value)
                     ? QDir(c.programFolder).absoluteFilePath(value)
                     : value;
    return true;
}

bool plattform(Settings& s, const QString& value, const Context& c) {
    s.plattform = value;
    s.urls = buildMarketplaceUrls(c.deployment, value);
    return true;
}

QString defaultDomain(const Settings&, const Context& c) {
    return c.deployment.defaultDomain;
}
QString defaultApi(const Settings&, const Context&) {
    return MarktplatzSettings().apiUrl;
}
// The first check host is the API's own.
QString apiHost(const Settings& s, const Context&) {
    const QString host = QUrl(s.marktplatz.apiUrl).host();
    return host.isEmpty() ? MarktplatzSettings().pruefHost1 : host;
}
QString secondHost(const Settings&, const Context&) {
    return MarktplatzSettings().pruefHost2;
}

// In the order they are read: a bad Boolean leaves the keys after it unread.
// An empty platform would strip the domain out of both page hosts.
const std::array<Key, 12> kKeys{{
    {"Main", "Database", none, Plain, database},
    {"User", "Username", none, Plain, text<&Settings::username>},
    {"Main", "checkInet", yes, Plain, flag<&Settings::checkInet>},
    {"Main", "Plattform", defaultDomain, EmptyIsDefault, plattform},
    {"Main", "KuntaBrowser", yes, Plain, flag<&Settings::kuntaBrowser>},
    {"Marktplatz", "ApiUrl", defaultApi, Trimmed | EmptyIsDefault,
     market<&MarktplatzSettings::apiUrl>},
    {"Marktplatz", "ClientId", none, Trimmed, market<&MarktplatzSettings::clientId>},
    {"Marktplatz", "ClientSecret", none, Trimmed, market<&MarktplatzSettings::clientSecret>},
    {"Marktplatz", "RefreshToken", none, Trimmed, market<&MarktplatzSettings::refreshToken>},
    {"Marktplatz", "Zeitlimit", none, Trimmed, market<&MarktplatzSettings::zeitlimit>},
    {"Main", "PruefHost1", apiHost, Trimmed | EmptyIsDefault,
     market<&MarktplatzSettings::pruefHost1>},
    {"Main", "PruefHost2", secondHost, Trimmed | EmptyIsDefault,
     market<&MarktplatzSettings::pruefHost2>},
}};

} // namespace

SettingsRead readSettings(const ProfileFile& ini, const Deployment& deployment,
                          const QString& programFolder) {
    const Context context{deployment, programFolder};
    SettingsRead read;
    for (const Key& key : kKeys) {
        const QString fallback = key.fallback(read.settings, context);
        QString value = ini.value(QLatin1String(key.section), QLatin1String(key.name), fallback);
        if (key.flags & Trimmed)
            value = value.trimmed();
        if ((key.flags & EmptyIsDefault) && value.trimmed().isEmpty())
            value = fallback;
        if (!key.store(read.settings, value, context)) {
            read.badKey =
                QStringLiteral("%1/%2").arg(QLatin1String(key.section), QLatin1String(key.name));
            break;
        }
    }
    return read;
}

} // namespace app
