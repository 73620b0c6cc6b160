// Signing in with eBay while setting up, against the simulator's consent
// page: in the set-up window offscreen, and on the terminal as a process
// whose folder the program then loads ratings into.
#include "marktsimProcess.h"
#include "processRun.h"
#include "retrieval/signIn.h"
#include "setupWindow.h"
#include "standInDesktop.h"
#include "testData.h"

#include <QClipboard>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUrlQuery>
#include <sys/stat.h>

using testsupport::fetch;
using testsupport::ProcessResult;
using testsupport::readFile;

namespace {

const QString kTool = QStringLiteral(NOTENSCHAU_PROGRAM_DIR "/notenschau-einrichten");
const QString kRuName = QStringLiteral("Notenschau_Test-RuName");
const QString kScopes = QStringLiteral("https://api.ebay.com/oauth/api_scope/commerce.");

int mode(const QString& path) {
    struct stat s {};
    return ::stat(QFile::encodeName(path).constData(), &s) == 0 ? int(s.st_mode & 0777) : -1;
}

QString withParameter(const QString& address, const QString& name, const QString& value) {
    QUrl url(address, QUrl::StrictMode);
    QUrlQuery query(url);
    query.removeAllQueryItems(name);
    query.addQueryItem(name, QString::fromLatin1(QUrl::toPercentEncoding(value)));
    url.setQuery(query);
    return url.toString(QUrl::FullyEncoded);
}

// Where the browser ends up after the consent page answered.
QString landing(const QString& consent) {
    QNetworkAccessManager nam;
    QNetworkRequest request{QUrl(consent, QUrl::StrictMode)};
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    QNetworkReply* reply = nam.get(request);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    const QString at = reply->url().toString(QUrl::FullyEncoded);
    delete reply;
    return at;
}

// A row of consent page mode, what is pasted, the status and what is said.
void signInRow(const char* name, const char* consent, const char* how, int code, const char* said) {
    QTest::newRow(name) << consent << how << code << QString::fromUtf8(said);
}

// The settings' days as the marketplace gives them: 18 months from now.
QDateTime signInEnds() {
    return QDateTime::currentDateTimeUtc().addSecs(47304000);
}

} // namespace

class Anmelden : public QObject {
    Q_OBJECT
    marktsim::SimProcess sim;
    QTemporaryDir home;
    QString folder;
    QString keysFile;

    QString config() const { return folder + "/Bin/config.INI"; }
    // The computer's application keys, in part or whole.
    static app::ApplicationKeys keys(bool client = true, bool ruName = true) {
        return {client ? "notenschau" : "", client ? "geheim" : "", ruName ? kRuName : "", {}, {}};
    }

    // What the user pastes after the consent page: the landing address, or
    // something else as the row says.
    QString paste(const QString& consent, const QString& how) const {
        if (how == "words")
            return QStringLiteral("ich habe zugestimmt");
        if (how == "another state")
            return landing(withParameter(consent, "state", "fremd"));
        if (how == "identity scope alone")
            return landing(withParameter(consent, "scope", kScopes + "identity.readonly"));
        if (how == "read-only scope")
            return landing(withParameter(consent, "scope", kScopes + "feedback.readonly"));
        const QString address = landing(consent);
        if (how == "used code")
            spend(address);
        return address;
    }
    // The code goes to the marketplace once, as from another computer.
    void spend(const QString& address) const {
        app::MarktplatzSettings s;
        s.apiUrl = s.identityUrl = sim.baseUrl();
        s.clientId = "notenschau";
        s.clientSecret = "geheim";
        s.ruName = kRuName;
        const QString code = QUrlQuery(QUrl(address)).queryItemValue("code", QUrl::FullyDecoded);
        QEventLoop loop;
        retrieval::SignInExchange exchange(s);
        exchange.start(code, [&](const retrieval::SignInResult&) { loop.quit(); });
        loop.exec();
    }

    // notenschau-einrichten --anmelden: the consent address read from its
    // output, the paste written to its input.
    ProcessResult signInOnTerminal(const QString& how, const QString& apiUrl,
                                   QString* consent = nullptr) const {
        QProcess p;
        p.start(kTool,
                {"--anmelden", "--ordner", folder, "--api-url", apiUrl, "--anwendung", keysFile});
        QString said;
        QString address;
        while (address.isEmpty() && (p.canReadLine() || p.waitForReadyRead(60000))) {
            const QString line = QString::fromUtf8(p.readLine());
            said += line;
            if (line.startsWith("http"))
                address = line.trimmed();
        }
        if (consent)
            *consent = address;
        p.write((paste(address, how) + "\n").toUtf8());
        p.closeWriteChannel();
        ProcessResult r = testsupport::finishProcess(p);
        r.out.prepend(said);
        return r;
    }

    // Run once without a session bus and once on a private one with a
    // keyring of its own (KEYRING=1).
    const bool withKeyring = qEnvironmentVariableIntValue("KEYRING") == 1;

    // The folder belongs to who signed in; the token is in the file only
    // when no keyring answered.
    void signedInAs(const QString& member) const {
        const QByteArray text = readFile(config());
        QVERIFY2(text.contains("Username=" + member.toUtf8() + "\n"), text.constData());
        QVERIFY(text.contains(
            "AnmeldungBis=" + signInEnds().toLocalTime().toString("yyyy-MM-dd").toUtf8() + "\n"));
        QCOMPARE(text.contains("RefreshToken=v^1.1#i^1#r^1"), !withKeyring);
        QCOMPARE(mode(config()), 0600);
    }
    QString secretHomeText() const {
        return withKeyring ? "Das RefreshToken liegt im Schlüsselbund der Sitzung."
                           : "Kein Schlüsselbund gefunden: Das RefreshToken steht in " + config() +
                                 ", nur für Sie lesbar.";
    }

    // The set-up window on the test's folder, shown.
    std::unique_ptr<setup::SetupWindow> window(const app::ApplicationKeys& installed,
                                               const QString& apiUrl = {}) const {
        setup::Values given;
        given.apiUrl = apiUrl;
        given.folder = folder;
        given.installed = installed;
        auto window = std::make_unique<setup::SetupWindow>(given, NOTENSCHAU_PROGRAM_DIR);
        window->show();
        return window;
    }

    ProcessResult cli(const QStringList& args) const {
        return testsupport::runProcess(folder + "/notenschau-cli", args);
    }

private slots:
    void initTestCase() {
        QVERIFY2(sim.start({"--member", "anna:37", "--member", "bert:5", "--runame", kRuName}),
                 qPrintable(sim.errorString()));
        QVERIFY(QFile::setPermissions(home.path(),
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        qputenv("XDG_RUNTIME_DIR", home.path().toUtf8());
        qputenv("XDG_DATA_HOME", (home.path() + "/data").toUtf8());
        keysFile = home.path() + "/anwendung.ini";
        QFile file(keysFile);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[Anwendung]\nClientId=notenschau\nClientSecret=geheim\nRuName=" +
                   kRuName.toUtf8() + "\n");
        file.close();
    }
    void init() {
        folder = home.path() + "/" + QTest::currentTestFunction() + "-" + QTest::currentDataTag();
        sim.admin("consent", {{"mode", "auto"}, {"member", "anna"}});
    }

    // Signed in on the terminal, the folder is the member's and the program
    // loads the member's own ratings, givers and items unmasked.
    void signedInOnTheTerminal() {
        testsupport::StandInDesktop desktop;
        QString consent;
        const ProcessResult r = signInOnTerminal("agreed", sim.baseUrl(), &consent);
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QCOMPARE(desktop.started("xdg-open"), "xdg-open|" + consent);
        QVERIFY(consent.startsWith(sim.baseUrl() + "/oauth2/authorize?client_id=notenschau&"));
        QVERIFY(r.out.contains("Angemeldet als anna; die Anmeldung gilt bis " +
                               signInEnds().toLocalTime().toString("dd.MM.yyyy") + ".\n"));
        QVERIFY(r.out.contains("Das Mitglied anna hat beim Marktplatz 37 Bewertungen."));
        QVERIFY(r.out.contains(secretHomeText()));
        signedInAs("anna");
        // The folder's programs find the keys where the set-up found them.
        QVERIFY(readFile(config()).contains("Anwendung=" + keysFile.toUtf8() + "\n"));

        const ProcessResult loaded = cli({"pruefen", "--ja"});
        QVERIFY2(loaded.code == 0, qPrintable(loaded.err));
        QVERIFY(loaded.out.contains("insgesamt 37"));
        const ProcessResult list = cli({"liste", "--format", "json"});
        const QJsonObject listed = QJsonDocument::fromJson(list.out.toUtf8()).object();
        QCOMPARE(listed["von"].toInt(), 37);
        const QJsonArray rows = listed["bewertungen"].toArray();
        QVERIFY2(!rows.isEmpty(), qPrintable(list.out));
        for (const QJsonValue& row : rows) {
            QVERIFY(!row["mitglied"].toString().isEmpty());
            QVERIFY(!row["mitglied"].toString().contains('*'));
            QVERIFY(!row["artikel"].toString().isEmpty());
        }

        // Who is signed in, and where the token is; never the token itself.
        const ProcessResult status = cli({"anmeldung"});
        QCOMPARE(status.code, 0);
        QCOMPARE(
            status.out,
            "Mitglied: anna\nGespeichert: " + QString(withKeyring ? "Schlüsselbund" : "Datei") +
                "\nGültig bis: " + signInEnds().toLocalTime().toString("dd.MM.yyyy") + "\n");
        QCOMPARE(status.err.contains("Kein Schlüsselbund gefunden"), !withKeyring);
        for (const ProcessResult* said : {&r, &loaded, &list, &status})
            QVERIFY(!(said->out + said->err).contains("v^1.1#"));

        const ProcessResult out = cli({"abmelden"});
        QCOMPARE(out.code, 0);
        QCOMPARE(out.out, QString("Abgemeldet: Die Anmeldung von anna ist vergessen; die "
                                  "gespeicherten Bewertungen bleiben.\n"));
        QVERIFY(!readFile(config()).contains("v^1.1#"));
        QCOMPARE(cli({"anmeldung"}).out,
                 QString("Mitglied: anna\nNicht bei eBay angemeldet. "
                         "Anmelden mit: notenschau-einrichten --anmelden\n"));
        QCOMPARE(
            QJsonDocument::fromJson(cli({"liste", "--format", "json"}).out.toUtf8())["von"].toInt(),
            37);
    }

    // Nothing is written when the sign-in does not work out.
    void refusedOnTheTerminal_data() {
        QTest::addColumn<QString>("consent");
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("said");
        const auto row = signInRow;
        row("refused on the consent page", "deny", "agreed", 8, "Zugriff auf Ihr eBay-Konto");
        row("another sign-in's address", "auto", "another state", 8, "anderen Anmeldung");
        row("a code used already", "auto", "used code", 8, "schon verwendet");
        row("a grant without the feedback scope", "auto", "identity scope alone", 5,
            "HTTP-Status 400");
        row("the page refusing a scope", "auto", "read-only scope", 8, "„code=“");
        row("words", "auto", "words", 8, "„code=“");
    }
    void refusedOnTheTerminal() {
        testsupport::StandInDesktop desktop;
        sim.admin("consent", {{"mode", fetch<QString>("consent")}, {"member", "anna"}});
        const ProcessResult r = signInOnTerminal(fetch<QString>("how"), sim.baseUrl());
        QTEST(r.code, "code");
        QVERIFY2(r.err.contains(fetch<QString>("said")), qPrintable(r.err));
        QVERIFY(!QFileInfo::exists(folder));
    }

    // A sign-in that ran out is refused at the next load: nothing stored.
    void anExpiredSignIn() {
        testsupport::StandInDesktop desktop;
        marktsim::SimProcess shortLived;
        QVERIFY(shortLived.start(
            {"--member", "anna:37", "--runame", kRuName, "--refresh-token-lifetime", "4"}));
        shortLived.admin("consent", {{"mode", "auto"}, {"member", "anna"}});
        // Long enough for the set-up's own check on a busy machine; the
        // token's life counts from before the sign-in.
        QElapsedTimer since;
        since.start();
        const ProcessResult r = signInOnTerminal("agreed", shortLived.baseUrl());
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QTest::qWait(int(qMax<qint64>(0, 4100 - since.elapsed())));
        const int entries = shortLived.stats().value("entries").toInt();
        const ProcessResult loaded = cli({"pruefen", "--ja"});
        QCOMPARE(loaded.code, 1);
        QVERIFY2((loaded.out + loaded.err).contains("Bitte melden Sie sich neu an."),
                 qPrintable(loaded.err));
        QCOMPARE(shortLived.stats().value("entries").toInt(), entries);
        const ProcessResult list = cli({"liste", "--format", "json"});
        QCOMPARE(QJsonDocument::fromJson(list.out.toUtf8())["von"].toInt(), 0);
    }

    // The window's first choice: the consent page in the browser and here,
    // the landing address pasted; failures said in the window, the paste kept.
    void theWindowSignsIn_data() {
        QTest::addColumn<QString>("consent");
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("said");
        const auto row = signInRow;
        row("agreed", "auto", "agreed", 0, "Angemeldet als anna; die Anmeldung gilt bis ");
        row("refused", "deny", "agreed", 8,
            "Sie haben Notenschau den Zugriff auf Ihr eBay-Konto nicht erlaubt.");
        row("another sign-in's address", "auto", "another state", 8, "anderen Anmeldung");
        row("words", "auto", "words", 8, "Bitte fügen Sie die ganze Adresse der Seite ein");
    }
    void theWindowSignsIn() {
        testsupport::StandInDesktop desktop;
        sim.admin("consent", {{"mode", fetch<QString>("consent")}, {"member", "anna"}});
        const auto shown = window(keys(), sim.baseUrl());
        setup::SetupWindow& window = *shown;
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(window.signInButton()->isDefault());
        QVERIFY(!window.findChild<QLineEdit*>("mitglied")->isVisible());
        QTest::mouseClick(window.signInButton(), Qt::LeftButton);

        auto* consentField = window.findChild<QLineEdit*>("zustimmungsseite");
        QVERIFY(consentField->isVisible() && consentField->isReadOnly());
        const QString consent = consentField->text();
        QCOMPARE(desktop.started("xdg-open"), "xdg-open|" + consent);
        QTest::mouseClick(window.findChild<QPushButton*>("kopieren"), Qt::LeftButton);
        QCOMPARE(QGuiApplication::clipboard()->text(), consent);

        auto* pasteField = window.findChild<QLineEdit*>("eingefuegt");
        const QString pasted = paste(consent, fetch<QString>("how"));
        pasteField->setText(pasted);
        QSignalSpy ended(&window, &setup::SetupWindow::attemptEnded);
        QTest::mouseClick(window.findChild<QPushButton*>("weiter"), Qt::LeftButton);
        QVERIFY(!ended.isEmpty() || ended.wait(60000));
        QTEST(ended.first().first().toInt(), "status");
        const QString said = window.findChild<QLabel*>("meldung")->text();
        QVERIFY2(said.contains(fetch<QString>("said")), qPrintable(said));
        const bool good = ended.first().first().toInt() == 0;
        QCOMPARE(window.isVisible(), !good);
        QCOMPARE(QFileInfo::exists(folder), good);
        if (!good) {
            QCOMPARE(pasteField->text(), pasted);
            return;
        }
        QVERIFY2(said.contains(secretHomeText().toHtmlEscaped()), qPrintable(said));
        QVERIFY(window.outcome().message.contains("Das Mitglied anna hat beim Marktplatz 37 "
                                                  "Bewertungen."));
        signedInAs("anna");
    }

    // Keys the computer's file lacks: named, and taken from "Erweitert".
    void theWindowWithoutKeys_data() {
        QTest::addColumn<QString>("installed");
        QTest::addColumn<QString>("missing");
        QTest::newRow("none") << "none"
                              << "ClientId, ClientSecret, RuName";
        QTest::newRow("no RuName") << "no RuName"
                                   << "RuName";
    }
    void theWindowWithoutKeys() {
        testsupport::StandInDesktop desktop;
        const QString installed = fetch<QString>("installed");
        const auto shown = window(keys(installed != "none", false), sim.baseUrl());
        setup::SetupWindow& window = *shown;
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QSignalSpy ended(&window, &setup::SetupWindow::attemptEnded);
        QTest::mouseClick(window.signInButton(), Qt::LeftButton);
        QCOMPARE(ended.value(0).value(0).toInt(), 2);
        QVERIFY(window.findChild<QLabel*>("meldung")->text().contains(
            "Für die Anmeldung bei eBay fehlen Schlüssel der Anwendung: " +
            fetch<QString>("missing") + "."));
        QVERIFY(window.findChild<QLineEdit*>("ruName")->isVisible());
        QVERIFY(!window.findChild<QLineEdit*>("zustimmungsseite")->isVisible());

        if (installed == "none") {
            QTest::keyClicks(window.findChild<QLineEdit*>("clientId"), "notenschau");
            QTest::keyClicks(window.findChild<QLineEdit*>("clientSecret"), "geheim");
        }
        QTest::keyClicks(window.findChild<QLineEdit*>("ruName"), kRuName);
        QTest::mouseClick(window.signInButton(), Qt::LeftButton);
        const QString consent = window.findChild<QLineEdit*>("zustimmungsseite")->text();
        QVERIFY2(consent.startsWith(sim.baseUrl() + "/oauth2/authorize?client_id=notenschau&" +
                                    "redirect_uri=" + kRuName + "&"),
                 qPrintable(consent));
        window.findChild<QLineEdit*>("eingefuegt")->setText(landing(consent));
        ended.clear();
        QTest::mouseClick(window.findChild<QPushButton*>("weiter"), Qt::LeftButton);
        QVERIFY(!ended.isEmpty() || ended.wait(60000));
        QCOMPARE(ended.first().first().toInt(), 0);
        signedInAs("anna");
        QVERIFY(readFile(config()).contains("RuName=" + kRuName.toUtf8() + "\n"));
    }

    // Another member's folder changes hands only when the user says so.
    void anotherMembersFolder_data() {
        QTest::addColumn<bool>("agree");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("member");
        QTest::newRow("ja") << true << 0 << "bert";
        QTest::newRow("nein") << false << 7 << "anna";
    }
    void anotherMembersFolder() {
        testsupport::StandInDesktop desktop;
        QCOMPARE(testsupport::runProcess(kTool, {"--mitglied", "anna", "--api-url", sim.baseUrl(),
                                                 "--anwendung", keysFile, "--ordner", folder})
                     .code,
                 0);
        const QByteArray before = readFile(config());
        sim.admin("consent", {{"mode", "auto"}, {"member", "bert"}});
        const auto shown = window(keys());
        setup::SetupWindow& window = *shown;
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTest::mouseClick(window.signInButton(), Qt::LeftButton);
        window.findChild<QLineEdit*>("eingefuegt")
            ->setText(landing(window.findChild<QLineEdit*>("zustimmungsseite")->text()));
        QSignalSpy ended(&window, &setup::SetupWindow::attemptEnded);
        QTest::mouseClick(window.findChild<QPushButton*>("weiter"), Qt::LeftButton);

        QMessageBox* box = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((box = window.findChild<QMessageBox*>("mitgliedWechseln")), 60000);
        QCOMPARE(box->text(), "Angemeldet ist bert, in " + folder +
                                  " sind aber die Bewertungen von anna gespeichert. Mit der "
                                  "Anmeldung wird bert das Mitglied dieses Ordners; die "
                                  "Bewertungen von anna bleiben gespeichert, werden aber nicht "
                                  "mehr angezeigt.\n\nFortfahren?");
        QVERIFY(ended.isEmpty());
        QTest::mouseClick(box->button(fetch<bool>("agree") ? QMessageBox::Yes : QMessageBox::No),
                          Qt::LeftButton);
        QVERIFY(!ended.isEmpty() || ended.wait(60000));
        QTEST(ended.first().first().toInt(), "status");
        if (fetch<bool>("agree")) {
            signedInAs("bert");
            return;
        }
        QCOMPARE(readFile(config()), before);
        QVERIFY(window.findChild<QLabel*>("meldung")->text().contains(
            "Abgebrochen: nichts geschrieben."));
    }
};

QTEST_MAIN(Anmelden)
#include "tst_anmelden.moc"
