// Reading Bin/config.INI into the globals, and the two marketplace addresses.
#include "answerers.h"
#include "app/marketplaceUrls.h"
#include "app/modGlobal.h"
#include "app/modini.h"
#include "app/profileFile.h"
#include "errors/procedure.h"

#include <QtTest>

using namespace modGlobal;

class ConfigurationTest : public QObject {
    Q_OBJECT

    std::unique_ptr<testsupport::ProgramFolder> folder;

    // Reads the configuration the way the main window's load does: an error
    // passed on reaches that procedure's handler.
    void readAsFormLoad() {
        errors::Procedure p("[frmAnzeige] Private Sub Form_Load()");
        p.step([] { modini::fnGetPfadeFaktorFromINI(); });
    }

private slots:
    void init() {
        resetGlobals();
        folder = std::make_unique<testsupport::ProgramFolder>();
    }
    void cleanup() { folder.reset(); }

    void withoutAFileEverySettingHasItsDefault() {
        testsupport::ErrorAnswerer answers;
        readAsFormLoad();
        QCOMPARE(answers.reports.size(), 0);
        QCOMPARE(sDatenbankPfad, QString());
        QCOMPARE(sStandardUser, QString());
        QVERIFY(bCheckInet);
        QVERIFY(bKuntaBrowser);
        QCOMPARE(sPlattform, QStringLiteral("ebay.de"));
        QCOMPARE(sFeedbackURL,
                 QStringLiteral("http://feedback.ebay.de/ws1/"
                                "eBayISAPI.dll?GetAndShowTransactions&item=0&page=1&nflw=1"));
        QCOMPARE(sArtikelURL, QStringLiteral("http://cgi.ebay.de/ws/"
                                             "eBayISAPI.dll?ViewItem&item=[#Artikel#]&rd=1"));
    }

    void valuesAreReadWithoutRegardToCase() {
        folder->writeConfig(
            "[MAIN]\r\nDATABASE = /daten/noten.db \r\ncheckinet=False\r\n"
            "plattform=ebay.at\r\nkuntabrowser=0\r\n[user]\r\nusername=\"Müller's Laden\"\r\n");
        modini::fnGetPfadeFaktorFromINI();
        QCOMPARE(sDatenbankPfad, QStringLiteral("/daten/noten.db"));
        QCOMPARE(sStandardUser, QStringLiteral("Müller's Laden"));
        QVERIFY(!bCheckInet);
        QVERIFY(!bKuntaBrowser);
        QCOMPARE(sPlattform, QStringLiteral("ebay.at"));
        QVERIFY(sFeedbackURL.startsWith(QStringLiteral("http://feedback.ebay.at/")));
        QVERIFY(sArtikelURL.startsWith(QStringLiteral("http://cgi.ebay.at/")));
    }

    void booleans_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("expected");
        QTest::newRow("0") << QByteArray("0") << false;
        QTest::newRow("1") << QByteArray("1") << true;
        QTest::newRow("-1") << QByteArray("-1") << true;
        QTest::newRow("2.5") << QByteArray("2.5") << true;
        QTest::newRow("true") << QByteArray("true") << true;
        QTest::newRow("FALSE") << QByteArray("FALSE") << false;
    }
    void booleans() {
        QFETCH(QByteArray, text);
        QFETCH(bool, expected);
        folder->writeConfig("[Main]\ncheckInet=" + text + "\n");
        modini::fnGetPfadeFaktorFromINI();
        QCOMPARE(bCheckInet, expected);
    }

    void aBooleanThatIsNoneStopsTheLoadWithTypeMismatch() {
        folder->writeConfig("[Main]\nDatabase=/x.db\ncheckInet=yes\n[User]\nUsername=anna\n");
        testsupport::ErrorAnswerer answers;
        answers.answer(errors::NextStatement);
        readAsFormLoad();
        QCOMPARE(answers.reports.size(), 1);
        const errors::ErrorReport& r = answers.reports.front();
        QCOMPARE(r.number, 13);
        QCOMPARE(r.description, QStringLiteral("Typen unverträglich"));
        QCOMPARE(r.module, QStringLiteral("frmAnzeige"));
        QCOMPARE(r.procedure, QStringLiteral("Form_Load"));
        // Read before the failing key: kept; after it: still empty.
        QCOMPARE(sDatenbankPfad, QStringLiteral("/x.db"));
        QCOMPARE(sStandardUser, QStringLiteral("anna"));
        QCOMPARE(sPlattform, QString());
        QCOMPARE(sArtikelURL, QString());
        QVERIFY(!bKuntaBrowser);
    }

    void thePassedOnErrorNamesTheReader() {
        folder->writeConfig("[Main]\nKuntaBrowser=vielleicht\n");
        try {
            modini::fnGetPfadeFaktorFromINI();
            QFAIL("no error");
        } catch (const errors::RuntimeError& e) {
            QCOMPARE(e.number(), 13);
            QCOMPARE(e.source(), QStringLiteral("ini::fnGetPfadeFaktorFromINI "));
        }
        // Everything before KuntaBrowser was read.
        QCOMPARE(sPlattform, QStringLiteral("ebay.de"));
        QVERIFY(!sFeedbackURL.isEmpty());
    }

    void aLongValueIsCutAt254Characters() {
        const QByteArray path = "/" + QByteArray(299, 'd');
        folder->writeConfig("[Main]\nDatabase=" + path + "\n");
        modini::fnGetPfadeFaktorFromINI();
        QCOMPARE(sDatenbankPfad.size(), 254);
        QCOMPARE(sDatenbankPfad, QString::fromLatin1(path.left(254)));
    }

    void aRelativeDatabaseCountsFromTheProgramFolder() {
        folder->writeConfig("[Main]\nDatabase=daten/noten.db\n");
        modini::fnGetPfadeFaktorFromINI();
        QCOMPARE(sDatenbankPfad, folder->path() + QStringLiteral("/daten/noten.db"));
    }

    void brokenFilesGiveDefaultsNotCrashes_data() {
        QTest::addColumn<QByteArray>("content");
        QByteArray binary;
        for (int i = 0; i < 4096; ++i)
            binary.append(char((i * 131) & 0xFF));
        QTest::newRow("binary") << binary;
        QTest::newRow("no sections") << QByteArray("Database=/x\nUsername=u\n");
        QTest::newRow("unclosed section") << QByteArray("[Main\nDatabase=/x\n");
        QTest::newRow("overlong line")
            << QByteArray("[Main]\nFoo=" + QByteArray(200000, 'x') + "\n");
        QTest::newRow("only equals") << QByteArray("[Main]\n=\n==\n");
        QTest::newRow("nul bytes") << QByteArray("[Main]\n\0\0\0=\0\n", 14);
    }
    void brokenFilesGiveDefaultsNotCrashes() {
        QFETCH(QByteArray, content);
        folder->writeConfig(content);
        testsupport::ErrorAnswerer answers;
        readAsFormLoad();
        QCOMPARE(answers.reports.size(), 0);
        QVERIFY(bCheckInet);
        QCOMPARE(sPlattform, QStringLiteral("ebay.de"));
    }

    void theFirstOfDuplicatesWins() {
        folder->writeConfig(
            "[Main]\nDatabase=/first\nDatabase=/second\n[main]\nPlattform=ebay.at\n");
        modini::fnGetPfadeFaktorFromINI();
        QCOMPARE(sDatenbankPfad, QStringLiteral("/first"));
        // A repeated section is not searched.
        QCOMPARE(sPlattform, QStringLiteral("ebay.de"));
    }

    void aMissingBinFolderIsAMissingFile() {
        QVERIFY(QDir(folder->path()).rmdir(QStringLiteral("Bin")));
        modini::fnGetPfadeFaktorFromINI();
        QVERIFY(bCheckInet);
        QCOMPARE(sDatenbankPfad, QString());
    }

    void latin1FilesAreRead() {
        folder->writeConfig("[User]\nUsername=K\xe4se\x80shop\n");
        modini::fnGetPfadeFaktorFromINI();
        QCOMPARE(sStandardUser, QStringLiteral("Käse€shop"));
    }

    void theFileIsNeverWritten() {
        const QByteArray content = "[Main]\nDatabase=/x\n";
        folder->writeConfig(content);
        modini::fnGetPfadeFaktorFromINI();
        QFile f(folder->file(QStringLiteral("Bin/config.INI")));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), content);
    }

    void addressesWithARedirectService() {
        app::Deployment d = app::Deployment::current();
        d.redirectHost = QStringLiteral("click.example.net");
        d.campaign = QStringLiteral("1234");
        d.partner = QStringLiteral("5678");
        const app::MarketplaceUrls own = app::buildMarketplaceUrls(d, QStringLiteral("ebay.de"));
        QCOMPARE(
            own.feedback,
            QStringLiteral("http://click.example.net/ad/ck/1234?RedirectEnter&partner=5678&loc="
                           "http://feedback.ebay.de/ws1/"
                           "eBayISAPI.dll?GetAndShowTransactions%26item=0%26page=1%26nflw=1"));
        QCOMPARE(own.article,
                 QStringLiteral(
                     "http://click.example.net/ad/ck/1234?RedirectEnter&partner=5678&loc="
                     "http://cgi.ebay.de/ws/eBayISAPI.dll?ViewItem%26item=[#Artikel#]%26rd=1"));
        const app::MarketplaceUrls ch = app::buildMarketplaceUrls(d, QStringLiteral("ebay.ch"));
        QCOMPARE(ch.article,
                 QStringLiteral(
                     "http://click.example.net/ad/ck/1234?RedirectEnter&partner=5678&loc="
                     "http://cgi.ebay.ch/ws/eBayISAPI.dll?ViewItem%26item=[#Artikel#]%26rd=1"));
    }

    void anEmptyPlattformKeepsTheDefaultHosts() {
        folder->writeConfig("[Main]\nPlattform=\n");
        modini::fnGetPfadeFaktorFromINI();
        QCOMPARE(sPlattform, QStringLiteral("ebay.de"));
        QVERIFY(sArtikelURL.startsWith(QStringLiteral("http://cgi.ebay.de/")));
    }
};

QTEST_GUILESS_MAIN(ConfigurationTest)
#include "tst_configuration.moc"
