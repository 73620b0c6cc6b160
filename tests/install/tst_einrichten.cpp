// notenschau-einrichten against the simulator: as a process with options, on
// a terminal and through --starten, and its window offscreen in-process.
#include "app/modGlobal.h"
#include "app/modini.h"
#include "app/singleInstance.h"
#include "base/programFolder.h"
#include "marktsimProcess.h"
#include "processRun.h"
#include "setupWindow.h"
#include "testData.h"

#include <fcntl.h>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <sys/stat.h>

using testsupport::ProcessResult;
using testsupport::readFile;
using testsupport::row;

namespace {

const QString kTool = QStringLiteral(NOTENSCHAU_PROGRAM_DIR "/notenschau-einrichten");

int mode(const QString& path) {
    struct stat s {};
    return ::stat(QFile::encodeName(path).constData(), &s) == 0 ? int(s.st_mode & 0777) : -1;
}

ProcessResult run(const QStringList& args, const QProcessEnvironment& env = {}) {
    QProcess p;
    if (!env.isEmpty())
        p.setProcessEnvironment(env);
    testsupport::startProcess(p, kTool, args);
    return testsupport::finishProcess(p);
}

// The member and the keys by hand are under "Erweitert".
void openAdvanced(setup::SetupWindow& window) {
    auto* toggle = window.findChild<QToolButton*>("erweitert");
    if (!toggle->isChecked())
        QTest::mouseClick(toggle, Qt::LeftButton);
    QVERIFY(window.findChild<QLineEdit*>("mitglied")->isVisible());
}

} // namespace

class Einrichten : public QObject {
    Q_OBJECT
    marktsim::SimProcess sim;
    QTemporaryDir home;
    QString folder;

    QStringList options(const QStringList& changes = {}) const {
        QStringList o{"--mitglied", "anna",      "--client-id", "notenschau", "--client-secret",
                      "geheim",     "--api-url", sim.baseUrl(), "--ordner",   folder};
        for (qsizetype i = 0; i + 1 < changes.size(); i += 2) {
            const qsizetype at = o.indexOf(changes[i]);
            if (at < 0)
                o << changes[i] << changes[i + 1];
            else if (changes[i + 1] == QLatin1String("WEG"))
                o.remove(at, 2);
            else
                o[at + 1] = changes[i + 1];
        }
        return o;
    }
    QString config() const { return folder + "/Bin/config.INI"; }

private slots:
    void initTestCase() {
        QVERIFY2(sim.start({"--member", "anna:37", "--member", "leer:0", "--refresh-token",
                            "anna-token:anna"}),
                 qPrintable(sim.errorString()));
        // The program's instance lock and the default folder stay in here.
        QVERIFY(QFile::setPermissions(home.path(),
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        qputenv("XDG_RUNTIME_DIR", home.path().toUtf8());
        qputenv("XDG_DATA_HOME", (home.path() + "/data").toUtf8());
    }
    void init() {
        folder = home.path() + "/" + QTest::currentTestFunction() + "-" + QTest::currentDataTag();
    }
    void cleanup() { sim.admin("clear"); }

    // Only keys the marketplace takes for a member it knows write anything.
    void withOptions_data() {
        QTest::addColumn<QStringList>("changes");
        QTest::addColumn<QStringList>("fault");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("said");
        const auto row = [](const char* name, const QStringList& changes, int code,
                            const char* said, const QStringList& fault = {}) {
            QTest::newRow(name) << changes << fault << code << QString::fromUtf8(said);
        };
        row("good", {}, 0, "37 Bewertungen");
        // Without a session bus there is no keyring, and the set-up says so.
        row("token", {"--refresh-token", "anna-token"}, 0,
            "Kein Schlüsselbund gefunden: Die Schlüssel stehen in");
        row("none yet", {"--mitglied", "leer"}, 0, "0 Bewertungen");
        row("wrong secret", {"--client-secret", "falsch"}, 5, "abgelehnt");
        row("wrong token", {"--refresh-token", "alt"}, 5, "abgelehnt");
        row("unknown", {"--mitglied", "niemand"}, 4, "„niemand“ ist dem Marktplatz nicht bekannt");
        row("down", {}, 3, "HTTP-Status 503", {"status", "status=503", "count=8"});
        row("plain http", {"--api-url", "http://example.com"}, 2, "nicht zulässig");
        row("line break", {"--client-id", "a\nb"}, 2, "ClientId enthält einen Zeilenumbruch");
        row("too long", {"--refresh-token", QString(255, 'x')}, 2, "länger als 254");
        row("unknown option", {"--farbe", "blau"}, 2, "Rückgabewerte");
    }

    void withOptions() {
        const auto fault = testsupport::fetch<QStringList>("fault");
        if (!fault.isEmpty())
            QVERIFY(sim.fault(fault[0], fault.mid(1)));
        const ProcessResult r = run(options(testsupport::fetch<QStringList>("changes")));
        QTEST(r.code, "code");
        QVERIFY2((r.out + r.err).contains(testsupport::fetch<QString>("said")), qPrintable(r.err));
        QCOMPARE(QFileInfo::exists(folder), r.code == 0);
    }

    // What the folder holds is what the program reads, from its own copy.
    void theFolderServesTheProgram() {
        sim.admin("clear");
        QCOMPARE(run(options({"--refresh-token", "anna-token"})).code, 0);
        QCOMPARE(sim.stats().value("token").toInt(), 1);
        QCOMPARE(sim.stats().value("requests").toInt(), 2);
        QCOMPARE(mode(config()), 0600);
        QCOMPARE(mode(folder), 0700);
        QVERIFY(!QFileInfo(folder + "/notenschau-cli").isSymLink());
        QCOMPARE(readFile(folder + "/notenschau"), readFile(NOTENSCHAU_PROGRAM_DIR "/notenschau"));
        QCOMPARE(QFileInfo(folder + "/Help/hilfe.htm").symLinkTarget(),
                 QFileInfo(NOTENSCHAU_PROGRAM_DIR "/Help/hilfe.htm").absoluteFilePath());

        base::setProgramFolder(folder);
        modini::fnGetPfadeFaktorFromINI();
        base::setProgramFolder({});
        QCOMPARE(modGlobal::sStandardUser, "anna");
        QCOMPARE(modGlobal::sDatenbankPfad, folder + "/notenschau.db");
        QCOMPARE(modini::marktplatz().apiUrl, sim.baseUrl());
        QCOMPARE(modini::marktplatz().clientSecret, "geheim");
        QCOMPARE(modini::marktplatz().refreshToken, "anna-token");
        QCOMPARE(modini::marktplatz().pruefHost1, "127.0.0.1");

        const ProcessResult list =
            testsupport::runProcess(folder + "/notenschau-cli", {"liste", "--format", "json"});
        QVERIFY2(list.code == 0 && list.out.contains("\"von\": 0"), qPrintable(list.err));
    }

    // A configuration is replaced only when asked for; a database never is.
    void anExistingFolder() {
        QCOMPARE(run(options()).code, 0);
        const QByteArray before = readFile(config());
        const QByteArray database = readFile(folder + "/notenschau.db");
        const ProcessResult again = run(options({"--mitglied", "leer"}));
        QCOMPARE(again.code, 6);
        QVERIFY(again.err.contains("schon eingerichtet"));
        QCOMPARE(readFile(config()), before);

        QFile::setPermissions(config(), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
        const ProcessResult replaced = run(options({"--mitglied", "leer"}) << "--ueberschreiben");
        QCOMPARE(replaced.code, 0);
        QVERIFY(replaced.out.contains("vorhanden, wird weiter benutzt"));
        QVERIFY(readFile(config()).contains("Username=leer\n"));
        QCOMPARE(mode(config()), 0600);
        QCOMPARE(readFile(folder + "/notenschau.db"), database);

        QFile::remove(config());
        QFile garbage(folder + "/notenschau.db");
        QVERIFY(garbage.open(QIODevice::WriteOnly) && garbage.write("keine Datenbank") > 0);
        garbage.close();
        const ProcessResult refused = run(options());
        QCOMPARE(refused.code, 1);
        QVERIFY(refused.err.contains("nichts geschrieben"));
        QVERIFY(!QFileInfo::exists(config()));
        QCOMPARE(readFile(folder + "/notenschau.db"), "keine Datenbank");
    }

    // Asked on a terminal, or the secret from a pipe; no questions without either.
    void askingForValues() {
        QProcess script;
        script.start(
            "script",
            {"-qec", kTool + " --ordner " + folder + " --api-url " + sim.baseUrl(), "/dev/null"});
        script.write("anna\nnotenschau\ngeheim\n\n");
        script.closeWriteChannel();
        QCOMPARE(testsupport::finishProcess(script).code, 0);
        QVERIFY(readFile(config()).contains("ClientSecret=geheim\n"));

        QProcess piped;
        piped.start(kTool, options({"--client-secret", "-", "--ordner", folder + "2"}));
        piped.write("geheim\n");
        piped.closeWriteChannel();
        QCOMPARE(testsupport::finishProcess(piped).code, 0);

        QProcessEnvironment bare = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
            bare.remove(name);
        const ProcessResult r = run({"--starten", "--ordner", folder + "3"}, bare);
        QCOMPARE(r.code, 2);
        QVERIFY(r.err.contains("Es fehlen Angaben (--mitglied, --client-id, --client-secret)"));
    }

    // --starten mends a stale copy and hands over to it; the held instance
    // lock ends the program at once. A copy of the same size and time made
    // from the package's former folder is renewed as well.
    void startingRefreshesTheCopy_data() {
        QTest::addColumn<bool>("moved");
        QTest::newRow("changed") << false;
        QTest::newRow("from /opt") << true;
    }
    void startingRefreshesTheCopy() {
        QFETCH(bool, moved);
        QCOMPARE(run(options()).code, 0);
        const QString installed = NOTENSCHAU_PROGRAM_DIR "/notenschau-cli";
        QFile stale(folder + "/notenschau-cli");
        const QByteArray old = moved ? QByteArray(QFileInfo(installed).size(), 'x') : "alt";
        QVERIFY(stale.remove() && stale.open(QIODevice::ReadWrite) && stale.write(old) > 0);
        stale.close();
        if (moved) {
            // To the nanosecond, as the set-up compares the times.
            struct stat s {};
            QVERIFY(::stat(QFile::encodeName(installed).constData(), &s) == 0);
            const timespec times[2] = {s.st_atim, s.st_mtim};
            QVERIFY(::utimensat(AT_FDCWD, QFile::encodeName(stale.fileName()).constData(), times,
                                0) == 0);
            QFile origin(folder + "/.herkunft");
            QVERIFY(origin.open(QIODevice::WriteOnly) && origin.write("/opt/notenschau\n") > 0);
        }
        app::SingleInstance running;
        QVERIFY(running.acquire());
        const ProcessResult r = run({"--starten", "--ordner", folder});
        QVERIFY2(r.code == 0 && r.err.isEmpty(), qPrintable(r.err));
        QCOMPARE(readFile(folder + "/notenschau-cli"), readFile(installed));
    }

    // The window checks like the options do and closes only when all is written.
    void theWindow_data() {
        QTest::addColumn<QString>("member");
        QTest::addColumn<QString>("secret");
        QTest::addColumn<int>("status");
        row("good", "anna", "geheim", 0);
        row("wrong secret", "anna", "falsch", 5);
        row("unknown", "niemand", "geheim", 4);
        row("no member", "", "geheim", 2);
    }
    void theWindow() {
        setup::Values given;
        given.apiUrl = sim.baseUrl();
        given.folder = folder;
        setup::SetupWindow window(given, NOTENSCHAU_PROGRAM_DIR);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        openAdvanced(window);
        QTest::keyClicks(window.findChild<QLineEdit*>("mitglied"),
                         testsupport::fetch<QString>("member"));
        QTest::keyClicks(window.findChild<QLineEdit*>("clientId"), "notenschau");
        QTest::keyClicks(window.findChild<QLineEdit*>("clientSecret"),
                         testsupport::fetch<QString>("secret"));
        QSignalSpy ended(&window, &setup::SetupWindow::attemptEnded);
        QTest::mouseClick(window.setUpButton(), Qt::LeftButton);
        QVERIFY(!ended.isEmpty() || ended.wait(60000));
        QTEST(ended.first().first().toInt(), "status");
        const bool good = ended.first().first().toInt() == 0;
        QCOMPARE(window.isVisible(), !good);
        QCOMPARE(window.setUpButton()->isEnabled(), !good);
        QCOMPARE(QFileInfo::exists(config()), good);
    }

    // Opened on a folder already set up, it shows the stored values and
    // replaces them only when told to.
    void theWindowOnAnExistingFolder() {
        QCOMPARE(run(options()).code, 0);
        setup::Values given;
        given.folder = folder;
        given.member = "leer";
        setup::SetupWindow window(given, NOTENSCHAU_PROGRAM_DIR);
        window.show();
        openAdvanced(window);
        QCOMPARE(window.findChild<QLineEdit*>("clientSecret")->text(), "geheim");
        QCOMPARE(window.findChild<QLineEdit*>("apiUrl")->text(), sim.baseUrl());
        QSignalSpy ended(&window, &setup::SetupWindow::attemptEnded);
        window.setUpButton()->click();
        QCOMPARE(ended.takeFirst().first().toInt(), 6);
        window.findChild<QCheckBox*>("ueberschreiben")->setChecked(true);
        window.setUpButton()->click();
        QVERIFY(!ended.isEmpty() || ended.wait(60000));
        QCOMPARE(ended.first().first().toInt(), 0);
        QVERIFY(readFile(config()).contains("Username=leer\n"));
    }
};

QTEST_MAIN(Einrichten)
#include "tst_einrichten.moc"
