// notenschau-cli antworten: a reply sent to the simulator and stored, one the
// marketplace refuses, the text from standard input, and the calls that miss
// an argument, as a process against a real database.
#include "answerers.h"
#include "marktsimProcess.h"
#include "processRun.h"
#include "store/schema.h"
#include "storeFixture.h"
#include "testData.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using testsupport::fetch;
using testsupport::ProcessResult;
using testsupport::row;

class CliAntworten : public QObject {
    Q_OBJECT
    marktsim::SimProcess sim;
    testsupport::ProgramFolder folder;

    // With input, it goes to the program's standard input.
    ProcessResult cli(const QStringList& args, const QByteArray& input = {}) {
        const QStringList all = QStringList{"--ordner", folder.path()} + args;
        if (input.isNull())
            return testsupport::runProcess(NOTENSCHAU_CLI_PATH, all);
        QProcess p;
        p.start(NOTENSCHAU_CLI_PATH, all);
        p.write(input);
        p.closeWriteChannel();
        return testsupport::finishProcess(p);
    }
    // The stored ratings, newest first: id and reply.
    QJsonArray listed() {
        const ProcessResult r = cli({"liste", "--format", "json"});
        return QJsonDocument::fromJson(r.out.toUtf8()).object().value("bewertungen").toArray();
    }

private slots:
    void initTestCase() {
        QVERIFY2(sim.start({"--member", "anna:12", "--refresh-token", "rt-anna:anna", "--reference",
                            "2026-11-30T12:00:00Z"}),
                 qPrintable(sim.errorString()));
        QDir(folder.path()).mkpath("Bin");
        store::createDatabase(folder.file("noten.db"));
        folder.writeConfig("[Main]\nDatabase=noten.db\ncheckInet=False\n[User]\nUsername=anna\n" +
                           testsupport::marktplatz(sim.baseUrl()) + "RefreshToken=rt-anna\n");
        QCOMPARE(cli({"pruefen", "--ja"}).code, 0);
        QCOMPARE(listed().size(), 12);
    }

    // Row n of the list is answered; what it says, its code and the stored reply.
    void antworten_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("said");
        QTest::addColumn<QString>("stored");
        const QString sent = "Die Antwort wurde gesendet.\n";
        row("gesendet", 0, QString("Danke!"), QByteArray(), 0, sent, QString("Danke!"));
        row("von der Standardeingabe", 1, QString("-"), QByteArray("Vielen Dank,\nbis bald\n"), 0,
            sent, QString("Vielen Dank,\nbis bald"));
        row("schon beantwortet", 0, QString("Noch einmal"), QByteArray(), 7,
            QString("Auf diese Bewertung wurde schon geantwortet.\n"), QString("Danke!"));
        row("abgelehnt", 2, QString("Ruf an: 0171 1234567"), QByteArray(), 7,
            QString("eBay lehnt die Antwort ab: Web- und E-Mail-Adressen, Telefonnummern und HTML "
                    "sind darin nicht erlaubt. Bitte ändern Sie den Text.\n"),
            QString());
    }
    void antworten() {
        const QString id = listed().at(fetch<int>("row")).toObject().value("id").toString();
        const ProcessResult r =
            cli({"antworten", id, fetch<QString>("text")}, fetch<QByteArray>("input"));
        QCOMPARE(r.code, fetch<int>("code"));
        QCOMPARE(r.code == 0 ? r.out : r.err, fetch<QString>("said"));
        QCOMPARE(listed().at(fetch<int>("row")).toObject().value("antwort").toString(),
                 fetch<QString>("stored"));
    }

    void badCalls_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        row("ohne Text", QStringList{"antworten", "123"}, 2);
        row("ohne alles", QStringList{"antworten"}, 2);
        row("unbekannte Kennung", QStringList{"antworten", "123", "Danke"}, 1);
    }
    void badCalls() {
        const qint64 before = sim.stats().value("respond_to_feedback").toInteger();
        QCOMPARE(cli(fetch<QStringList>("args")).code, fetch<int>("code"));
        QCOMPARE(sim.stats().value("respond_to_feedback").toInteger(), before);
    }
};

QTEST_GUILESS_MAIN(CliAntworten)
#include "tst_cliAntworten.moc"
