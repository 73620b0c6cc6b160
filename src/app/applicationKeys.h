#pragma once

#include <QString>

namespace app {

class ProfileFile;

// The keys of the marketplace application an installation signs in with,
// as its administrator or distributor set them once for every user.
struct ApplicationKeys {
    QString clientId;
    QString clientSecret;
    QString ruName; // the redirect name the marketplace knows the application's accept page by
    QString apiUrl;
    QString anmeldeUrl;
};

// The file of the keys: $NOTENSCHAU_ANWENDUNG, else the one the folder's
// configuration names ([Marktplatz] Anwendung), else /etc/notenschau/anwendung.ini.
QString applicationKeysPath(const QString& configured = {});
// The file the configuration names, or empty.
QString configuredKeysFile(const ProfileFile& config);
// Names another file for this process and the programs it starts.
void useApplicationKeysFile(const QString& path);

// Section [Anwendung]; a missing file holds no keys.
ApplicationKeys readApplicationKeys(const ProfileFile& file);

} // namespace app
