// The sign-in's secrets: in a real keyring on a private session bus when the
// test runs with one (KEYRING=1), in the 0600 configuration file without.
#include "app/keyring.h"
#include "app/profileEdit.h"
#include "app/signInStore.h"
#include "testData.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using app::SecretHome;

class SignInStoreTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    const bool withKeyring = qEnvironmentVariableIntValue("KEYRING") == 1;
    QString config() const { return dir.filePath("config.INI"); }
    SecretHome expectedHome() const { return withKeyring ? SecretHome::Keyring : SecretHome::File; }
    app::Settings settingsOf(const QString& member) const {
        app::Settings s;
        s.file = config();
        s.username = member;
        return s;
    }

private slots:
    void init() {
        QVERIFY(app::writePrivateText(config(), "; Eigene Zeile\n[User]\nUsername=alt\n\n"
                                                "[Marktplatz]\nApiUrl=http://127.0.0.1:1\n"));
    }

    void aSignInIsKeptAndForgotten() {
        const auto saved = app::saveSignIn(config(), {"Anna", "rt-geheim", "2028-06-01"});
        QVERIFY(saved);
        QCOMPARE(*saved, expectedHome());
        const QString text = QString::fromUtf8(testsupport::readFile(config()));
        QVERIFY(text.startsWith("; Eigene Zeile\n[User]\nUsername=Anna\n"));
        QVERIFY(text.contains("ApiUrl=http://127.0.0.1:1\n"));
        QVERIFY(text.contains("AnmeldungBis=2028-06-01"));
        QCOMPARE(text.contains("rt-geheim"), !withKeyring);
        QCOMPARE(QFile::permissions(config()) & 0x0077, QFileDevice::Permissions());
        // The member's name is the key, in any case.
        app::Settings s = settingsOf("anna");
        s.marktplatz.refreshToken = withKeyring ? QString() : "rt-geheim";
        QCOMPARE(app::refreshTokenOf(s).value, QStringLiteral("rt-geheim"));
        QCOMPARE(app::refreshTokenOf(s).home, expectedHome());
        QCOMPARE(app::refreshTokenOf(settingsOf("bert")).home, SecretHome::None);

        QVERIFY(app::forgetSignIn(config(), "Anna"));
        const QString after = QString::fromUtf8(testsupport::readFile(config()));
        QVERIFY(after.contains("Username=Anna\n"));
        QVERIFY(after.contains("RefreshToken=\n"));
        QVERIFY(after.contains("AnmeldungBis=\n"));
        QCOMPARE(app::refreshTokenOf(settingsOf("Anna")).home, SecretHome::None);
    }

    // A token someone pasted into the file moves into the keyring once one answers.
    void aTokenInTheFileMoves() {
        QVERIFY(app::writePrivateText(config(), "[User]\nUsername=Anna\n[Marktplatz]\n"
                                                "RefreshToken=rt-alt\n"));
        app::Settings s = settingsOf("Anna");
        s.marktplatz.refreshToken = "rt-alt";
        const app::StoredSecret found = app::refreshTokenOf(s);
        QCOMPARE(found.value, QStringLiteral("rt-alt"));
        QCOMPARE(found.home, expectedHome());
        QCOMPARE(testsupport::readFile(config()).contains("rt-alt"), !withKeyring);
        QCOMPARE(app::withSecrets(settingsOf("Anna")).marktplatz.refreshToken,
                 withKeyring ? QStringLiteral("rt-alt") : QString());
        QVERIFY(app::forgetSignIn(config(), "Anna"));
    }

    // A folder that cannot be written keeps nothing behind in the keyring.
    void aFailedWriteLeavesNoToken() {
        const QString blocked = dir.filePath("fehlt/config.INI");
        QVERIFY(!app::saveSignIn(blocked, {"Anna", "rt-neu", "2028-06-01"}));
        QCOMPARE(app::keyring::read({blocked, "Anna", "RefreshToken"}).answer,
                 withKeyring ? app::keyring::Answer::Absent : app::keyring::Answer::Unavailable);
    }
};

QTEST_GUILESS_MAIN(SignInStoreTest)
#include "tst_signInStore.moc"
