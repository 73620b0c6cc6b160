// notenschau-cli offen, bewerten and the automatic rating after pruefen, as
// a process against the simulator and a real database: a batch that is
// killed or interrupted resumes with exactly the items left.
#include "marktsimProcess.h"
#include "processRun.h"
#include "storeFixture.h"
#include "testData.h"

#include <csignal>
#include <QTest>

using testsupport::fetch;
using testsupport::ProcessResult;

namespace {

class Folder : public testsupport::StoreFixture {
public:
    Folder(const QString& user, const QString& apiUrl, const QByteArray& more)
        : StoreFixture(user, testsupport::marktplatz(apiUrl) + more) {}
    ProcessResult cli(const QStringList& args) {
        return testsupport::runProcess(NOTENSCHAU_CLI_PATH,
                                       QStringList{"--ordner", folder().path()} + args);
    }
};

int lines(const QString& text, const QString& start) {
    int n = 0;
    for (const QString& line : text.split(u'\n'))
        n += line.startsWith(start);
    return n;
}

} // namespace

class CliBuyers : public QObject {
    Q_OBJECT
    marktsim::SimProcess sim;

    qint64 sent() { return sim.stats().value("leave_feedback").toInteger(); }
    void awaiting(const QString& member, int count) {
        sim.admin("awaiting", {{"user", member}, {"count", QString::number(count)}});
    }
    static QByteArray signIn() { return "RefreshToken=rt-berta\n"; }
    // Starts bewerten --alle with the answer to request `held` held back for
    // ms, and waits until that request is at the marketplace.
    void startHeld(QProcess& p, Folder& folder, int held, int ms) {
        QVERIFY(sim.fault("delay", {"on=leave_feedback", QString("after=%1").arg(held - 1),
                                    QString("ms=%1").arg(ms)}));
        testsupport::startProcess(p, NOTENSCHAU_CLI_PATH,
                                  {"--ordner", folder.folder().path(), "bewerten", "--alle"});
        QVERIFY(QTest::qWaitFor([&] { return sent() == held; }, 20000));
    }

private slots:
    // The simulator takes one refresh token: every test signs in as berta
    // and leaves no item open.
    void initTestCase() {
        QVERIFY2(sim.start({"--member", "berta:20", "--refresh-token", "rt-berta:berta"}),
                 qPrintable(sim.errorString()));
    }
    void cleanup() { sim.admin("clear"); }

    // Killed while the seventh rating is on its way: the rerun sends the
    // five left, the next one nothing.
    void aKilledBatchResumes() {
        Folder folder("berta", sim.baseUrl(), signIn());
        awaiting("berta", 12);
        const ProcessResult open = folder.cli({"offen"});
        QVERIFY2(open.code == 0, qPrintable(open.err));
        QCOMPARE(open.out.section('\n', 0, 0), QString("Titel\tArtikel\tPreis\tBestellposition"));
        QCOMPARE(lines(open.out, QString()), 14); // the header, 12 items, the last line feed
        QVERIFY2(open.err.contains("12 Verkäufe warten auf Ihre Bewertung des Käufers."),
                 qPrintable(open.err));

        QProcess p;
        startHeld(p, folder, 7, 30000);
        ::kill(pid_t(p.processId()), SIGKILL);
        const ProcessResult killed = testsupport::finishProcess(p);
        QCOMPARE(lines(killed.out, "Artikel "), 6);
        sim.admin("clear");

        const ProcessResult rerun = folder.cli({"bewerten", "--alle"});
        QCOMPARE(rerun.code, 0);
        QCOMPARE(lines(rerun.out, "Artikel "), 5);
        QVERIFY2(rerun.out.endsWith("5 Käufer positiv bewertet.\n"), qPrintable(rerun.out));
        QCOMPARE(sent(), 5);

        const ProcessResult again = folder.cli({"bewerten", "--alle"});
        QCOMPARE(again.code, 0);
        QCOMPARE(again.out, QString("Kein Käufer wartet auf eine Bewertung.\n"));
        QCOMPARE(sent(), 5);
    }

    // Ctrl+C stops after the answer of the rating in flight, which is kept.
    void ctrlCStopsBetweenItems() {
        Folder folder("berta", sim.baseUrl(), signIn());
        awaiting("berta", 4);
        QProcess p;
        startHeld(p, folder, 2, 2000);
        ::kill(pid_t(p.processId()), SIGINT);
        sim.admin("clear");
        const ProcessResult r = testsupport::finishProcess(p);
        QCOMPARE(r.code, 130);
        QCOMPARE(lines(r.out, "Artikel "), 2);
        QVERIFY2(r.err.contains("Abgebrochen: 2 Käufer positiv bewertet"), qPrintable(r.err));
        QCOMPARE(folder.cli({"bewerten", "--alle"}).code, 0);
        QCOMPARE(sent(), 2);
    }

    // With [Bewerten] Automatisch=1 a successful check rates every open item.
    void ratingAfterACheck_data() {
        QTest::addColumn<QByteArray>("setting");
        QTest::addColumn<qint64>("rated");
        testsupport::row("on", QByteArray("[Bewerten]\nAutomatisch=1\n"), qint64(3));
        testsupport::row("off", QByteArray(), qint64(0));
    }
    void ratingAfterACheck() {
        Folder folder("berta", sim.baseUrl(), signIn() + fetch<QByteArray>("setting"));
        awaiting("berta", 3);
        const ProcessResult r = folder.cli({"pruefen", "--ja"});
        QCOMPARE(r.code, 0);
        QCOMPARE(sent(), fetch<qint64>("rated"));
        QCOMPARE(lines(r.err, "Bewertung: Artikel "), int(fetch<qint64>("rated")));
        QCOMPARE(r.out.contains("3 Käufer positiv bewertet.\n"), fetch<qint64>("rated") == 3);
        folder.cli({"bewerten", "--alle"});
    }

    void exitCodes_data() {
        QTest::addColumn<QByteArray>("more");
        QTest::addColumn<QStringList>("fault");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("said");
        const QByteArray signedIn = signIn();
        testsupport::row("one refused", signedIn, QStringList{"status=400", "after=1"},
                         QStringList{"bewerten", "--alle"}, 7,
                         QString("1 Käufer positiv bewertet, 1 vom Marktplatz abgelehnt."));
        testsupport::row(
            "unknown item", signedIn, QStringList{}, QStringList{"bewerten", "42"}, 2,
            QString("Kein offener Verkauf mit der Artikelnummer 42; nichts bewertet."));
        testsupport::row("no such template", signedIn, QStringList{},
                         QStringList{"bewerten", "--alle", "--vorlage", "4"}, 2,
                         QString("Die Vorlage 4 gibt es nicht: in [Bewertungsvorlagen] stehen 3."));
        testsupport::row("neither all nor items", signedIn, QStringList{},
                         QStringList{"bewerten", "--text", "Danke"}, 2,
                         QString("Der Befehl bewerten braucht entweder --alle oder "
                                 "Artikelnummern."));
        testsupport::row("not signed in", QByteArray(), QStringList{},
                         QStringList{"bewerten", "--alle"}, 3,
                         QString("Sie sind nicht bei eBay angemeldet."));
        testsupport::row("list without sign-in", QByteArray(), QStringList{}, QStringList{"offen"},
                         3, QString("Sie sind nicht bei eBay angemeldet."));
    }
    void exitCodes() {
        Folder folder("berta", sim.baseUrl(), fetch<QByteArray>("more"));
        awaiting("berta", 2);
        if (const QStringList fault = fetch<QStringList>("fault"); !fault.isEmpty())
            QVERIFY(sim.fault("status", QStringList{"on=leave_feedback"} + fault));
        const ProcessResult r = folder.cli(fetch<QStringList>("args"));
        QCOMPARE(r.code, fetch<int>("code"));
        QVERIFY2(r.err.contains(fetch<QString>("said")), qPrintable(r.out + r.err));
        Folder(QString("berta"), sim.baseUrl(), signIn()).cli({"bewerten", "--alle"});
    }
};

QTEST_GUILESS_MAIN(CliBuyers)
#include "tst_cliBuyers.moc"
