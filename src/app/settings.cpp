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
    const ApplicationKeys& application;
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
QString no(const Settings&, const Context&) {
    return QStringLiteral("False");
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
QString defaultApi(const Settings&, const Context& c) {
    return c.application.apiUrl.isEmpty() ? MarktplatzSettings().apiUrl : c.application.apiUrl;
}
template <QString ApplicationKeys::*field> QString installed(const Settings&, const Context& c) {
    return c.application.*field;
}
QString anmeldeUrl(const Settings& s, const Context& c) {
    return c.application.anmeldeUrl.isEmpty() ? defaultAnmeldeUrl(s.marktplatz.apiUrl)
                                              : c.application.anmeldeUrl;
}
QString identityUrl(const Settings& s, const Context&) {
    return defaultIdentityUrl(s.marktplatz.apiUrl);
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
const std::array<Key, 20> kKeys{{
    {"Main", "Database", none, Plain, database},
    {"User", "Username", none, Plain, text<&Settings::username>},
    {"Main", "checkInet", yes, Plain, flag<&Settings::checkInet>},
    {"Main", "Plattform", defaultDomain, EmptyIsDefault, plattform},
    {"Main", "KuntaBrowser", yes, Plain, flag<&Settings::kuntaBrowser>},
    {"Marktplatz", "ApiUrl", defaultApi, Trimmed | EmptyIsDefault,
     market<&MarktplatzSettings::apiUrl>},
    {"Marktplatz", "ClientId", installed<&ApplicationKeys::clientId>, Trimmed | EmptyIsDefault,
     market<&MarktplatzSettings::clientId>},
    {"Marktplatz", "ClientSecret", installed<&ApplicationKeys::clientSecret>,
     Trimmed | EmptyIsDefault, market<&MarktplatzSettings::clientSecret>},
    {"Marktplatz", "RuName", installed<&ApplicationKeys::ruName>, Trimmed | EmptyIsDefault,
     market<&MarktplatzSettings::ruName>},
    {"Marktplatz", "AnmeldeUrl", anmeldeUrl, Trimmed | EmptyIsDefault,
     market<&MarktplatzSettings::anmeldeUrl>},
    {"Marktplatz", "IdentityUrl", identityUrl, Trimmed | EmptyIsDefault,
     market<&MarktplatzSettings::identityUrl>},
    {"Marktplatz", "RefreshToken", none, Trimmed, market<&MarktplatzSettings::refreshToken>},
    {"Marktplatz", "AnmeldungBis", none, Trimmed, market<&MarktplatzSettings::anmeldungBis>},
    {"Marktplatz", "Zeitlimit", none, Trimmed, market<&MarktplatzSettings::zeitlimit>},
    {"Marktplatz", "Parallel", none, Trimmed, market<&MarktplatzSettings::parallel>},
    {"Main", "PruefHost1", apiHost, Trimmed | EmptyIsDefault,
     market<&MarktplatzSettings::pruefHost1>},
    {"Main", "PruefHost2", secondHost, Trimmed | EmptyIsDefault,
     market<&MarktplatzSettings::pruefHost2>},
    {"Bewerten", "Automatisch", no, Trimmed | EmptyIsDefault, flag<&Settings::automatischBewerten>},
    {"Main", "Melden", none, Trimmed, text<&Settings::melden>},
    {"Main", "Intervall", none, Trimmed, text<&Settings::intervall>},
}};

// Vorlage1, Vorlage2 ... up to the first that is missing; empty ones are
// left out.
QStringList vorlagen(const ProfileFile& ini) {
    QStringList found;
    for (int n = 1;; ++n) {
        const std::optional<QString> value =
            ini.value(QStringLiteral("Bewertungsvorlagen"), QStringLiteral("Vorlage%1").arg(n));
        if (!value)
            break;
        if (!value->trimmed().isEmpty())
            found << value->trimmed();
    }
    return found.isEmpty() ? defaultBewertungsvorlagen() : found;
}

} // namespace

SettingsRead readSettings(const ProfileFile& ini, const Deployment& deployment,
                          const QString& programFolder, const ApplicationKeys& application) {
    const Context context{deployment, programFolder, application};
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
    read.settings.bewertungsvorlagen = vorlagen(ini);
    return read;
}

// No item number in them: the marketplace takes a long row of digits for a
// phone number and refuses the comment.
QStringList defaultBewertungsvorlagen() {
    return {QStringLiteral("Vielen Dank für Ihren Kauf von [#Titel#]! Schnelle Zahlung, gerne "
                           "wieder."),
            QStringLiteral("Reibungsloser Ablauf und prompte Zahlung. Ein angenehmer Käufer, "
                           "herzlichen Dank!"),
            QStringLiteral("Top Käufer: schnell bezahlt, freundlicher Kontakt. Jederzeit gerne "
                           "wieder!")};
}

namespace {
// The marketplace's own hosts by interface host: production, then sandbox.
QString marketplaceHost(const QString& apiUrl, const char* production, const char* sandbox) {
    const QUrl url(apiUrl.trimmed());
    if (url.scheme() == QLatin1String("https") && url.host() == QLatin1String("api.ebay.com"))
        return QString::fromLatin1(production);
    if (url.scheme() == QLatin1String("https") &&
        url.host() == QLatin1String("api.sandbox.ebay.com"))
        return QString::fromLatin1(sandbox);
    QString own = apiUrl.trimmed();
    while (own.endsWith(QLatin1Char('/')))
        own.chop(1);
    return own;
}
} // namespace

QString defaultAnmeldeUrl(const QString& apiUrl) {
    return marketplaceHost(apiUrl, "https://auth.ebay.com", "https://auth.sandbox.ebay.com");
}

QString defaultIdentityUrl(const QString& apiUrl) {
    return marketplaceHost(apiUrl, "https://apiz.ebay.com", "https://apiz.sandbox.ebay.com");
}

} // namespace app
