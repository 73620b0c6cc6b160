// notenschau-cli as a user runs it: a separate process with a program folder,
// a real database and the marketplace simulator; stdin is never a terminal.
#include "app/modGlobal.h"
#include "jsonPick.h"
#include "marktsimProcess.h"
#include "processRun.h"
#include "store/modData.h"
#include "store/ratingStoring.h"
#include "storeFixture.h"
#include "testData.h"

#include <csignal>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using testsupport::fetch;
using testsupport::jsonText;
using testsupport::pick;
using testsupport::row;

namespace {

using namespace std::string_literals;
using testsupport::ProcessResult;

const QString kReference = QStringLiteral("2026-11-30T12:00:00Z");
const QString kKomma = QStringLiteral("Er sagte \"na gut\", danke");
// What a terminal or a spreadsheet would act on.
const QString kSteuer = QString::fromStdU16String(u"=1+1 \x1b]0;x\x07\x9b"
                                                  "2J\x7f\0Ende"s);
// Item numbers are stored as they come: this one needs every escape.
const QString kArtikel = QStringLiteral("Los 7\n\"B\",\tC\\D\r");

// A program folder with a fresh database for one member and the marketplace
// at apiUrl.
class Folder : public testsupport::StoreFixture {
public:
    explicit Folder(const QString& user, const QString& apiUrl = {},
                    const QByteArray& mainLines = "checkInet=False\n",
                    const QByteArray& marktplatzLines = {})
        : StoreFixture(user, testsupport::marktplatz(apiUrl) + marktplatzLines, mainLines) {}
    QString path() { return folder().path(); }
};

QStringList cliArguments(const QString& folder, const QStringList& args) {
    return folder.isEmpty() ? args : QStringList{QStringLiteral("--ordner"), folder} + args;
}

ProcessResult run(const QString& folder, const QStringList& args) {
    return testsupport::runProcess(NOTENSCHAU_CLI_PATH, cliArguments(folder, args));
}

QJsonObject listJson(const QString& folder, const QStringList& more = {}) {
    const ProcessResult r = run(folder, QStringList{"liste", "--format=json"} + more);
    if (r.code != 0)
        qWarning("liste: %d %s", r.code, qPrintable(r.err));
    return QJsonDocument::fromJson(r.out.toUtf8()).object();
}

int stored(const QString& folder) {
    return listJson(folder).value(QStringLiteral("von")).toInt(-1);
}

// No control character but tab and line feed reaches the terminal raw.
bool clean(const QString& out) {
    static const QRegularExpression raw(QStringLiteral("[\\x00-\\x08\\x0b-\\x1f\\x7f-\\x9f]"));
    return !out.contains(raw);
}

} // namespace

// ---------------------------------------------------------------- pruefen

class CliPruefen : public QObject {
    Q_OBJECT
    marktsim::SimProcess m_sim;

    ProcessResult pruefen(Folder& folder, const QStringList& more = {"--ja"}) {
        return run(folder.path(), QStringList{"pruefen"} + more);
    }

private slots:
    // Every test has a member of its own, so that none depends on another.
    void initTestCase() {
        QStringList members;
        for (const char* m : {"anna:450", "carla:15", "dora:450", "frieda:450", "gustav:450",
                              "hans:20", "ida:30", "jana:20"})
            members << "--member" << m;
        QVERIFY2(m_sim.start(members + QStringList{"--reference", kReference}),
                 qPrintable(m_sim.errorString()));
    }

    // One run, against a fault of the simulator when one is given. out and
    // err: parts of the output (no err parts: nothing on stderr); absent:
    // what stdout must not hold; rows: what is stored after it.
    void oneRun_data() {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QStringList>("fault");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QStringList>("out");
        QTest::addColumn<QStringList>("absent");
        QTest::addColumn<QStringList>("err");
        QTest::addColumn<int>("rows");
        const QStringList ja{"--ja"}, none;
        // More failures in a row than the source retries.
        const QStringList fault500{"status", "on=entries", "status=500", "count=4"};
        QTest::newRow("first run")
            << "anna" << none << ja << 0
            << QStringList{"Sie haben 450 neue Bewertungen. Sollen die neuen Bewertungen geladen "
                           "werden? [j/N] j",
                           "Lade Daten aus dem Internet\n",
                           "Lade Daten aus dem Internet (1 von 3)\n",
                           "Lade Daten aus dem Internet (2 von 3)\n",
                           "Lade Daten aus dem Internet (3 von 3)\n",
                           "Analysiere Daten: 450\n",
                           "Gespeichert: 450 neue Bewertungen, insgesamt 450.\n"}
            << none << none << 450;
        QTest::newRow("no terminal, no --ja")
            << "carla" << none << none << 5
            << QStringList{"Sie haben 15 neue Bewertungen. Sollen die neuen Bewertungen geladen "
                           "werden? [j/N] n\n"}
            << QStringList{"Lade Daten aus dem Internet ("} << QStringList{"--ja"} << 0;
        QTest::newRow("unknown member")
            << "niemand" << none << ja << 4 << none << QStringList{"Sollen"}
            << QStringList{"Der eingegebene Mitgliedsname wurde nicht gefunden. Bitte überprüfen "
                           "Sie den Mitgliedsnamen, und versuchen Sie es erneut!"}
            << 0;
        // A settings error: nothing is asked of the marketplace.
        QTest::newRow("no member name")
            << "" << none << ja << 1 << none << QStringList{"Sollen"}
            << QStringList{"/Bin/config.INI fehlt der Mitgliedsname: [User] Username=\n"} << 0;
        QTest::newRow("connection error before the question")
            << "dora" << fault500 << ja << 3 << none << QStringList{"Sollen"}
            << QStringList{"Fehler bei der Verbindungsaufnahme: 500\n Beschreibung: ",
                           "\nBitte prüfen Sie ob eine Internetverbindung besteht.\n"}
            << 0;
        // The count and the first page come through, the second page does not
        // (nor the third, fetched beside it): what arrived is stored, nothing
        // made up; the rest comes next time.
        QTest::newRow("connection error while loading")
            << "frieda" << QStringList{"status", "on=entries", "status=500", "count=8", "after=2"}
            << ja << 6
            << QStringList{"Lade Daten aus dem Internet (2 von 3)\n",
                           "Gespeichert: 200 neue Bewertungen, insgesamt 200.\n"}
            << none
            << QStringList{"Fehler bei der Verbindungsaufnahme: 500",
                           "Die übrigen 250 werden bei der nächsten Prüfung geladen."}
            << 200;
    }
    void oneRun() {
        QFETCH(QStringList, fault);
        QFETCH(QStringList, err);
        Folder folder(fetch<QString>("user"), m_sim.baseUrl());
        if (!fault.isEmpty())
            QVERIFY(m_sim.fault(fault.first(), fault.mid(1)));
        const ProcessResult r = pruefen(folder, fetch<QStringList>("args"));
        const int requests = m_sim.stats().value("requests").toInt();
        m_sim.admin("clear");
        QCOMPARE(r.code, fetch<int>("code"));
        if (r.code == 1)
            QCOMPARE(requests, 0);
        for (const QString& part : fetch<QStringList>("out"))
            QVERIFY2(r.out.contains(part), qPrintable(r.out));
        for (const QString& part : fetch<QStringList>("absent"))
            QVERIFY2(!r.out.contains(part), qPrintable(r.out));
        for (const QString& part : err)
            QVERIFY2(r.err.contains(part), qPrintable(r.err));
        if (err.isEmpty())
            QCOMPARE(r.err, QString());
        QVERIFY(!r.err.contains('\r'));
        QCOMPARE(stored(folder.path()), fetch<int>("rows"));
    }

    // A second run finds nothing new; the total counts what came before. Where
    // the new ones are listed is the store's (tst_storeReads).
    void laterRuns() {
        Folder hans(QStringLiteral("hans"), m_sim.baseUrl());
        QCOMPARE(pruefen(hans).code, 0);
        ProcessResult r = pruefen(hans);
        QCOMPARE(r.code, 0);
        QVERIFY(r.out.contains("Es sind keine neuen Bewertungen eingegangen\n"));
        QVERIFY(!r.out.contains("Sollen"));
        QVERIFY(!r.out.contains("Gespeichert"));
        QCOMPARE(m_sim.admin("add", {{"user", "hans"}, {"count", "15"}}).value("total").toInt(),
                 35);
        r = pruefen(hans);
        QCOMPARE(r.code, 0);
        QVERIFY(r.out.contains("Lade Daten aus dem Internet (1 von 1)\n"));
        QVERIFY(r.out.contains("Gespeichert: 15 neue Bewertungen, insgesamt 35.\n"));
        QCOMPARE(stored(hans.path()), 35);
    }

    // The full check marks what the marketplace no longer lists and leaves it
    // out of the count; how it is listed is the window's and the store's.
    void fullCheck() {
        Folder jana(QStringLiteral("jana"), m_sim.baseUrl());
        QCOMPARE(pruefen(jana).code, 0);
        QVERIFY(m_sim.admin("withdraw", {{"user", "jana"}}).value("withdrawn").toBool());
        const ProcessResult r = pruefen(jana, {"--vollstaendig"});
        QCOMPARE(r.code, 0);
        QVERIFY2(r.out.contains("Vollständige Prüfung: 1 Bewertung geändert (1 als zurückgezogen "
                                "markiert, 0 wieder gezählt).\n"),
                 qPrintable(r.out));
        QCOMPARE(stored(jana.path()), 19);
        QVERIFY(
            pruefen(jana, {"--vollstaendig"})
                .out.endsWith(QStringLiteral("Vollständige Prüfung: keine Bewertung geändert.\n")));
    }

    // Each attempt on a server that drips its answer ends at the deadline of
    // the settings; after the retries the check gives up.
    void drippingServer() {
        Folder folder(QStringLiteral("ida"), m_sim.baseUrl(), "checkInet=False\n", "Zeitlimit=1\n");
        m_sim.admin("clear");
        QVERIFY(m_sim.fault("drip", {"on=entries", "count=30", "bytes=1", "ms=100"}));
        const ProcessResult r = pruefen(folder);
        const int requests = m_sim.stats().value("entries").toInt();
        m_sim.admin("clear");
        QCOMPARE(r.code, 3);
        QVERIFY2(r.err.contains("Zeitüberschreitung"), qPrintable(r.err));
        QVERIFY2(requests >= 1 && requests <= 4, qPrintable(QString::number(requests)));
    }

    // A wrong setting is said as such, not as a connection fault; neither it
    // nor a missing connection asks the marketplace anything.
    void refusedBeforeAsking_data() {
        QTest::addColumn<QByteArray>("mainLines");
        QTest::addColumn<QByteArray>("marktplatzLines");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("err"); // {folder}: the program folder
        row("settings fault", QByteArray("checkInet=False\n"), QByteArray("Parallel=9\n"), 1,
            QString("Der Wert \"9\" von Parallel im Abschnitt [Marktplatz] der Datei "
                    "{folder}/Bin/config.INI ist keine Zahl gleichzeitiger Anfragen zwischen 1 "
                    "und 8.\n"));
        row("no internet connection",
            QByteArray(
                "checkInet=True\nPruefHost1=nicht/aufloesbar\nPruefHost2=nicht/aufloesbar\n"),
            QByteArray(), 3, QString("Es besteht keine Verbindung zum Internet!\n"));
    }
    void refusedBeforeAsking() {
        Folder folder(QStringLiteral("anna"), m_sim.baseUrl(), fetch<QByteArray>("mainLines"),
                      fetch<QByteArray>("marktplatzLines"));
        const int requests = m_sim.stats().value("requests").toInt();
        const ProcessResult r = pruefen(folder);
        QCOMPARE(r.code, fetch<int>("code"));
        QCOMPARE(r.err, fetch<QString>("err").replace("{folder}", folder.path()));
        if (r.code == 3) // without a connection not even the loading starts
            QCOMPARE(r.out, QString());
        QCOMPARE(m_sim.stats().value("requests").toInt(), requests);
    }

    void ctrlCWhileLoadingStoresNothing() {
        Folder folder(QStringLiteral("gustav"), m_sim.baseUrl());
        // The first page never comes: the run waits until it is interrupted.
        QVERIFY(m_sim.fault("hang", {"on=entries", "after=1"}));
        QProcess p;
        testsupport::startProcess(p, NOTENSCHAU_CLI_PATH,
                                  cliArguments(folder.path(), {"pruefen", "--ja"}));
        const QByteArray out = testsupport::readUntil(p, "Lade Daten aus dem Internet (1 von 3)\n");
        QVERIFY2(p.state() == QProcess::Running, out.constData());
        ::kill(pid_t(p.processId()), SIGINT);
        const ProcessResult r = testsupport::finishProcess(p);
        m_sim.admin("clear");
        QCOMPARE(r.code, 130);
        QVERIFY(r.err.contains("Der Ladevorgang wurde abgebrochen."));
        QCOMPARE(stored(folder.path()), 0);
    }
};
// ------------------------------------------------------------------ liste

// Paging and the kinds are the store's rules; here the options reach them and
// the formats carry what is stored.
class CliListe : public QObject {
    Q_OBJECT
    std::unique_ptr<Folder> m_emil;

    ProcessResult liste(const QStringList& more) {
        return run(m_emil->path(), QStringList{QStringLiteral("liste")} + more);
    }

private slots:
    void initTestCase() {
        m_emil = std::make_unique<Folder>(QStringLiteral("emil"));
        // 270 positive, 90 negative and 90 neutral ratings up to 18:00; above
        // them a neutral one with control characters and, newest, a negative
        // one that needs quoting.
        m_emil->addRatings("emil", 450, QDateTime(QDate(2026, 11, 30), QTime(18, 0)),
                           {1, 1, 1, 3, 2});
        QVERIFY(modData::save_Bewerungen(2, kSteuer, "V", "30.11.2026 19:00", "y", "1", "emil", 0));
        QVERIFY(modData::save_Bewerungen(3, kKomma, "V", "30.11.2026 20:00", "x", "4711", "emil", 0,
                                         "e-4711"));
        // Its reply arrived with a later load.
        store::FetchedRating replied{
            "e-4711", 3, kKomma, "V", QDateTime(QDate(2026, 11, 30), QTime(20, 0)), "x", "4711"};
        replied.reply = {"Tut uns leid", "ENTERED"};
        QCOMPARE(store::storeFetched(modData::Table::Own, "emil", {replied}, {}).replied, 1);
        // A foreign member's four, the oldest with an item that needs escapes.
        m_emil->addRatings("bert", 3, QDateTime(QDate(2026, 11, 1), QTime(12, 0)), {1, 2, 3}, true);
        QString artikel = kArtikel;
        QVERIFY(modData::save_BewertungenTemp(1, "alt", "V", "01.11.2026 08:00", "y", artikel,
                                              "bert", 0));
        modGlobal::cnDB.reset();
    }

    void json() {
        const ProcessResult r = liste({"--format", "json"});
        QCOMPARE(r.code, 0);
        QVERIFY2(clean(r.out), r.out.toUtf8().toHex(' ').constData());
        const QJsonObject o = QJsonDocument::fromJson(r.out.toUtf8()).object();
        QCOMPARE(pick(o, {"mitglied", "seite", "seiten", "von", "anzeige"}),
                 R"(["emil",1,3,452,"Anzeige: 1 - 200 von 452"])");
        QCOMPARE(o.value("bewertungen").toArray().size(), 200);
        // The newest needs quoting and has a reply; the next has no reply, an empty one.
        QCOMPARE(pick(o["bewertungen"], {"199/nr", "0/art", "0/kommentar", "0/datum", "0/id",
                                         "0/antwort", "1/kommentar", "1/id", "1/antwort"}),
                 jsonText({200, "negativ", kKomma, "30.11.2026 20:00", "e-4711", "Tut uns leid",
                           kSteuer, "", ""}));
        QCOMPARE(pick(o["zusammenfassung"],
                      {"positiv", "neutral", "negativ", "prozentzeile", "prozent"}),
                 R"([270,91,91,"Positive Bewertungen : 66,3 %",66.3])");
    }

    // The rows on stdout, the caption and the summary on stderr.
    void csvAndTsv() {
        const ProcessResult csv = liste({"--format", "csv"});
        QCOMPARE(csv.code, 0);
        QVERIFY(clean(csv.out));
        const QStringList records = csv.out.split(u'\n');
        QCOMPARE(records.size(), 202); // each record ends with its line break
        QCOMPARE(records.at(0),
                 QStringLiteral("Nr,Art,Kommentar,K/V,Datum,Mitglied,Artikel,ID,Antwort"));
        QCOMPARE(records.at(1),
                 QStringLiteral("1,negativ,\"Er sagte \"\"na gut\"\", danke\",V,30.11.2026 "
                                "20:00,x,4711,e-4711,Tut uns leid"));
        QVERIFY2(records.at(2).startsWith("2,neutral,'=1+1 \uFFFD]0;x"), qPrintable(records.at(2)));
        QVERIFY2(csv.err.contains("Anzeige: 1 - 200 von 452\nPositiv: 270 | Neutral: 91 | "
                                  "Negativ: 91 | Positive Bewertungen : 66,3 %\n"),
                 qPrintable(csv.err));

        const ProcessResult tsv = liste({});
        QCOMPARE(tsv.code, 0);
        QVERIFY(clean(tsv.out));
        const QStringList lines = tsv.out.split(u'\n');
        QCOMPARE(lines.at(1), QStringList({"1", "negativ", kKomma, "V", "30.11.2026 20:00", "x",
                                           "4711", "e-4711", "Tut uns leid"})
                                  .join(u'\t'));
        QVERIFY2(lines.at(2).startsWith("2\tneutral\t=1+1 \uFFFD]0;x"), qPrintable(lines.at(2)));
    }

    void kindAndPage() {
        const QJsonObject o = listJson(m_emil->path(), {"--art", "positiv", "--seite", "2"});
        QCOMPARE(pick(o, {"von", "seiten", "anzeige", "bewertungen/0/nr"}),
                 R"([270,2,"Anzeige: 201 - 270 von 270",201])");
        const QJsonArray rows = o.value("bewertungen").toArray();
        QCOMPARE(rows.size(), 70);
        for (const QJsonValue row : rows)
            QCOMPARE(row["art"].toString(), QStringLiteral("positiv"));

        const ProcessResult r = liste({"--seite", "4"});
        QCOMPARE(r.code, 2);
        QCOMPARE(r.out, QString());
        QVERIFY2(r.err.contains("Seite 4 gibt es nicht (3 Seiten)."), qPrintable(r.err));
        QCOMPARE(liste({"--art", "neutral", "--seite", "2"}).code, 2);
    }

    void foreignMember() {
        const QJsonObject o = listJson(m_emil->path(), {"--fremd", "bert"});
        QCOMPARE(o.value("bewertungen").toArray().size(), 4);
        QCOMPARE(pick(o, {"fremd", "von", "bewertungen/0/kommentar", "bewertungen/1/art",
                          "bewertungen/3/artikel", "zusammenfassung/positiv",
                          "zusammenfassung/prozentzeile"}),
                 jsonText({true, 4, "Bewertung 1", "neutral", kArtikel, 2, "Fremd-User Analyse"}));
        // An empty view: its first page exists, with the header alone.
        const ProcessResult none = liste({"--fremd", "niemand", "--format", "csv"});
        QCOMPARE(none.code, 0);
        QCOMPARE(none.out,
                 QStringLiteral("Nr,Art,Kommentar,K/V,Datum,Mitglied,Artikel,ID,Antwort\n"));
        QVERIFY(none.err.contains("keine Bewertungen vorhanden!\n"));
    }
};

template <class Test> int runTests(int argc, char** argv) {
    Test t;
    return QTest::qExec(&t, argc, argv);
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int failed = runTests<CliListe>(argc, argv) + runTests<CliPruefen>(argc, argv);
    return failed == 0 ? 0 : 1;
}

#include "tst_cli.moc"
