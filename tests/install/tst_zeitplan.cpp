// The scheduled checks: "notenschau-einrichten --zeitplan" through systemctl
// (a stand-in where no user service manager runs), the crontab line where
// none runs, "notenschau-cli status", and the unit files the package ships.
#include "marktsimProcess.h"
#include "processRun.h"
#include "setupWindow.h"
#include "storeFixture.h"
#include "testData.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using testsupport::fetch;
using testsupport::row;

namespace {

const QString kProgram = QStringLiteral(NOTENSCHAU_PROGRAM_DIR);
const QString kUnits = QStringLiteral(NOTENSCHAU_SOURCE_DIR "/packaging/systemd");

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class ZeitplanTest : public QObject {
    Q_OBJECT
    QTemporaryDir home;
    QString folder; // a program folder set up, with characters a unit must quote
    QString state() const { return home.filePath(QStringLiteral("systemctl")); }
    QString units() const { return home.filePath(QStringLiteral("config/systemd/user")); }
    QString serviceDropIn() const {
        return units() + QStringLiteral("/notenschau-pruefen.service.d/ordner.conf");
    }
    QString timerDropIn() const {
        return units() + QStringLiteral("/notenschau-pruefen.timer.d/zeitplan.conf");
    }
    QStringList calls() const {
        QStringList c = QString::fromUtf8(readAll(state() + QStringLiteral("/log")))
                            .split('\n', Qt::SkipEmptyParts);
        c.removeAll(QStringLiteral("show-environment"));
        return c;
    }
    void setState(const QString& name, const QByteArray& text) {
        QFile f(state() + '/' + name);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
    testsupport::ProcessResult einrichten(const QString& plan) {
        return testsupport::runProcess(
            kProgram + QStringLiteral("/notenschau-einrichten"),
            {QStringLiteral("--ordner"), folder, QStringLiteral("--zeitplan"), plan});
    }
    testsupport::ProcessResult cli(const QStringList& arguments) {
        return testsupport::runProcess(kProgram + QStringLiteral("/notenschau-cli"),
                                       QStringList{QStringLiteral("--ordner"), folder} + arguments);
    }

private slots:
    void initTestCase() {
        // The stand-in answers as "systemctl" on the PATH.
        const QString bin = home.filePath(QStringLiteral("bin"));
        QVERIFY(QDir().mkpath(bin));
        QVERIFY(
            QFile::link(QStringLiteral(NOTENSCHAU_SOURCE_DIR "/tests/support/standInSystemctl.sh"),
                        bin + QStringLiteral("/systemctl")));
        qputenv("PATH", (bin + ':').toUtf8() + qgetenv("PATH"));
        qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toUtf8());
        qputenv("SYSTEMCTL_STATE", state().toUtf8());
        qputenv("SYSTEMCTL_LOG", (state() + QStringLiteral("/log")).toUtf8());
        folder = home.filePath(QStringLiteral("100% Noten's \"Ordner\" $HOME"));
        QVERIFY(QDir().mkpath(folder + QStringLiteral("/Bin")));
        QFile config(folder + QStringLiteral("/Bin/config.INI"));
        QVERIFY(config.open(QIODevice::WriteOnly));
        config.write("[Main]\nUsername=anna\n");
    }
    void init() {
        QDir(state()).removeRecursively();
        QDir(units()).removeRecursively();
        QVERIFY(QDir().mkpath(state()));
    }

    // The plan from a folder that is set up already: what systemctl is
    // asked, the drop-ins written, the message and the exit code.
    void plans_data() {
        QTest::addColumn<QString>("before"); // a plan set first
        QTest::addColumn<QString>("plan");
        QTest::addColumn<QString>("manager"); // "", "none", or a verb that fails
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QStringList>("calls");
        QTest::addColumn<QString>("calendar"); // the timer drop-in; "-" none
        const QStringList on{"daemon-reload", "enable notenschau-pruefen.timer",
                             "restart notenschau-pruefen.timer"};
        row("hourly", "", "stuendlich", "", 0,
            "Notenschau prüft jetzt stündlich auf neue Bewertungen (systemd-Timer "
            "notenschau-pruefen.timer).",
            on, "-");
        row("daily", "", "Täglich", "", 0,
            "Notenschau prüft jetzt täglich auf neue Bewertungen (systemd-Timer "
            "notenschau-pruefen.timer).",
            on, "[Timer]\nOnCalendar=\nOnCalendar=daily\n");
        row("daily, then hourly", "taeglich", "stuendlich", "", 0, "*", on + on, "-");
        row("off", "taeglich", "aus", "", 0, "Die zeitgesteuerte Prüfung ist ausgeschaltet.",
            on + QStringList{"disable --now notenschau-pruefen.timer", "daemon-reload"}, "-");
        row("the timer not installed", "", "stuendlich", "enable", 1,
            "„systemctl --user enable notenschau-pruefen.timer“ ist fehlgeschlagen: Failed to "
            "enable unit: Unit file notenschau-pruefen.timer does not exist.",
            QStringList{"daemon-reload", "enable notenschau-pruefen.timer"}, "-");
        row("no user systemd", "", "stuendlich", "none", 9,
            "Auf diesem Rechner läuft kein systemd für Ihren Benutzer; der Zeitplan lässt sich so "
            "nicht einrichten. Mit „crontab -e“ eingetragen, prüft diese Zeile stündlich:\n* * * "
            "* * 'FOLDER/notenschau-cli' pruefen --ja",
            QStringList{}, "-");
        row("no user systemd, off", "", "aus", "none", 9,
            "Auf diesem Rechner läuft kein systemd für Ihren Benutzer, also auch kein Zeitplan von "
            "Notenschau. Eine Zeile für Notenschau in Ihrer crontab löschen Sie mit „crontab -e“.",
            QStringList{}, "-");
        row("no such plan", "", "wöchentlich", "", 2,
            "notenschau-einrichten: Unbekannter Zeitplan „wöchentlich“: erlaubt sind stuendlich, "
            "taeglich und aus.*",
            QStringList{}, "-");
    }
    void plans() {
        if (const QString before = fetch<QString>("before"); !before.isEmpty())
            QCOMPARE(einrichten(before).code, 0);
        const QString manager = fetch<QString>("manager");
        if (manager == QLatin1String("none"))
            setState(QStringLiteral("manager"), "none");
        else if (!manager.isEmpty())
            setState("fail-" + manager, "Failed to enable unit: Unit file "
                                        "notenschau-pruefen.timer does not exist.\n");
        const testsupport::ProcessResult r = einrichten(fetch<QString>("plan"));
        QTEST(r.code, "code");
        const QString shown = (r.code == 0 ? r.out : r.err).trimmed();
        QString message = fetch<QString>("message");
        message.replace(QStringLiteral("FOLDER"), QString(folder).replace('\'', "'\\''"));
        // The crontab line's minute is the folder's own.
        const QRegularExpression pattern(QRegularExpression::anchoredPattern(
            QRegularExpression::escape(message)
                .replace(QStringLiteral("\\*\\ \\*\\ \\*\\ \\*\\ \\*"),
                         QStringLiteral("[0-9]{1,2} \\* \\* \\* \\*"))
                .replace(QStringLiteral("\\*"), QStringLiteral("(.|\\n)*"))));
        QVERIFY2(pattern.match(shown).hasMatch(), qPrintable(shown));
        QTEST(calls(), "calls");
        const QString calendar = fetch<QString>("calendar");
        QCOMPARE(QString::fromUtf8(readAll(timerDropIn())),
                 calendar == QLatin1String("-") ? QString() : calendar);
        // On, the service runs this folder's copy; the quoting keeps %, $ and
        // quotes from systemd's expansion.
        const bool on = r.code == 0 && fetch<QString>("plan") != QLatin1String("aus");
        QCOMPARE(readAll(serviceDropIn())
                     .contains("ExecStart=\nExecStart=\"" + home.path().toUtf8() +
                               "/100%% Noten's \\\"Ordner\\\" $$HOME/notenschau-cli\" pruefen --ja "
                               "--melden\n"),
                 on);
    }

    // status: the plan with the next run, or why there is none, and the last
    // check of the command line with its outcome.
    void status() {
        marktsim::SimProcess sim;
        QVERIFY2(sim.start({"--member", "anna:5"}), qPrintable(sim.errorString()));
        testsupport::StoreFixture store(QStringLiteral("anna"),
                                        testsupport::marktplatz(sim.baseUrl()));
        folder = store.folder().path();
        const auto statusLines = [this] {
            const testsupport::ProcessResult r = cli({QStringLiteral("status")});
            return r.code == 0 ? r.out.split('\n').mid(2, 2) : QStringList{r.err};
        };
        setState(QStringLiteral("manager"), "none");
        QCOMPARE(statusLines(),
                 (QStringList{"Zeitplan: kein systemd für Ihren Benutzer (notenschau-einrichten "
                              "--zeitplan nennt eine Zeile für crontab)",
                              "Letzte Prüfung: noch keine"}));
        QFile::remove(state() + QStringLiteral("/manager"));
        QCOMPARE(statusLines().value(0), QStringLiteral("Zeitplan: aus"));
        QCOMPARE(einrichten(QStringLiteral("taeglich")).code, 0);
        QCOMPARE(cli({QStringLiteral("pruefen"), QStringLiteral("--ja")}).code, 0);
        const QStringList lines = statusLines();
        QCOMPARE(lines.value(0),
                 QStringLiteral("Zeitplan: täglich, nächste Prüfung 08.12.2026 14:00"));
        QVERIFY2(QRegularExpression(
                     QStringLiteral(
                         "^Letzte Prüfung: \\d\\d\\.\\d\\d\\.20\\d\\d \\d\\d:\\d\\d, erledigt "
                         "\\(Rückgabewert 0\\)$"))
                     .match(lines.value(1))
                     .hasMatch(),
                 qPrintable(lines.value(1)));
        // A call that never reached the folder keeps the record.
        QCOMPARE(cli({QStringLiteral("pruefen"), QStringLiteral("--gibtsnicht")}).code, 2);
        QCOMPARE(statusLines().value(1), lines.value(1));
        folder = home.filePath(QStringLiteral("100% Noten's \"Ordner\" $HOME"));
    }

    // The set-up window offers the plan, preset from the call; the folder is
    // set up and put on it, and the window's outcome says both.
    void theWindowsChoice() {
        marktsim::SimProcess sim;
        QVERIFY2(sim.start({"--member", "anna:5"}), qPrintable(sim.errorString()));
        setup::Values given;
        given.apiUrl = sim.baseUrl();
        given.folder = home.filePath(QStringLiteral("fenster"));
        given.member = QStringLiteral("anna");
        given.clientId = QStringLiteral("notenschau");
        given.clientSecret = QStringLiteral("geheim");
        given.zeitplan = app::Zeitplan::Taeglich;
        setup::SetupWindow window(given, kProgram);
        auto* plan = window.findChild<QComboBox*>(QStringLiteral("zeitplan"));
        QCOMPARE(plan->currentText(), QStringLiteral("täglich"));
        QCOMPARE(plan->count(), 3);
        window.show();
        QSignalSpy ended(&window, &setup::SetupWindow::attemptEnded);
        window.setUpButton()->click();
        QVERIFY(!ended.isEmpty() || ended.wait(60000));
        QCOMPARE(ended.first().first().toInt(), 0);
        QVERIFY2(window.outcome().message.endsWith(
                     "\nNotenschau prüft jetzt täglich auf neue Bewertungen (systemd-Timer "
                     "notenschau-pruefen.timer)."),
                 qPrintable(window.outcome().message));
        QVERIFY(readAll(serviceDropIn()).contains(given.folder.toUtf8() + "/notenschau-cli\""));
        QVERIFY(readAll(timerDropIn()).contains("OnCalendar=daily"));
    }

    // The units as systemd reads them, with the user's copy where the
    // service looks for it.
    void unitsVerify() {
        const QString analyze = QStandardPaths::findExecutable(QStringLiteral("systemd-analyze"));
        if (analyze.isEmpty())
            QSKIP("systemd-analyze is not installed");
        const QString copy = home.filePath(QStringLiteral("home/.local/share/notenschau/programm"));
        QVERIFY(QDir().mkpath(copy));
        QFile::link(kProgram + QStringLiteral("/notenschau-cli"),
                    copy + QStringLiteral("/notenschau-cli"));
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), home.filePath(QStringLiteral("home")));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.path());
        p.setProcessEnvironment(env);
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(analyze,
                {QStringLiteral("verify"), QStringLiteral("--user"), QStringLiteral("--man=no"),
                 kUnits + QStringLiteral("/notenschau-pruefen.timer"),
                 kUnits + QStringLiteral("/notenschau-pruefen.service")});
        QVERIFY(p.waitForFinished(60000));
        const QByteArray said = p.readAll();
        QVERIFY2(p.exitCode() == 0 && said.isEmpty(), said.constData());
        const QByteArray timer = readAll(kUnits + QStringLiteral("/notenschau-pruefen.timer"));
        for (const char* line : {"OnCalendar=hourly\n", "Persistent=true\n", "RandomizedDelaySec="})
            QVERIFY2(timer.contains(line), line);
    }
};

QTEST_MAIN(ZeitplanTest)
#include "tst_zeitplan.moc"
