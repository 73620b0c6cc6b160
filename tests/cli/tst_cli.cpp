// notenschau-cli as a user runs it: a separate process with a program folder,
// a real database and the marketplace simulator; stdin is never a terminal.
#include "answerers.h"
#include "app/modGlobal.h"
#include "base/programFolder.h"
#include "marktsimProcess.h"
#include "processRun.h"
#include "store/connection.h"
#include "store/modData.h"
#include "store/schema.h"
#include "storeFixture.h"

#include <csignal>
#include <QDateTime>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

using namespace std::string_literals;
using testsupport::ProcessResult;

const QString kReference = QStringLiteral("2026-11-30T12:00:00Z");
const QString kKomma = QStringLiteral("Er sagte \"na gut\", danke");
// Item numbers are stored as they come: this one needs every escape.
const QString kArtikel = QStringLiteral("Los 7\n\"B\",\tC\\D\r");

// A program folder with its configuration and a fresh database.
class Folder : public testsupport::ProgramFolder {
public:
    explicit Folder(const QString& user, const QString& apiUrl = {},
                    const QByteArray& mainLines = "checkInet=False\n") {
        store::createDatabase(file("noten.db"));
        writeConfig("[Main]\nDatabase=" + file("noten.db").toUtf8() + "\n" + mainLines +
                    "[User]\nUsername=" + user.toUtf8() + "\n[Marktplatz]\nApiUrl=" +
                    apiUrl.toUtf8() + "\nClientId=notenschau\nClientSecret=geheim\n");
    }
};

QStringList cliArguments(const QString& folder, const QStringList& args) {
    return folder.isEmpty() ? args : QStringList{QStringLiteral("--ordner"), folder} + args;
}

ProcessResult cli(const QString& folder, const QStringList& args) {
    return testsupport::runProcess(NOTENSCHAU_CLI_PATH, cliArguments(folder, args));
}

QJsonObject listJson(const QString& folder, const QStringList& more = {}) {
    const ProcessResult r = cli(folder, QStringList{"liste", "--format=json"} + more);
    if (r.code != 0)
        qWarning("liste: %d %s", r.code, qPrintable(r.err));
    return QJsonDocument::fromJson(r.out.toUtf8()).object();
}

int stored(const QString& folder) {
    return listJson(folder).value(QStringLiteral("von")).toInt(-1);
}

// Fills rows in through the store itself, as a load run of the program would:
// rating i an hour after rating i - 1, the first with kArtikel.
void storeRows(const QString& folder, const QString& user, const QList<int>& kinds, bool foreign) {
    modGlobal::resetGlobals();
    app::setProgramFolder(folder);
    modData::InitDB();
    for (int i = 1; i <= kinds.size(); ++i) {
        const QString date =
            QDateTime(QDate(2026, 11, 1), QTime(10 + i, 0)).toString("dd.MM.yyyy hh:mm:ss");
        QString artikel = i == 1 ? kArtikel : QString::number(1000 + i);
        const QString text = QStringLiteral("Bewertung %1").arg(i);
        const qint16 kind = qint16(kinds[i - 1]);
        QVERIFY(
            foreign
                ? modData::save_BewertungenTemp(kind, text, "K", date, "geber", artikel, user, i)
                : modData::save_Bewerungen(kind, text, "K", date, "geber", artikel, user, i));
    }
    modGlobal::cnDB.reset();
    app::setProgramFolder({});
}

QDateTime shownDate(const QJsonValue& row) {
    return QDateTime::fromString(row["datum"].toString(), QStringLiteral("dd.MM.yyyy hh:mm"));
}

// Records of RFC 4180 text: quoted fields may hold separators, quotes ("")
// and line breaks. Anything else (a stray quote or CR, a record without its
// line break) leaves ok false.
QList<QStringList> parseCsv(const QString& text, bool* ok) {
    static const QRegularExpression field(R"re((?:"((?:[^"]|"")*+)"|([^",\r\n]*))([,\n]))re");
    QList<QStringList> records;
    QStringList record;
    qsizetype at = 0;
    for (QRegularExpressionMatch m; at < text.size(); at = m.capturedEnd()) {
        m = field.match(text, at, QRegularExpression::NormalMatch,
                        QRegularExpression::AnchorAtOffsetMatchOption);
        if (!m.hasMatch())
            break;
        record << (m.capturedStart(1) >= 0
                       ? m.captured(1).replace(QStringLiteral("\"\""), QStringLiteral("\""))
                       : m.captured(2));
        if (m.captured(3) == u"\n")
            records << std::exchange(record, {});
    }
    *ok = at == text.size() && record.isEmpty();
    return records;
}

// The lines of tab-separated output, without the empty rest after the last.
QStringList tsvLines(const QString& out) {
    QStringList lines = out.split(u'\n');
    if (lines.takeLast() != QString())
        lines << QStringLiteral("(no line break at the end)");
    return lines;
}

} // namespace

// ---------------------------------------------------------------- pruefen

class CliPruefen : public QObject {
    Q_OBJECT
    marktsim::SimProcess m_sim;

    // A fresh program folder for one member of the simulator.
    std::unique_ptr<Folder> folderFor(const char* user) {
        return std::make_unique<Folder>(QString::fromUtf8(user), m_sim.baseUrl());
    }
    ProcessResult pruefen(const Folder& folder, const QStringList& more = {"--ja"}) {
        return cli(folder.path(), QStringList{"pruefen"} + more);
    }
    // A run against a fault of the simulator, cleared after it.
    ProcessResult pruefenWithFault(const Folder& folder, const QStringList& fault) {
        if (!m_sim.fault(fault.first(), fault.mid(1)))
            return {};
        const ProcessResult r = pruefen(folder);
        m_sim.admin("clear");
        return r;
    }

private slots:
    // Every test has a member of its own, so that none depends on another.
    void initTestCase() {
        QStringList members;
        for (const char* m :
             {"anna:450", "bert:5", "carla:15", "dora:450", "frieda:450", "gustav:450", "hans:20"})
            members << "--member" << m;
        QVERIFY2(m_sim.start(members + QStringList{"--reference", kReference}),
                 qPrintable(m_sim.errorString()));
    }

    void ersterLaufSpeichertAlle() {
        const auto anna = folderFor("anna");
        const ProcessResult r = pruefen(*anna);
        QCOMPARE(r.code, 0);
        for (const char* line :
             {"Sie haben 450 neue Bewertungen. Sollen die neuen Bewertungen geladen werden? [j/N] "
              "j",
              "Lade Daten aus dem Internet (1 von 3)\n", "Lade Daten aus dem Internet (3 von 3)\n",
              "Analysiere Daten: 450\n", "Gespeichert: 450 neue Bewertungen, insgesamt 450.\n"})
            QVERIFY2(r.out.contains(QLatin1String(line)), qPrintable(r.out));
        QCOMPARE(r.err, QString());
        QCOMPARE(stored(anna->path()), 450);
    }

    void zweiterLaufFindetNichtsNeues() {
        const auto bert = folderFor("bert");
        QCOMPARE(pruefen(*bert).code, 0);
        const ProcessResult r = pruefen(*bert);
        QCOMPARE(r.code, 0);
        QVERIFY(r.out.contains("Es sind keine neuen Bewertungen eingegangen\n"));
        QVERIFY(!r.out.contains("Sollen"));
        QVERIFY(!r.out.contains("Gespeichert"));
        QCOMPARE(stored(bert->path()), 5);
    }

    void ohneTerminalUndOhneJaWirdNichtsGeladen() {
        const auto carla = folderFor("carla");
        const ProcessResult r = pruefen(*carla, {});
        QCOMPARE(r.code, 5);
        QVERIFY2(r.out.contains("Sie haben 15 neue Bewertungen. Sollen die neuen Bewertungen "
                                "geladen werden? [j/N] n\n"),
                 qPrintable(r.out));
        QVERIFY(r.err.contains("--ja"));
        QVERIFY(!r.out.contains("Lade Daten aus dem Internet ("));
        QCOMPARE(stored(carla->path()), 0);
    }

    void dieNeuenKommenObenDazu() {
        const auto hans = folderFor("hans");
        QCOMPARE(pruefen(*hans).code, 0);
        QCOMPARE(m_sim.admin("add", {{"user", "hans"}, {"count", "15"}}).value("total").toInt(),
                 35);
        const ProcessResult r = pruefen(*hans);
        QCOMPARE(r.code, 0);
        QVERIFY(r.out.contains("Lade Daten aus dem Internet (1 von 1)\n"));
        QVERIFY(r.out.contains("Gespeichert: 15 neue Bewertungen, insgesamt 35.\n"));
        const QJsonArray rows = listJson(hans->path()).value("bewertungen").toArray();
        QCOMPARE(rows.size(), 35);
        // The 15 added now are newer than anything generated before.
        const QDateTime reference = QDateTime::fromString(kReference, Qt::ISODate);
        for (int i = 0; i < 15; ++i)
            QVERIFY(shownDate(rows.at(i)) > reference.addSecs(-60));
        QVERIFY(shownDate(rows.at(15)) <= reference.addSecs(3600));
    }

    void unbekanntesMitglied() {
        Folder folder(QStringLiteral("niemand"), m_sim.baseUrl());
        const ProcessResult r = pruefen(folder);
        QCOMPARE(r.code, 4);
        QVERIFY2(r.err.contains("Der eingegebene Mitgliedsname wurde nicht gefunden. Bitte "
                                "überprüfen Sie den Mitgliedsnamen, und versuchen Sie es "
                                "erneut!"),
                 qPrintable(r.err));
        QVERIFY(!r.out.contains("Sollen"));
        QCOMPARE(stored(folder.path()), 0);
    }

    void keineVerbindungZumInternet() {
        Folder folder(QStringLiteral("anna"), m_sim.baseUrl(),
                      "checkInet=True\nPruefHost1=nicht/aufloesbar\nPruefHost2=nicht/aufloesbar\n");
        const int requests = m_sim.stats().value("requests").toInt();
        const ProcessResult r = pruefen(folder);
        QCOMPARE(r.code, 3);
        QCOMPARE(r.err, QStringLiteral("Es besteht keine Verbindung zum Internet!\n"));
        QCOMPARE(r.out, QString());
        QCOMPARE(m_sim.stats().value("requests").toInt(), requests);
    }

    void verbindungsfehlerVorDerFrage() {
        Folder folder(QStringLiteral("dora"), m_sim.baseUrl());
        // More failures in a row than the source retries.
        const ProcessResult r =
            pruefenWithFault(folder, {"status", "on=entries", "status=500", "count=4"});
        QCOMPARE(r.code, 3);
        QVERIFY2(r.err.contains("Fehler bei der Verbindungsaufnahme: 500\n Beschreibung: "),
                 qPrintable(r.err));
        QVERIFY(r.err.contains("\nBitte prüfen Sie ob eine Internetverbindung besteht.\n"));
        QVERIFY(!r.err.contains('\r'));
        QCOMPARE(stored(folder.path()), 0);
    }

    void verbindungsfehlerBeimLadenSpeichertWasKam() {
        Folder folder(QStringLiteral("frieda"), m_sim.baseUrl());
        // The count and the first page come through, the second page does not.
        const ProcessResult r =
            pruefenWithFault(folder, {"status", "on=entries", "status=500", "count=4", "after=2"});
        QCOMPARE(r.code, 6);
        QVERIFY(r.err.contains("Fehler bei der Verbindungsaufnahme: 500"));
        QVERIFY(r.out.contains("Lade Daten aus dem Internet (2 von 3)\n"));
        // What arrived is stored, nothing made up; the rest comes next time.
        QVERIFY(r.out.contains("Gespeichert: 200 neue Bewertungen, insgesamt 200.\n"));
        QVERIFY(r.err.contains("Die übrigen 250 werden bei der nächsten Prüfung geladen."));
        QCOMPARE(stored(folder.path()), 200);
    }

    void strgCBeimLadenSpeichertNichts() {
        Folder folder(QStringLiteral("gustav"), m_sim.baseUrl());
        // The first page never comes: the run waits until it is interrupted.
        QVERIFY(m_sim.fault("hang", {"on=entries", "after=1"}));
        QProcess p;
        testsupport::startProcess(p, NOTENSCHAU_CLI_PATH,
                                  cliArguments(folder.path(), {"pruefen", "--ja"}));
        QByteArray out;
        while (!out.contains("Lade Daten aus dem Internet (1 von 3)\n") &&
               p.state() == QProcess::Running) {
            p.waitForReadyRead(1000);
            out += p.readAllStandardOutput();
        }
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

class CliListe : public QObject {
    Q_OBJECT
    marktsim::SimProcess m_sim;
    std::unique_ptr<Folder> m_emil;

    ProcessResult liste(const QStringList& more) {
        return cli(m_emil->path(), QStringList{QStringLiteral("liste")} + more);
    }

private slots:
    void initTestCase() {
        QVERIFY2(m_sim.start({"--member", "emil:450", "--reference", kReference}),
                 qPrintable(m_sim.errorString()));
        // The newest rating: its comment needs quoting in every format.
        const QJsonObject body{{"commentText", kKomma},
                               {"commentType", "NEGATIVE"},
                               {"giver", "x"},
                               {"date", "2026-11-30T13:00:00Z"}};
        QCOMPARE(m_sim.admin("add", {{"user", "emil"}}, QJsonDocument(body).toJson())
                     .value("total")
                     .toInt(),
                 451);
        m_emil = std::make_unique<Folder>(QStringLiteral("emil"), m_sim.baseUrl());
        QCOMPARE(cli(m_emil->path(), {"pruefen", "--ja"}).code, 0);
    }

    void jsonErsteSeite() {
        const QJsonObject o = listJson(m_emil->path());
        QCOMPARE(o.value("mitglied").toString(), QStringLiteral("emil"));
        QCOMPARE(o.value("seite").toInt(), 1);
        QCOMPARE(o.value("seiten").toInt(), 3);
        QCOMPARE(o.value("von").toInt(), 451);
        QCOMPARE(o.value("anzeige").toString(), QStringLiteral("Anzeige: 1 - 200 von 451"));
        const QJsonArray rows = o.value("bewertungen").toArray();
        QCOMPARE(rows.size(), 200);
        QCOMPARE(rows.at(0)["art"].toString(), QStringLiteral("negativ"));
        QCOMPARE(rows.at(0)["kommentar"].toString(), kKomma);
        QCOMPARE(rows.at(0)["datum"].toString(), QStringLiteral("30.11.2026 14:00"));
        for (int i = 0; i < rows.size(); ++i) {
            QCOMPARE(rows.at(i)["nr"].toInt(), i + 1);
            QVERIFY(i == 0 || shownDate(rows.at(i - 1)) >= shownDate(rows.at(i)));
        }
        const QJsonObject s = o.value("zusammenfassung").toObject();
        const int pos = s["positiv"].toInt(), neg = s["negativ"].toInt();
        QCOMPARE(pos + s["neutral"].toInt() + neg, 451);
        QVERIFY(neg >= 1);
        QVERIFY(s["prozentzeile"].toString().startsWith("Positive Bewertungen : "));
        const double expected = pos > neg ? double(pos - neg) * 100.0 / pos : 0.0;
        QVERIFY(qAbs(s["prozent"].toDouble() - expected) <= 0.05);
    }

    void csvUndTsvMitAnfuehrungszeichenKommaUndZeilenumbruch() {
        const ProcessResult csv = liste({"--format", "csv"});
        QCOMPARE(csv.code, 0);
        QVERIFY(csv.out.contains(",\"Er sagte \"\"na gut\"\", danke\","));
        bool ok = false;
        const QList<QStringList> records = parseCsv(csv.out, &ok);
        QVERIFY(ok);
        QCOMPARE(records.size(), 201);
        QCOMPARE(records.at(0),
                 (QStringList{"Nr", "Art", "Kommentar", "K/V", "Datum", "Mitglied", "Artikel"}));
        for (const QStringList& record : records)
            QCOMPARE(record.size(), 7);
        QCOMPARE(records.at(1).mid(0, 3), (QStringList{"1", "negativ", kKomma}));
        QCOMPARE(records.at(200).at(0), QStringLiteral("200"));
        // The summary stays out of the data.
        for (const char* part :
             {"Anzeige: 1 - 200 von 451\n", "Positiv: ", "| Positive Bewertungen : "})
            QVERIFY(csv.err.contains(part));

        const ProcessResult tsv = liste({});
        QCOMPARE(tsv.code, 0);
        const QStringList lines = tsvLines(tsv.out);
        QCOMPARE(lines.size(), 201);
        for (const QString& line : lines)
            QCOMPARE(line.count('\t'), 6);
        QCOMPARE(lines.at(1).split('\t').at(2), kKomma);
        QVERIFY(tsv.err.contains("Anzeige: 1 - 200 von 451\n"));
    }

    void nurNegative() {
        const QJsonObject o = listJson(m_emil->path(), {"--art", "negativ"});
        const QJsonArray rows = o.value("bewertungen").toArray();
        QCOMPARE(o.value("von").toInt(), o["zusammenfassung"]["negativ"].toInt());
        QCOMPARE(rows.size(), std::min(200, o.value("von").toInt()));
        QVERIFY(!rows.isEmpty());
        for (const QJsonValue row : rows)
            QCOMPARE(row["art"].toString(), QStringLiteral("negativ"));
        QCOMPARE(rows.at(0)["kommentar"].toString(), kKomma);
    }

    void letzteSeite() {
        const QJsonObject o = listJson(m_emil->path(), {"--seite", "3"});
        const QJsonArray rows = o.value("bewertungen").toArray();
        QCOMPARE(rows.size(), 51);
        QCOMPARE(rows.at(0)["nr"].toInt(), 401);
        QCOMPARE(o.value("anzeige").toString(), QStringLiteral("Anzeige: 401 - 451 von 451"));
    }

    void seiteHinterDemEnde() {
        const ProcessResult r = liste({"--seite", "4"});
        QCOMPARE(r.code, 2);
        QCOMPARE(r.out, QString());
        QVERIFY2(r.err.contains("Seite 4 gibt es nicht (3 Seiten)."), qPrintable(r.err));
        QCOMPARE(liste({"--art", "neutral", "--seite", "3"}).code, 2);
    }

    void fremdesMitglied() {
        storeRows(m_emil->path(), QStringLiteral("bert"), {1, 3, 2, 1}, true);
        const QJsonObject o = listJson(m_emil->path(), {"--fremd", "bert"});
        QCOMPARE(o.value("fremd").toBool(), true);
        QCOMPARE(o.value("von").toInt(), 4);
        const QJsonArray rows = o.value("bewertungen").toArray();
        QCOMPARE(rows.size(), 4);
        QCOMPARE(rows.at(0)["kommentar"].toString(), QStringLiteral("Bewertung 4"));
        QCOMPARE(rows.at(3)["kommentar"].toString(), QStringLiteral("Bewertung 1"));
        QCOMPARE(rows.at(1)["art"].toString(), QStringLiteral("neutral"));
        QCOMPARE(o["zusammenfassung"]["positiv"].toInt(), 2);
        QCOMPARE(o["zusammenfassung"]["prozentzeile"].toString(),
                 QStringLiteral("Fremd-User Analyse"));
        QCOMPARE(rows.at(3)["artikel"].toString(), kArtikel);

        // Line breaks, tabs, quotes and backslashes of a field in csv and tsv.
        const ProcessResult csv = liste({"--fremd", "bert", "--format", "csv"});
        QCOMPARE(csv.code, 0);
        bool ok = false;
        const QList<QStringList> records = parseCsv(csv.out, &ok);
        QVERIFY2(ok, qPrintable(csv.out));
        QCOMPARE(records.size(), 5);
        // A carriage return reaches a terminal as a line feed.
        QCOMPARE(records.at(4).at(6), QString(kArtikel).replace('\r', '\n'));
        QVERIFY(csv.err.contains("Fremd-User Analyse"));
        const QStringList lines = tsvLines(liste({"--fremd", "bert"}).out);
        QCOMPARE(lines.size(), 5);
        QCOMPARE(lines.at(4).split('\t').value(6), QStringLiteral("Los 7\\n\"B\",\\tC\\\\D\\r"));
        // The own list is not touched by a foreign member's rows.
        QCOMPARE(stored(m_emil->path()), 451);
        const ProcessResult none = liste({"--fremd", "niemand"});
        QCOMPARE(none.code, 0);
        QVERIFY(none.err.contains("keine Bewertungen vorhanden!"));
    }

    void prozentzeile() {
        Folder folder(QStringLiteral("ida"));
        storeRows(folder.path(), QStringLiteral("ida"), {1, 1, 3, 2, 1}, false);
        const ProcessResult r = cli(folder.path(), {"liste"});
        QCOMPARE(r.code, 0);
        QVERIFY2(r.err.contains("Positiv: 3 | Neutral: 1 | Negativ: 1 | Positive Bewertungen : "
                                "66,7 %\n"),
                 qPrintable(r.err));
        QCOMPARE(listJson(folder.path()).value("zusammenfassung")["prozent"].toDouble(), 66.7);
    }

    // What a terminal or a spreadsheet would act on, stored in a comment.
    void steuerzeichenUndFormeln_data() {
        QTest::addColumn<QString>("format");
        QTest::newRow("tsv") << "tsv";
        QTest::newRow("csv") << "csv";
        QTest::newRow("json") << "json";
    }
    void steuerzeichenUndFormeln() {
        QFETCH(QString, format);
        const QString nasty = QString::fromStdU16String(u"=1+1 \x1b]0;x\x07\x9b"
                                                        "2J\x7f\0Ende"s);
        testsupport::StoreFixture store(QStringLiteral("ida"));
        QVERIFY(
            modData::save_Bewerungen(3, nasty, "K", "01.11.2026 10:00:00", "geber", "1", "ida", 1));
        modGlobal::cnDB.reset();
        const ProcessResult r = cli(store.folder().path(), {"liste", "--format", format});
        QCOMPARE(r.code, 0);
        const QByteArray bytes = r.out.toUtf8();
        static const QRegularExpression raw(QStringLiteral("[\\x00-\\x08\\x0b-\\x1f\\x7f-\\x9f]"));
        QVERIFY2(!r.out.contains(raw), bytes.toHex(' ').constData());
        if (format == "json") {
            const QJsonObject o = QJsonDocument::fromJson(bytes).object();
            QCOMPARE(o["bewertungen"][0]["kommentar"].toString(), nasty);
        } else {
            QVERIFY2(r.out.contains(format == "csv" ? ",'=1+1 \uFFFD]0;x" : "\t=1+1 \uFFFD]0;x"),
                     qPrintable(r.out));
        }
    }

    void leereDatenbank() {
        Folder folder(QStringLiteral("ida"));
        const ProcessResult r = cli(folder.path(), {"liste", "--format", "csv"});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, QStringLiteral("Nr,Art,Kommentar,K/V,Datum,Mitglied,Artikel\n"));
        QVERIFY(r.err.contains("keine Bewertungen vorhanden!\n"));
        QVERIFY(r.err.contains("Positive Bewertungen : 0 %\n"));
        QCOMPARE(cli(folder.path(), {"liste", "--seite", "2"}).code, 2);
    }
};

// -------------------------------------------------- calls, configuration

class CliAufruf : public QObject {
    Q_OBJECT

private slots:
    void hilfe() {
        const ProcessResult r = cli({}, {"--help"});
        QCOMPARE(r.code, 0);
        for (const char* part : {"Aufruf: notenschau-cli [--ordner VERZEICHNIS] BEFEHL",
                                 "pruefen [--ja]", "--format tsv|csv|json", "Rückgabewerte"})
            QVERIFY2(r.out.contains(QString::fromUtf8(part)), part);
    }

    void fehlerhafterAufruf_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        const auto row = [](const char* name, const QStringList& args, const char* message) {
            QTest::newRow(name) << args << QString::fromUtf8(message);
        };
        row("kein Befehl", {}, "Kein Befehl angegeben.");
        row("Befehl", {"abgleichen"}, "Unbekannter Befehl: abgleichen");
        row("Option", {"liste", "--farbe", "rot"}, "Unbekannte Option: --farbe");
        row("Art", {"liste", "--art", "gut"}, "Unbekannte Art \"gut\"");
        row("Seite 0", {"liste", "--seite", "0"}, "Die Seite muss eine ganze Zahl ab 1 sein");
        row("Seite Text", {"liste", "--seite=zwei"},
            "Die Seite muss eine ganze Zahl ab 1 sein, nicht \"zwei\"");
        row("Format", {"liste", "--format", "xml"}, "Unbekanntes Format \"xml\"");
        row("ohne Wert", {"liste", "--seite"}, "Die Option --seite braucht einen Wert.");
        row("fremde Option", {"pruefen", "--seite", "2"},
            "Die Option --seite gilt nicht für den Befehl pruefen.");
        row("ja bei liste", {"liste", "--ja"}, "Die Option --ja gilt nicht für den Befehl liste.");
        row("doppelt", {"liste", "--art", "positiv", "--art", "negativ"},
            "Die Option --art ist mehrfach angegeben.");
        row("zwei Befehle", {"liste", "pruefen"}, "Unerwartetes Argument: pruefen");
    }
    void fehlerhafterAufruf() {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        Folder folder(QStringLiteral("ida"));
        storeRows(folder.path(), QStringLiteral("ida"), {1, 2}, false);
        const ProcessResult r = cli(folder.path(), args);
        QCOMPARE(r.code, 2);
        QCOMPARE(r.out, QString());
        QVERIFY2(r.err.contains(message), qPrintable(r.err));
        QVERIFY(r.err.contains("notenschau-cli --help"));
        QCOMPARE(stored(folder.path()), 2);
    }

    // A folder, configuration or database the program cannot use.
    void unbrauchbareUmgebung_data() {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("code");
        QTest::addColumn<QStringList>("message");
        const QStringList db{"Die Datenbank ist zur Zeit nicht erreichbar.\n",
                             "notenschau-cli: Die Datenbankdatei gibt es nicht: "};
        const QStringList protocol{"F E H L E R P R O T O K O L L",
                                   "[modini] Public Sub fnGetPfadeFaktorFromINI()",
                                   QStringLiteral("13 (Typen unverträglich)")};
        QTest::newRow("Ordner fehlt")
            << "ordner"
            << "liste" << 2 << QStringList{"Das Verzeichnis /gibt/es/nicht gibt es nicht."};
        QTest::newRow("ohne Einstellungsdatei")
            << "leer"
            << "liste" << 1 << QStringList{"Bin/config.INI wurde nicht gefunden."};
        QTest::newRow("Datenbank fehlt, liste") << "datenbank"
                                                << "liste" << 1 << db;
        QTest::newRow("Datenbank fehlt, pruefen") << "datenbank"
                                                  << "pruefen" << 1 << db;
        QTest::newRow("Protokoll, liste") << "protokoll"
                                          << "liste" << 1 << protocol;
        QTest::newRow("Protokoll, pruefen") << "protokoll"
                                            << "pruefen" << 1 << protocol;
    }
    void unbrauchbareUmgebung() {
        QFETCH(QString, setup);
        QFETCH(QString, command);
        QFETCH(int, code);
        QFETCH(QStringList, message);
        Folder folder(QStringLiteral("ida"), {},
                      setup == "protokoll" ? "checkInet=Vielleicht\n" : "checkInet=False\n");
        if (setup == "datenbank")
            folder.writeConfig("[Main]\nDatabase=" + folder.path().toUtf8() +
                               "/fehlt.db\ncheckInet=False\n[User]\nUsername=ida\n");
        QTemporaryDir empty;
        const ProcessResult r = cli(setup == "ordner" ? QStringLiteral("/gibt/es/nicht")
                                    : setup == "leer" ? empty.path()
                                                      : folder.path(),
                                    {command});
        QCOMPARE(r.code, code);
        QCOMPARE(r.out, QString());
        for (const QString& part : message)
            QVERIFY2(r.err.contains(part), qPrintable(r.err));
        QVERIFY(!r.err.contains('\r'));
    }
};

template <class Test> int runTests(int argc, char** argv) {
    Test t;
    return QTest::qExec(&t, argc, argv);
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int failed = runTests<CliAufruf>(argc, argv) + runTests<CliListe>(argc, argv) +
                       runTests<CliPruefen>(argc, argv);
    return failed == 0 ? 0 : 1;
}

#include "tst_cli.moc"
