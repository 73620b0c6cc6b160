// notenschau-cli fremd, profil, suche, verlauf and liste --alle: a foreign
// member's ratings and profile, searched, counted by month and listed whole,
// as a process against the simulator and a real database.
#include "answerers.h"
#include "jsonPick.h"
#include "marktsimProcess.h"
#include "processRun.h"
#include "store/schema.h"
#include "storeFixture.h"
#include "testData.h"

#include <csignal>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTest>
#include <sys/mount.h>

using testsupport::ProcessResult;

using testsupport::fetch;
using testsupport::row;

class CliAnalyse : public QObject {
    Q_OBJECT
    marktsim::SimProcess sim;
    std::unique_ptr<testsupport::ProgramFolder> folder;

    ProcessResult cli(const QStringList& args) {
        return testsupport::runProcess(NOTENSCHAU_CLI_PATH,
                                       QStringList{"--ordner", folder->path()} + args);
    }
    void makeFolder(const QByteArray& mainLines = "checkInet=False\n") {
        folder = std::make_unique<testsupport::ProgramFolder>();
        fillFolder(mainLines);
    }
    void fillFolder(const QByteArray& mainLines = "checkInet=False\n") {
        QDir(folder->path()).mkpath("Bin");
        store::createDatabase(folder->file("noten.db"));
        folder->writeConfig("[Main]\nDatabase=noten.db\n" + mainLines + "[User]\nUsername=anna\n" +
                            testsupport::marktplatz(sim.baseUrl()));
    }
    int stored(const QString& member) {
        const ProcessResult r = cli({"liste", "--fremd", member, "--format", "json"});
        return QJsonDocument::fromJson(r.out.toUtf8()).object().value("von").toInt(-1);
    }

private slots:
    void initTestCase() {
        QVERIFY2(
            sim.start({"--member", "viele:5000", "--member", "mittel:450", "--member", "leer:0",
                       "--member", "anna:450", "--reference", "2026-11-30T12:00:00Z"}),
            qPrintable(sim.errorString()));
    }
    void init() { makeFolder(); }
    void cleanup() { sim.admin(QStringLiteral("clear")); }

    void exitCodes_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QStringList>("fault");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("said");
        const QStringList none;
        const QString nothing = "Es wurden keine Bewertungen gefunden die mit den ausgewählten "
                                "Optionen übereinstimmen!";
        row("found",
            QStringList{"fremd", "mittel", "--art", "positiv,neutral,negativ", "--anzahl", "alle"},
            none, 0, QString("Gespeichert: 450 Bewertungen von mittel."));
        row("nothing matched", QStringList{"fremd", "leer"}, none, 0, nothing);
        row("unknown member", QStringList{"fremd", "niemand"}, none, 4, QString("nicht gefunden"));
        row("cut short", QStringList{"fremd", "mittel", "--anzahl", "alle", "--art", "positiv"},
            QStringList{"status", "on=entries", "after=2", "status=503", "count=20"}, 6,
            QString("Gespeichert: "));
        row("profile", QStringList{"profil", "viele", "--format", "json"}, none, 0,
            QString("\"gesamt\": 5000"));
        row("profile of nobody", QStringList{"profil", "niemand"}, none, 4,
            QString("nicht gefunden"));
        row("profile answer without its fields", QStringList{"profil", "viele"},
            QStringList{"wrongshape", "on=summary"}, 3, QString("nicht das erwartete Format"));
    }
    void exitCodes() {
        QFETCH(QStringList, fault);
        if (!fault.isEmpty())
            QVERIFY(sim.fault(fault.first(), fault.mid(1)));
        const ProcessResult r = cli(fetch<QStringList>("args"));
        QTEST(r.code, "code");
        QVERIFY2((r.out + r.err).contains(fetch<QString>("said")), qPrintable(r.out + r.err));
    }

    void aNewSearchReplacesTheEarlierOne() {
        for (const int n : {300, 25}) {
            const QString count = QString::number(n);
            QCOMPARE(
                cli({"fremd", "viele", "--anzahl", count, "--art", "positiv,neutral,negativ"}).code,
                0);
            QCOMPARE(stored("viele"), n);
        }
    }

    // What was loaded, searched, counted by month and listed whole.
    void searchHistoryAndEverything() {
        QCOMPARE(
            cli({"fremd", "mittel", "--art", "positiv,neutral,negativ", "--anzahl", "alle"}).code,
            0);
        const ProcessResult all = cli({"liste", "--fremd", "mittel", "--alle", "--format", "json"});
        QCOMPARE(all.code, 0);
        const QJsonObject o = QJsonDocument::fromJson(all.out.toUtf8()).object();
        // All 450, the last numbered 450 and none after it.
        QCOMPARE(testsupport::pick(o, {"von", "bewertungen/449/nr", "bewertungen/450"}),
                 "[450,450,null]");

        const ProcessResult found = cli({"suche", "Versand", "--fremd", "mittel"});
        QCOMPARE(found.code, 0);
        const QStringList lines = found.out.split(u'\n', Qt::SkipEmptyParts);
        QVERIFY(lines.size() > 1);
        for (const QString& line : lines.mid(1))
            QVERIFY2(line.contains(QStringLiteral("versand"), Qt::CaseInsensitive),
                     qPrintable(line));
        QCOMPARE(cli({"suche", "%%%"}).code, 2);

        const ProcessResult months = cli({"verlauf", "--fremd", "mittel", "--format", "json"});
        QCOMPARE(months.code, 0);
        int sum = 0;
        for (const QJsonValue m :
             QJsonDocument::fromJson(months.out.toUtf8()).object().value("monate").toArray())
            sum += m["positiv"].toInt() + m["neutral"].toInt() + m["negativ"].toInt();
        QCOMPARE(sum, 450);
        const ProcessResult none = cli({"verlauf", "--fremd", "niemand"});
        QCOMPARE(none.code, 0);
        QVERIFY2(none.err.contains("Von niemand sind keine Bewertungen gespeichert."),
                 qPrintable(none.err));
    }

    // Two checks started at once: the second waits for the first, each rating
    // is stored once, and each process says how many it stored itself.
    void twoChecksAtOnce() {
        // Slow answers, so that the second starts while the first still loads.
        QVERIFY(sim.fault("delay", {"on=entries", "ms=300", "count=20"}));
        std::array<QProcess, 2> checks;
        for (QProcess& p : checks)
            testsupport::startProcess(p, NOTENSCHAU_CLI_PATH,
                                      {"--ordner", folder->path(), "pruefen", "--ja", "--warten"});
        int said = 0;
        for (QProcess& p : checks) {
            const ProcessResult r = testsupport::finishProcess(p);
            QCOMPARE(r.code, 0);
            const QRegularExpressionMatch m =
                QRegularExpression(QStringLiteral("Gespeichert: (\\d+) neue")).match(r.out);
            said += m.hasMatch() ? m.captured(1).toInt() : 0;
        }
        const ProcessResult all = cli({"liste", "--format", "json"});
        QCOMPARE(QJsonDocument::fromJson(all.out.toUtf8()).object().value("von").toInt(), 450);
        QCOMPARE(said, 450);
    }

    // Settings the source refuses are errors of the settings, not of the
    // connection.
    void settingsErrors_data() {
        QTest::addColumn<QByteArray>("marktplatz");
        QTest::addColumn<QStringList>("args");
        const QByteArray noId = "ClientSecret=geheim\n";
        const QByteArray plainHttp = "ApiUrl=http://example.org\nClientId=a\nClientSecret=b\n";
        row("no ClientId, pruefen", noId, QStringList{"pruefen", "--ja"});
        row("no ClientId, fremd", noId, QStringList{"fremd", "viele"});
        row("plain http elsewhere, profil", plainHttp, QStringList{"profil", "viele"});
    }
    void settingsErrors() {
        folder->writeConfig("[Main]\nDatabase=noten.db\ncheckInet=False\n[User]\nUsername=anna\n"
                            "[Marktplatz]\n" +
                            fetch<QByteArray>("marktplatz"));
        const ProcessResult r = cli(fetch<QStringList>("args"));
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.contains("[Marktplatz]"), qPrintable(r.err));
    }

    void withoutAConnection() {
        makeFolder("checkInet=True\nPruefHost1=a.invalid\nPruefHost2=b.invalid\n");
        QCOMPARE(cli({"fremd", "viele"}).code, 3);
    }

    void interrupted() {
        QVERIFY(sim.fault("hang", {"on=entries", "after=1"}));
        QProcess p;
        testsupport::startProcess(p, NOTENSCHAU_CLI_PATH,
                                  {"--ordner", folder->path(), "fremd", "viele"});
        testsupport::readUntil(p, "(1 von 1)");
        ::kill(pid_t(p.processId()), SIGINT);
        QCOMPARE(testsupport::finishProcess(p).code, 130);
        QCOMPARE(stored("viele"), 0);
    }

    // Reading needs no room; what would write says why it cannot, and no
    // protocol file is left empty.
    void onAFullDisk() {
        const QByteArray at = QFile::encodeName(folder->path());
        if (::mount("tmpfs", at.constData(), "tmpfs", 0, "size=1M") != 0)
            QSKIP("no permission to mount a file system here");
        const auto unmount = qScopeGuard([&at] { ::umount(at.constData()); });
        fillFolder();
        QCOMPARE(
            cli({"fremd", "mittel", "--art", "positiv,neutral,negativ", "--anzahl", "alle"}).code,
            0);
        QFile filler(folder->file("fueller"));
        QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        while (filler.write(QByteArray(4096, 'x')) == 4096) {
        }
        QCOMPARE(stored("mittel"), 450);
        const ProcessResult r = cli({"pruefen", "--ja"});
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.contains(QStringLiteral("Der Datenträger ist voll: ")), qPrintable(r.err));
        QCOMPARE(QDir(folder->path()).entryList({"*.EPT", "*.offen"}, QDir::Files), QStringList());
    }
};

QTEST_GUILESS_MAIN(CliAnalyse)
#include "tst_cliAnalyse.moc"
