// Reading Bin/config.INI into the globals, and the two marketplace addresses.
#include "answerers.h"
#include "app/marketplaceUrls.h"
#include "app/modGlobal.h"
#include "app/modini.h"
#include "app/profileFile.h"
#include "errors/procedure.h"
#include "testData.h"

#include <QtTest>

using testsupport::fetch;

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
        modGlobal::resetGlobals();
        folder = std::make_unique<testsupport::ProgramFolder>();
    }
    void cleanup() { folder.reset(); }

    // What is read from a file (none: every setting has its default), and
    // that reading never writes it. A relative database path counts from the
    // program folder.
    void settings_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("database");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("plattform");
        QTest::addColumn<bool>("checkInet");
        QTest::addColumn<bool>("kunta");
        // The marketplace: ApiUrl, ClientId, ClientSecret, RefreshToken, PruefHost1 and 2.
        QTest::addColumn<QStringList>("marktplatz");
        const QStringList marktplatz{"https://api.ebay.com", "",           "", "",
                                     "api.ebay.com",         "www.ebay.de"};
        const auto row = [&](const char* name, const QByteArray& content,
                             const QString& database = {}, const QString& user = {},
                             const char* plattform = "ebay.de", bool checkInet = true,
                             bool kunta = true, const QStringList& market = {}) {
            QTest::newRow(name) << content << database << user << QString(plattform) << checkInet
                                << kunta << (market.isEmpty() ? marktplatz : market);
        };
        row("no file", QByteArray());
        row("any case",
            "[MAIN]\r\nDATABASE = /daten/noten.db \r\ncheckinet=False\r\nplattform=ebay.at\r\n"
            "kuntabrowser=0\r\n[user]\r\nusername=\"Müller's Laden\"\r\n",
            "/daten/noten.db", QStringLiteral("Müller's Laden"), "ebay.at", false, false);
        for (const char* text : {"0", "1", "-1", "2.5", "true", "FALSE"})
            row(text, QByteArray("[Main]\ncheckInet=") + text + "\n", {}, {}, "ebay.de",
                QByteArray(text) != "0" && QByteArray(text) != "FALSE");
        // The marketplace's section; the first check host is the API's host.
        row("marketplace",
            "[Main]\r\nDatabase=x.db\r\n[marktplatz]\r\napiurl=http://127.0.0.1:9/\r\n"
            "ClientId=meine-id\r\nClientSecret=ab^c#d\r\n",
            "x.db", {}, "ebay.de", true, true,
            {"http://127.0.0.1:9/", "meine-id", "ab^c#d", "", "127.0.0.1", "www.ebay.de"});
        row("check hosts, refresh token",
            "[Main]\r\nPruefHost1=eins.example\r\nPruefHost2=zwei.example\r\n[Marktplatz]\r\n"
            "RefreshToken=rt\r\n",
            {}, {}, "ebay.de", true, true,
            {"https://api.ebay.com", "", "", "rt", "eins.example", "zwei.example"});
        row("cut at 254 characters", "[Main]\nDatabase=/" + QByteArray(299, 'd') + "\n",
            "/" + QString(253, u'd'));
        row("relative database", "[Main]\nDatabase=daten/noten.db\n", "daten/noten.db");
        // A repeated section is not searched.
        row("the first of duplicates",
            "[Main]\nDatabase=/first\nDatabase=/second\n[main]\nPlattform=ebay.at\n", "/first");
        row("Latin-1", "[User]\nUsername=K\xe4se\x80shop\n", {}, QStringLiteral("Käse€shop"));
        row("empty Plattform", "[Main]\nPlattform=\n");
        // Broken files: no crash, and defaults where nothing can be read.
        QByteArray binary;
        for (int i = 0; i < 4096; ++i)
            binary.append(char((i * 131) & 0xFF));
        row("binary", binary);
        row("no sections", "Database=/x\nUsername=u\n");
        row("unclosed section", "[Main\nDatabase=/x\n", "/x");
        row("overlong line", "[Main]\nFoo=" + QByteArray(200000, 'x') + "\n");
        row("only equals", "[Main]\n=\n==\n");
        row("nul bytes", QByteArray("[Main]\n\0\0\0=\0\n", 14));
    }
    void settings() {
        QFETCH(QByteArray, content);
        QFETCH(QString, database);
        QFETCH(QString, plattform);
        QFETCH(QStringList, marktplatz);
        if (!content.isNull())
            folder->writeConfig(content);
        testsupport::ErrorAnswerer answers;
        readAsFormLoad();
        QCOMPARE(answers.reports.size(), 0);
        QCOMPARE(modGlobal::sDatenbankPfad, QDir::isRelativePath(database) && !database.isEmpty()
                                                ? folder->path() + u'/' + database
                                                : database);
        QCOMPARE(modGlobal::sStandardUser, fetch<QString>("user"));
        QCOMPARE(modGlobal::sPlattform, plattform);
        QCOMPARE(modGlobal::bCheckInet, fetch<bool>("checkInet"));
        QCOMPARE(modGlobal::bKuntaBrowser, fetch<bool>("kunta"));
        const modini::MarktplatzSettings& m = modini::marktplatz();
        QCOMPARE(QStringList({m.apiUrl, m.clientId, m.clientSecret, m.refreshToken, m.pruefHost1,
                              m.pruefHost2}),
                 marktplatz);
        QCOMPARE(modGlobal::sFeedbackURL,
                 "http://feedback." + plattform +
                     "/ws1/eBayISAPI.dll?GetAndShowTransactions&item=0&page=1&nflw=1");
        QCOMPARE(modGlobal::sArtikelURL,
                 "http://cgi." + plattform + "/ws/eBayISAPI.dll?ViewItem&item=[#Artikel#]&rd=1");
        QFile f(folder->file(QStringLiteral("Bin/config.INI")));
        QCOMPARE(f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray(), content);
    }

    void aBooleanThatIsNoneStopsTheLoadWithTypeMismatch() {
        folder->writeConfig("[Main]\nDatabase=/x.db\ncheckInet=yes\n[User]\nUsername=anna\n");
        testsupport::ErrorAnswerer answers;
        answers.answer(errors::NextStatement);
        readAsFormLoad();
        QCOMPARE(answers.reports.size(), 1);
        const errors::ErrorReport& r = answers.reports.front();
        // Passed on to the load's handler; the report's text is tst_procedure's.
        QCOMPARE(r.number, 13);
        QCOMPARE(r.procedure, QStringLiteral("Form_Load"));
        // Read before the failing key: kept; after it: still empty.
        QCOMPARE(modGlobal::sDatenbankPfad, QStringLiteral("/x.db"));
        QCOMPARE(modGlobal::sStandardUser, QStringLiteral("anna"));
        QCOMPARE(modGlobal::sPlattform, QString());
        QCOMPARE(modGlobal::sArtikelURL, QString());
        QVERIFY(!modGlobal::bKuntaBrowser);
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
};

QTEST_GUILESS_MAIN(ConfigurationTest)
#include "tst_configuration.moc"
