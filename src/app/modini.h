#pragma once

#include <QString>

namespace modini {

// The configuration file: program folder + "/Bin/config.INI".
QString configPath();

// Reads the settings into the module globals, once at start. A Boolean that
// is not one is run-time error 13, passed to the caller with the source
// "ini::fnGetPfadeFaktorFromINI ". The file is never written.
void fnGetPfadeFaktorFromINI();

// Section [Marktplatz] and the two hosts of the connection check in [Main],
// read after the settings above.
struct MarktplatzSettings {
    QString apiUrl = QStringLiteral("https://api.ebay.com");
    QString clientId;
    QString clientSecret;
    QString refreshToken; // optional: a user token gives one's own ratings unmasked
    QString zeitlimit;    // seconds one request may take at most, as written; empty: 60
    QString pruefHost1 = QStringLiteral("api.ebay.com");
    QString pruefHost2 = QStringLiteral("www.ebay.de");
};

// The settings as last read; tests may set them directly.
MarktplatzSettings& marktplatz();

// What to tell the user when the settings name no standard user; empty when
// they do. Nothing is asked of the marketplace without one.
QString missingStandardUser();

} // namespace modini
