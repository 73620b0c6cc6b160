#include "app/signInStore.h"

#include "app/keyring.h"
#include "app/profileEdit.h"

namespace app {

namespace {

const QString kMarket = QStringLiteral("Marktplatz");
const QString kRefreshToken = QStringLiteral("RefreshToken");
const QString kClientSecret = QStringLiteral("ClientSecret");

base::Result<bool> setKeys(const QString& configFile, std::vector<ProfileSetting> settings) {
    return writePrivateText(configFile,
                            withSettings(readProfileText(configFile), std::move(settings)));
}

// The file's value wins: it is newer than the keyring's, which it then
// replaces. It leaves the file only once the keyring holds it.
StoredSecret secretOf(const SecretName& name, const QString& fileValue) {
    if (!fileValue.isEmpty()) {
        if (keyring::write(name, fileValue) == keyring::Answer::Found &&
            setKeys(name.configFile, {{kMarket, name.what, QString()}}))
            return {fileValue, SecretHome::Keyring};
        return {fileValue, SecretHome::File};
    }
    const keyring::Read read = keyring::read(name);
    if (read.answer == keyring::Answer::Found && !read.secret.isEmpty())
        return {read.secret, SecretHome::Keyring};
    return {};
}

} // namespace

SecretHome keepSecret(const QString& configFile, const QString& member, const QString& what,
                      const QString& fileValue) {
    return secretOf({configFile, member, what}, fileValue).home;
}

QString secretHomeName(SecretHome home) {
    switch (home) {
    case SecretHome::Keyring:
        return QStringLiteral("Schlüsselbund");
    case SecretHome::File:
        return QStringLiteral("Datei");
    case SecretHome::None:
        break;
    }
    return QStringLiteral("keine");
}

base::Result<SecretHome> saveSignIn(const QString& configFile, const SignInRecord& record) {
    const SecretName name{configFile, record.member, kRefreshToken};
    const bool inKeyring = keyring::write(name, record.refreshToken) == keyring::Answer::Found;
    const auto written =
        setKeys(configFile, {{QStringLiteral("User"), QStringLiteral("Username"), record.member},
                             {kMarket, kRefreshToken, inKeyring ? QString() : record.refreshToken},
                             {kMarket, QStringLiteral("AnmeldungBis"), record.anmeldungBis}});
    if (!written) {
        // The file still names the member before: the new token must not
        // stay behind under the new one's name.
        if (inKeyring)
            keyring::remove(name);
        return base::Failure{written.error()};
    }
    return inKeyring ? SecretHome::Keyring : SecretHome::File;
}

base::Result<bool> forgetSignIn(const QString& configFile, const QString& member) {
    keyring::remove({configFile, member, kRefreshToken});
    return setKeys(configFile, {{kMarket, kRefreshToken, QString()},
                                {kMarket, QStringLiteral("AnmeldungBis"), QString()}});
}

StoredSecret refreshTokenOf(const Settings& settings) {
    return secretOf({settings.file, settings.username, kRefreshToken},
                    settings.marktplatz.refreshToken);
}

StoredSecret clientSecretOf(const Settings& settings) {
    const keyring::Read read = keyring::read({settings.file, QString(), kClientSecret});
    if (read.answer == keyring::Answer::Found && !read.secret.isEmpty())
        return {read.secret, SecretHome::Keyring};
    if (settings.marktplatz.clientSecret.isEmpty())
        return {};
    return {settings.marktplatz.clientSecret, SecretHome::File};
}

Settings withSecrets(Settings settings) {
    if (!settings.file.isEmpty()) {
        settings.marktplatz.refreshToken = refreshTokenOf(settings).value;
        settings.marktplatz.clientSecret = clientSecretOf(settings).value;
    }
    return settings;
}

bool signedIn(const Settings& settings) {
    return !settings.marktplatz.anmeldungBis.isEmpty() ||
           !settings.marktplatz.refreshToken.isEmpty();
}

} // namespace app
