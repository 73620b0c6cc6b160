// notenschau-cli as a user runs it: a separate process with a program folder,
// a real database and the marketplace simulator; stdin is never a terminal.
#include "app/modGlobal.h"
#include "app/programFolder.h"
#include "marktsimProcess.h"
#include "store/connection.h"
#include "store/modData.h"
#include "store/schema.h"

#include <csignal>
#include <QDateTime>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString kReference = QStringLiteral("2026-11-30T12:00:00Z");
const QString kKomma = QStringLiteral("Er sagte \"na gut\", danke");
// Item numbers are stored as they come: this one needs every escape.
const QString kArtikel = QStringLiteral("Los 7\n\"B\",\tC\\D\r");

struct Run {
    int code = -1;
    QString out;
    QString err;
};

// A program folder with its configuration and a fresh database.
class Folder {
public:
    explicit Folder(const QString& user, const QString& apiUrl = {},
                    const QByteArray& mainLines = "checkInet=False\n") {
        QDir(m_dir.path()).mkpath(QStringLiteral("Bin"));
        store::createDatabase(database());
        writeConfig("[Main]\nDatabase=" + database().toUtf8() + "\n" + mainLines +
                    "[User]\nUsername=" + user.toUtf8() + "\n[Marktplatz]\nApiUrl=" +
                    apiUrl.toUtf8() + "\nClientId=notenschau\nClientSecret=geheim\n");
    }
    QString path() const { return m_dir.path(); }
    QString database() const { return m_dir.filePath(QStringLiteral("noten.db")); }
    void writeConfig(const QByteArray& text) const {
        QFile f(m_dir.filePath(QStringLiteral("Bin/config.INI")));
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text);
    }

private:
    QTemporaryDir m_dir;
};

void startCli(QProcess& p, const QString& folder, const QStringList& args) {
    p.setProgram(QStringLiteral(NOTENSCHAU_CLI_PATH));
    p.setArguments(folder.isEmpty() ? args
                                    : QStringList{QStringLiteral("--ordner"), folder} + args);
    p.start();
    p.waitForStarted();
    p.closeWriteChannel();
}

Run finish(QProcess& p) {
    Run r;
    // A guard against a hanging run, not a measure of speed.
    if (!p.waitForFinished(120000)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

Run cli(const QString& folder, const QStringList& args) {
    QProcess p;
    startCli(p, folder, args);
    return finish(p);
}

QJsonObject listJson(const QString& folder, const QStringList& more = {}) {
    const Run r =
        cli(folder, QStringList{QStringLiteral("liste"), QStringLiteral("--format=json")} + more);
    if (r.code != 0)
        qWarning("liste: %d %s", r.code, qPrintable(r.err));
    return QJsonDocument::fromJson(r.out.toUtf8()).object();
}

int stored(const QString& folder) {
    return listJson(folder).value(QStringLiteral("von")).toInt(-1);
}

// Fills rows in through the store itself, as a load run of the program would.
void storeRows(const QString& folder, const QString& user, const QList<int>& kinds, bool foreign) {
    modGlobal::resetGlobals();
    app::setProgramFolder(folder);
    modData::InitDB();
    QDateTime when = QDateTime::fromString(QStringLiteral("2026-11-01T10:00:00"), Qt::ISODate);
    int i = 0;
    for (int kind : kinds) {
        when = when.addSecs(3600);
        const QString date = when.toString(QStringLiteral("dd.MM.yyyy hh:mm:ss"));
        QString artikel = i == 0 ? kArtikel : QString::number(1000 + i);
        const QString text = QStringLiteral("Bewertung %1").arg(++i);
        if (foreign)
            modData::save_BewertungenTemp(qint16(kind), text, QStringLiteral("K"), date,
                                          QStringLiteral("geber"), artikel, user, i);
        else
            modData::save_Bewerungen(qint16(kind), text, QStringLiteral("K"), date,
                                     QStringLiteral("geber"), artikel, user, i);
    }
    modGlobal::cnDB.reset();
    app::setProgramFolder({});
}

QDateTime shownDate(const QString& text) {
    return QDateTime::fromString(text, QStringLiteral("dd.MM.yyyy hh:mm"));
}

// Records of RFC 4180 text: quoted fields may hold separators, quotes ("")
// and line breaks.
QList<QStringList> parseCsv(const QString& text, bool* ok) {
    QList<QStringList> records;
    QStringList record;
    QString field;
    bool quoted = false;
    bool wasQuoted = false;
    *ok = true;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == u'"') {
                if (i + 1 < text.size() && text.at(i + 1) == u'"') {
                    field += u'"';
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                field += c;
            }
        } else if (c == u'"') {
            if (!field.isEmpty() || wasQuoted)
                *ok = false; // a quote inside an unquoted field
            quoted = wasQuoted = true;
        } else if (c == u',') {
            record << field;
            field.clear();
            wasQuoted = false;
        } else if (c == u'\n') {
            record << field;
            records << record;
            record.clear();
            field.clear();
            wasQuoted = false;
        } else if (c == u'\r') {
            *ok = false; // a bare line break outside quotes
        } else {
            if (wasQuoted)
                *ok = false; // text after a closing quote
            field += c;
        }
    }
    if (quoted || !field.isEmpty() || !record.isEmpty())
        *ok = false; // the text must end with a whole record
    return records;
}

} // namespace

// ---------------------------------------------------------------- pruefen

class CliPruefen : public QObject {
    Q_OBJECT
    marktsim::SimProcess m_sim;
    std::unique_ptr<Folder> m_anna;

private slots:
    void initTestCase() {
        QVERIFY2(m_sim.start({"--member", "anna:450", "--member", "dora:450", "--member",
                              "frieda:450", "--member", "gustav:450", "--reference", kReference}),
                 qPrintable(m_sim.errorString()));
        m_anna = std::make_unique<Folder>(QStringLiteral("anna"), m_sim.baseUrl());
    }

    void ersterLaufSpeichertAlle() {
        const Run r = cli(m_anna->path(), {"pruefen", "--ja"});
        QCOMPARE(r.code, 0);
        QVERIFY2(r.out.contains("Sie haben 450 neue Bewertungen. Sollen die neuen Bewertungen "
                                "geladen werden? [j/N] j"),
                 qPrintable(r.out));
        for (const char* line :
             {"Lade Daten aus dem Internet (1 von 3)\n", "Lade Daten aus dem Internet (3 von 3)\n",
              "Analysiere Daten: 450\n", "Gespeichert: 450 neue Bewertungen, insgesamt 450.\n"})
            QVERIFY2(r.out.contains(QLatin1String(line)), line);
        QCOMPARE(r.err, QString());
        QCOMPARE(stored(m_anna->path()), 450);
    }

    void zweiterLaufFindetNichtsNeues() {
        const Run r = cli(m_anna->path(), {"pruefen", "--ja"});
        QCOMPARE(r.code, 0);
        QVERIFY(r.out.contains("Es sind keine neuen Bewertungen eingegangen\n"));
        QVERIFY(!r.out.contains("Sollen"));
        QVERIFY(!r.out.contains("Gespeichert"));
        QCOMPARE(stored(m_anna->path()), 450);
    }

    void ohneTerminalUndOhneJaWirdNichtsGeladen() {
        QCOMPARE(
            m_sim.admin("add", QUrlQuery{{"user", "anna"}, {"count", "15"}}).value("total").toInt(),
            465);
        const Run r = cli(m_anna->path(), {"pruefen"});
        QCOMPARE(r.code, 5);
        QVERIFY2(r.out.contains("Sie haben 15 neue Bewertungen. Sollen die neuen Bewertungen "
                                "geladen werden? [j/N] n\n"),
                 qPrintable(r.out));
        QVERIFY(r.err.contains("--ja"));
        QVERIFY(!r.out.contains("Lade Daten aus dem Internet ("));
        QCOMPARE(stored(m_anna->path()), 450);
    }

    void dieNeuenKommenObenDazu() {
        const Run r = cli(m_anna->path(), {"pruefen", "--ja"});
        QCOMPARE(r.code, 0);
        QVERIFY(r.out.contains("Lade Daten aus dem Internet (1 von 1)\n"));
        QVERIFY(r.out.contains("Gespeichert: 15 neue Bewertungen, insgesamt 465.\n"));
        const QJsonObject page = listJson(m_anna->path());
        QCOMPARE(page.value("von").toInt(), 465);
        const QJsonArray rows = page.value("bewertungen").toArray();
        QCOMPARE(rows.size(), 200);
        // The 15 added now are newer than anything generated before.
        const QDateTime reference = QDateTime::fromString(kReference, Qt::ISODate);
        for (int i = 0; i < 15; ++i)
            QVERIFY(shownDate(rows.at(i)["datum"].toString()) > reference.addSecs(-60));
        QVERIFY(shownDate(rows.at(15)["datum"].toString()) <= reference.addSecs(3600));
    }

    void unbekanntesMitglied() {
        Folder folder(QStringLiteral("niemand"), m_sim.baseUrl());
        const Run r = cli(folder.path(), {"pruefen", "--ja"});
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
                      "checkInet=True\nPruefHost1=nicht/aufloesbar\n"
                      "PruefHost2=nicht/aufloesbar\n");
        const int requests = m_sim.stats().value("requests").toInt();
        const Run r = cli(folder.path(), {"pruefen", "--ja"});
        QCOMPARE(r.code, 3);
        QCOMPARE(r.err, QStringLiteral("Es besteht keine Verbindung zum Internet!\n"));
        QCOMPARE(r.out, QString());
        QCOMPARE(m_sim.stats().value("requests").toInt(), requests);
    }

    void verbindungsfehlerVorDerFrage() {
        Folder folder(QStringLiteral("dora"), m_sim.baseUrl());
        // More failures in a row than the source retries.
        QVERIFY(m_sim.fault("status", {"on=entries", "status=500", "count=4"}));
        const Run r = cli(folder.path(), {"pruefen", "--ja"});
        m_sim.admin("clear");
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
        QVERIFY(m_sim.fault("status", {"on=entries", "status=500", "count=4", "after=2"}));
        const Run r = cli(folder.path(), {"pruefen", "--ja"});
        m_sim.admin("clear");
        QCOMPARE(r.code, 3);
        QVERIFY(r.err.contains("Fehler bei der Verbindungsaufnahme: 500"));
        QVERIFY(r.out.contains("Lade Daten aus dem Internet (2 von 3)\n"));
        QVERIFY(r.out.contains("Gespeichert: 450 neue Bewertungen, insgesamt 450.\n"));
        // 200 delivered, the rest made up as placeholders.
        const QJsonObject page2 = listJson(folder.path(), {"--seite", "2"});
        const QJsonObject s = page2.value("zusammenfassung").toObject();
        QCOMPARE(s.value("positiv").toInt() + s.value("neutral").toInt() +
                     s.value("negativ").toInt(),
                 200);
        int placeholders = 0;
        for (int n = 1; n <= 3; ++n)
            for (const QJsonValue row :
                 listJson(folder.path(), {"--seite", QString::number(n)})["bewertungen"].toArray())
                if (row["bewertungszahl"].toInt() == 0) {
                    QCOMPARE(row["kommentar"].toString(),
                             QStringLiteral("Bewertung wurde von Ebay nicht geliefert"));
                    ++placeholders;
                }
        QCOMPARE(placeholders, 250);
    }

    void strgCBeimLadenSpeichertNichts() {
        Folder folder(QStringLiteral("gustav"), m_sim.baseUrl());
        // The first page never comes: the run waits until it is interrupted.
        QVERIFY(m_sim.fault("hang", {"on=entries", "after=1"}));
        QProcess p;
        startCli(p, folder.path(), {"pruefen", "--ja"});
        QByteArray out;
        while (!out.contains("Lade Daten aus dem Internet (1 von 3)\n") &&
               p.state() == QProcess::Running) {
            p.waitForReadyRead(1000);
            out += p.readAllStandardOutput();
        }
        QVERIFY2(p.state() == QProcess::Running, out.constData());
        ::kill(pid_t(p.processId()), SIGINT);
        const Run r = finish(p);
        m_sim.admin("clear");
        QCOMPARE(r.code, 130);
        QVERIFY(r.err.contains("Abgebrochen"));
        QCOMPARE(stored(folder.path()), 0);
    }
};

// ------------------------------------------------------------------ liste

class CliListe : public QObject {
    Q_OBJECT
    marktsim::SimProcess m_sim;
    std::unique_ptr<Folder> m_emil;

    Run liste(const QStringList& more) {
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
        QCOMPARE(m_sim.admin("add", QUrlQuery{{"user", "emil"}}, QJsonDocument(body).toJson())
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
            if (i > 0)
                QVERIFY(shownDate(rows.at(i - 1)["datum"].toString()) >=
                        shownDate(rows.at(i)["datum"].toString()));
        }
        const QJsonObject s = o.value("zusammenfassung").toObject();
        const int pos = s.value("positiv").toInt();
        const int neg = s.value("negativ").toInt();
        QCOMPARE(pos + s.value("neutral").toInt() + neg, 451);
        QVERIFY(neg >= 1);
        QVERIFY(s.value("prozentzeile").toString().startsWith("Positive Bewertungen : "));
        const double expected = pos > neg ? double(pos - neg) * 100.0 / pos : 0.0;
        QVERIFY(qAbs(s.value("prozent").toDouble() - expected) <= 0.05);
    }

    void csvMitAnfuehrungszeichenKommaUndZeilenumbruch() {
        const Run r = liste({"--format", "csv"});
        QCOMPARE(r.code, 0);
        QVERIFY(r.out.contains(",\"Er sagte \"\"na gut\"\", danke\","));
        bool ok = false;
        const QList<QStringList> records = parseCsv(r.out, &ok);
        QVERIFY(ok);
        QCOMPARE(records.size(), 201);
        QCOMPARE(records.at(0),
                 (QStringList{"Nr", "Art", "Kommentar", "K/V", "Datum", "Mitglied", "Artikel"}));
        for (const QStringList& record : records)
            QCOMPARE(record.size(), 7);
        QCOMPARE(records.at(1).at(0), QStringLiteral("1"));
        QCOMPARE(records.at(1).at(2), kKomma);
        QCOMPARE(records.at(200).at(0), QStringLiteral("200"));
        // The summary stays out of the data.
        QVERIFY(r.err.contains("Anzeige: 1 - 200 von 451\n"));
        QVERIFY(r.err.contains("Positiv: "));
        QVERIFY(r.err.contains("| Positive Bewertungen : "));
    }

    void tsvEineZeileJeBewertung() {
        const Run r = liste({});
        QCOMPARE(r.code, 0);
        QStringList lines = r.out.split('\n');
        QCOMPARE(lines.takeLast(), QString());
        QCOMPARE(lines.size(), 201);
        for (const QString& line : lines)
            QCOMPARE(line.count('\t'), 6);
        QCOMPARE(lines.at(1).split('\t').at(2), kKomma);
        QVERIFY(r.err.contains("Anzeige: 1 - 200 von 451\n"));
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
        const Run r = liste({"--seite", "4"});
        QCOMPARE(r.code, 2);
        QCOMPARE(r.out, QString());
        QVERIFY2(r.err.contains("Seite 4 gibt es nicht (3 Seiten)."), qPrintable(r.err));
        QCOMPARE(cli(m_emil->path(), {"liste", "--art", "neutral", "--seite", "3"}).code, 2);
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
        const Run csv = liste({"--fremd", "bert", "--format", "csv"});
        QCOMPARE(csv.code, 0);
        bool ok = false;
        const QList<QStringList> records = parseCsv(csv.out, &ok);
        QVERIFY2(ok, qPrintable(csv.out));
        QCOMPARE(records.size(), 5);
        QCOMPARE(records.at(4).at(6), kArtikel);
        QVERIFY(csv.err.contains("Fremd-User Analyse"));
        const Run tsv = liste({"--fremd", "bert"});
        QStringList lines = tsv.out.split('\n');
        QCOMPARE(lines.takeLast(), QString());
        QCOMPARE(lines.size(), 5);
        QCOMPARE(lines.at(4).split('\t').value(6), QStringLiteral("Los 7\\n\"B\",\\tC\\\\D\\r"));
        // The own list is not touched by a foreign member's rows.
        QCOMPARE(stored(m_emil->path()), 451);
        const Run none = liste({"--fremd", "niemand"});
        QCOMPARE(none.code, 0);
        QVERIFY(none.err.contains("keine Bewertungen vorhanden!"));
    }

    void prozentzeile() {
        Folder folder(QStringLiteral("ida"));
        storeRows(folder.path(), QStringLiteral("ida"), {1, 1, 3, 2, 1}, false);
        const Run r = cli(folder.path(), {"liste"});
        QCOMPARE(r.code, 0);
        QVERIFY2(r.err.contains("Positiv: 3 | Neutral: 1 | Negativ: 1 | Positive Bewertungen : "
                                "66,7 %\n"),
                 qPrintable(r.err));
        const QJsonObject o = listJson(folder.path());
        QCOMPARE(o["zusammenfassung"]["prozent"].toDouble(), 66.7);
    }

    void leereDatenbank() {
        Folder folder(QStringLiteral("ida"));
        const Run r = cli(folder.path(), {"liste", "--format", "csv"});
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
        const Run r = cli({}, {"--help"});
        QCOMPARE(r.code, 0);
        for (const char* part : {"Aufruf: notenschau-cli [--ordner VERZEICHNIS] BEFEHL",
                                 "pruefen [--ja]", "--format tsv|csv|json", "Rückgabewerte"})
            QVERIFY2(r.out.contains(QString::fromUtf8(part)), part);
    }

    void fehlerhafterAufruf_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        QTest::newRow("kein Befehl") << QStringList{} << "Kein Befehl angegeben.";
        QTest::newRow("Befehl") << QStringList{"abgleichen"} << "Unbekannter Befehl: abgleichen";
        QTest::newRow("Option") << QStringList{"liste", "--farbe", "rot"}
                                << "Unbekannte Option: --farbe";
        QTest::newRow("Art") << QStringList{"liste", "--art", "gut"} << "Unbekannte Art \"gut\"";
        QTest::newRow("Seite 0") << QStringList{"liste", "--seite", "0"}
                                 << "Die Seite muss eine ganze Zahl ab 1 sein";
        QTest::newRow("Seite Text") << QStringList{"liste", "--seite=zwei"}
                                    << "Die Seite muss eine ganze Zahl ab 1 sein, nicht \"zwei\"";
        QTest::newRow("Format") << QStringList{"liste", "--format", "xml"}
                                << "Unbekanntes Format \"xml\"";
        QTest::newRow("ohne Wert")
            << QStringList{"liste", "--seite"} << "Die Option --seite braucht einen Wert.";
        QTest::newRow("fremde Option") << QStringList{"pruefen", "--seite", "2"}
                                       << "Die Option --seite gilt nicht für den Befehl pruefen.";
        QTest::newRow("ja bei liste")
            << QStringList{"liste", "--ja"} << "Die Option --ja gilt nicht für den Befehl liste.";
        QTest::newRow("doppelt") << QStringList{"liste", "--art", "positiv", "--art", "negativ"}
                                 << "Die Option --art ist mehrfach angegeben.";
        QTest::newRow("zwei Befehle")
            << QStringList{"liste", "pruefen"} << "Unerwartetes Argument: pruefen";
    }

    void fehlerhafterAufruf() {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        Folder folder(QStringLiteral("ida"));
        storeRows(folder.path(), QStringLiteral("ida"), {1, 2}, false);
        const Run r = cli(folder.path(), args);
        QCOMPARE(r.code, 2);
        QCOMPARE(r.out, QString());
        QVERIFY2(r.err.contains(message), qPrintable(r.err));
        QVERIFY(r.err.contains("notenschau-cli --help"));
        QCOMPARE(stored(folder.path()), 2);
    }

    void ordnerGibtEsNicht() {
        const Run r = cli(QStringLiteral("/gibt/es/nicht"), {"liste"});
        QCOMPARE(r.code, 2);
        QVERIFY(r.err.contains("Das Verzeichnis /gibt/es/nicht gibt es nicht."));
    }

    void ohneEinstellungsdatei() {
        QTemporaryDir empty;
        const Run r = cli(empty.path(), {"liste"});
        QCOMPARE(r.code, 1);
        QVERIFY(r.err.contains("Bin/config.INI wurde nicht gefunden."));
    }

    void datenbankNichtErreichbar() {
        Folder folder(QStringLiteral("ida"));
        folder.writeConfig("[Main]\nDatabase=" + folder.path().toUtf8() +
                           "/fehlt.db\ncheckInet=False\n[User]\nUsername=ida\n");
        for (const char* command : {"liste", "pruefen"}) {
            const Run r = cli(folder.path(), {command});
            QCOMPARE(r.code, 1);
            QVERIFY2(r.err.contains("Die Datenbank ist zur Zeit nicht erreichbar.\n"),
                     qPrintable(r.err));
        }
    }

    void fehlerImProtokoll() {
        Folder folder(QStringLiteral("ida"), {}, "checkInet=Vielleicht\n");
        for (const char* command : {"liste", "pruefen"}) {
            const Run r = cli(folder.path(), {command});
            QCOMPARE(r.code, 1);
            QCOMPARE(r.out, QString());
            QVERIFY2(r.err.contains("F E H L E R P R O T O K O L L"), qPrintable(r.err));
            QVERIFY(r.err.contains("[modini] Public Sub fnGetPfadeFaktorFromINI()"));
            QVERIFY(r.err.contains("13 (Typen unverträglich)"));
            QVERIFY(!r.err.contains('\r'));
        }
    }
};

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    int failed = 0;
    {
        CliAufruf t;
        failed += QTest::qExec(&t, argc, argv);
    }
    {
        CliListe t;
        failed += QTest::qExec(&t, argc, argv);
    }
    {
        CliPruefen t;
        failed += QTest::qExec(&t, argc, argv);
    }
    return failed == 0 ? 0 : 1;
}

#include "tst_cli.moc"
