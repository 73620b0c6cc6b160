#pragma once

#include "app/settings.h"
#include "base/result.h"

#include <QString>

namespace app {

// Where a secret of the configuration is kept.
enum class SecretHome {
    None,    // there is none
    Keyring, // the desktop's secret store
    File,    // Bin/config.INI, readable by the user alone
};

// "Schlüsselbund", "Datei", "keine".
QString secretHomeName(SecretHome home);

// What a sign-in leaves behind.
struct SignInRecord {
    QString member;
    QString refreshToken;
    QString anmeldungBis; // yyyy-MM-dd
};

// Writes a sign-in into the configuration file: the member and the expiry
// into the file, the refresh token into the keyring, or into the file when
// no keyring answers. Other keys and comments of the file stay.
[[nodiscard]] base::Result<SecretHome> saveSignIn(const QString& configFile,
                                                  const SignInRecord& record);

// Forgets the member's tokens: the keyring's entry and the file's keys. The
// member's name stays, so that the ratings still show whose they are.
[[nodiscard]] base::Result<bool> forgetSignIn(const QString& configFile, const QString& member);

// A secret of the configuration and where it was found.
struct StoredSecret {
    QString value;
    SecretHome home = SecretHome::None;
};

// The member's refresh token: the keyring's, else the file's. A token still
// in the file moves into the keyring the first time one answers.
StoredSecret refreshTokenOf(const Settings& settings);
// The client secret: the keyring's, else the file's (or the installation's).
StoredSecret clientSecretOf(const Settings& settings);

// A secret the file holds moves into the keyring when one answers; it
// stays in the file otherwise. Where it is now.
SecretHome keepSecret(const QString& configFile, const QString& member, const QString& what,
                      const QString& fileValue);

// The settings with the secrets the keyring holds filled in; for the
// feedback source only, never kept.
Settings withSecrets(Settings settings);

// Signed in: a sign-in's expiry or a refresh token is known.
bool signedIn(const Settings& settings);

} // namespace app
