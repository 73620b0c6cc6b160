#pragma once

#include "app/applicationKeys.h"
#include "app/marketplaceUrls.h"

#include <QString>
#include <QStringList>

namespace app {

class ProfileFile;

// Section [Marktplatz] and the two hosts of the connection check in [Main].
struct MarktplatzSettings {
    QString apiUrl = QStringLiteral("https://api.ebay.com");
    QString clientId;
    QString clientSecret;
    QString refreshToken; // optional: a user token gives one's own ratings unmasked
    QString ruName;       // the application's redirect name, for signing in
    QString anmeldeUrl;   // where the consent page is
    QString identityUrl;  // where the identity interface is
    QString anmeldungBis; // yyyy-MM-dd: when the refresh token runs out; empty: unknown
    QString zeitlimit;    // seconds one request may take at most, as written; empty: 60
    QString parallel;     // page requests in flight at once, as written; empty: 4
    QString pruefHost1 = QStringLiteral("api.ebay.com");
    QString pruefHost2 = QStringLiteral("www.ebay.de");
};

// Everything Bin/config.INI says. Default-constructed it is the state before
// anything was read: empty texts, both switches off.
struct Settings {
    QString file; // the file it was read from, for messages that name it
    QString database;
    QString username;
    bool checkInet = false;
    QString plattform;
    bool kuntaBrowser = false;
    MarketplaceUrls urls;
    MarktplatzSettings marktplatz;
    // [Bewertungsvorlagen] Vorlage1, Vorlage2 ...: the comments for buyers;
    // the program's own three when the section has none.
    QStringList bewertungsvorlagen;
    bool automatischBewerten = false; // [Bewerten] Automatisch: rate buyers after each check
    QString melden;    // [Main] Melden: which new ratings a notice tells of, as written
    QString intervall; // [Main] Intervall: minutes between the window's own checks, as written
};

// What reading found. A key whose value is not a Boolean stops the reading:
// badKey names it, and the settings hold the keys before it only.
struct SettingsRead {
    Settings settings;
    QString badKey; // "Section/Key"; empty when every key was read
};

// Reads the settings from a profile file. Relative database paths count from
// programFolder; the marketplace addresses follow the platform. A key of the
// application left out or empty there is the installation's.
SettingsRead readSettings(const ProfileFile& ini, const Deployment& deployment,
                          const QString& programFolder, const ApplicationKeys& application = {});

// The consent page's and the identity interface's hosts that go with an
// interface address: the marketplace's own for production and sandbox, the
// interface itself for any other (the simulator).
// The comments for buyers when the configuration gives none.
QStringList defaultBewertungsvorlagen();

QString defaultAnmeldeUrl(const QString& apiUrl);
QString defaultIdentityUrl(const QString& apiUrl);

} // namespace app
