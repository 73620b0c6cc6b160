// The feedback source when the marketplace misbehaves: which faults are
// retried to success, which end in Fehler, and the handling of settings and
// tokens.
#include "talmHarness.h"
#include "testData.h"

#include <QSslKey>
#include <QSslServer>
#include <QtTest>

using testsupport::fetch;
using testsupport::row;

class TalmStoerungenTest : public QObject, talmtest::Fixture {
    Q_OBJECT

    bool onEntries(const QString& fault) {
        const QStringList words = fault.split(u' ');
        return sim.fault(words.first(), words.mid(1) << "on=entries");
    }

private slots:
    void initTestCase() {
        QVERIFY2(sim.start({"--member", "alice:450"}), qPrintable(sim.errorString()));
        retrieval::clsTalmBewertungen::setDefaultTiming(talmtest::fastTiming());
    }
    void init() {
        talmtest::useSimulator(sim);
        retrieval::clsTalmBewertungen::clearTokenCache();
        sim.admin("clear");
        sim.admin("expire-tokens");
    }
    void cleanup() { reset(); }

    // fault: the simulator's fault kind and its parameters, on the page request;
    // numbers: the Fehler it may end in, none when it is retried to success.
    void pageUnderFault_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("requests");
        QTest::addColumn<QList<int>>("numbers");
        row("500 once", "status status=500", 2, QList<int>());
        row("502 once", "status status=502", 2, QList<int>());
        row("503 twice", "status status=503 count=2", 3, QList<int>());
        row("504 three times", "status status=504 count=3", 4, QList<int>());
        row("429 with Retry-After", "status status=429 retryAfter=1", 2, QList<int>());
        row("429, Retry-After above the cap", "status status=429 retryAfter=3600", 2, QList<int>());
        row("connection reset", "reset", 2, QList<int>());
        row("body cut short", "truncated", 2, QList<int>());
        row("no answer", "hang", 2, QList<int>());
        row("answer after the time-out", "delay ms=1500", 2, QList<int>());
        row("answer in time", "delay ms=300", 1, QList<int>());
        row("slow drip", "drip bytes=8192 ms=30", 1, QList<int>());
        // Never idle long enough for the inactivity time-out, but past the deadline.
        row("drip beyond the deadline", "drip bytes=256 ms=40", 2, QList<int>());
        row("401 once", "unauthorized", 2, QList<int>());
        row("500 always", "status count=50 status=500", 4, QList<int>{500});
        row("429 always", "status count=50 status=429 retryAfter=0", 4, QList<int>{429});
        row("403 is not retried", "status status=403", 1, QList<int>{403});
        row("401 twice", "unauthorized count=2", 2, QList<int>{401});
        row("malformed JSON", "malformed", 1, QList<int>{1001});
        row("wrong shape", "wrongshape", 1, QList<int>{1001});
        row("too large", "oversize", 1, QList<int>{1002});
        row("reset always", "reset count=50", 4, QList<int>{2});
        row("no answer ever", "hang count=50", 4, QList<int>{4});
        row("cut short always", "truncated count=50", 4, QList<int>{2, 1003});
    }
    void pageUnderFault() {
        QFETCH(QString, fault);
        QFETCH(int, requests);
        QFETCH(QList<int>, numbers);
        QVERIFY(onEntries(fault));
        QVERIFY(run("seite alice 1 200", numbers.isEmpty() ? 50 : 350));
        QCOMPARE(rec->endedTwice, 0);
        QVERIFY(!source->isBusy());
        // Qt itself sends a request again once when a kept-alive connection was
        // closed under it, so a lasting reset or cut may count up to double.
        if (fault == "reset count=50" || fault == "truncated count=50")
            QVERIFY2(stat("entries") >= requests && stat("entries") <= 2 * requests,
                     qPrintable(QString::number(stat("entries"))));
        else
            QCOMPARE(stat("entries"), requests);
        if (numbers.isEmpty()) {
            QCOMPARE(rec->count("Fehler"), 0);
            QCOMPARE(rec->lines().size(), 200);
            QCOMPARE(rec->events.last(), QStringLiteral("Finished 0"));
            return;
        }
        QCOMPARE(rec->count("Text"), 0);
        QCOMPARE(rec->count("Finished"), 0);
        QVERIFY2(rec->events.last().startsWith("Fehler"), qPrintable(rec->events.join(',')));
        QVERIFY2(numbers.contains(rec->fehlerNummer), qPrintable(rec->fehlerText));
        QVERIFY(!rec->fehlerText.isEmpty());
    }

    // Settings, credentials and answers that end an operation in Fehler and
    // nothing else; `quiet` names a request count that must not move.
    void endsInFehler_data() {
        QTest::addColumn<QStringList>("settings");
        QTest::addColumn<QStringList>("fault");
        QTest::addColumn<QString>("operation");
        QTest::addColumn<QStringList>("events");
        QTest::addColumn<QStringList>("mentions");
        QTest::addColumn<QString>("quiet");
        const QStringList missing{"[Marktplatz]", "ClientSecret", modini::configPath()};
        const auto row = [](const char* name, const QStringList& settings, const QStringList& fault,
                            const char* op, const QStringList& events,
                            const QStringList& mentions = {}, const char* quiet = "") {
            QTest::newRow(name) << settings << fault << QString(op) << events << mentions
                                << QString(quiet);
        };
        row("no id", {"clientId="}, {}, "anzahl alice", {"Fehler 1004"}, missing, "requests");
        row("other address", {"apiUrl=http://192.0.2.10:8080"}, {}, "anzahl alice", {"Fehler 1005"},
            {"ApiUrl"}, "requests");
        row("deadline not a number", {"zeitlimit=bald"}, {}, "anzahl alice", {"Fehler 1007"},
            {"Zeitlimit", "bald"}, "requests");
        row("wrong credentials", {"clientSecret=falsch"}, {}, "anzahl alice", {"Fehler 401"},
            {"invalid_client", "ClientSecret"}, "entries");
        // Renewing the sign-in mends it, not another try.
        row("unknown refresh token", {"refreshToken=abgelaufen"}, {}, "anzahl alice",
            {"Fehler 1008"}, {"Bitte melden Sie sich neu an."});
        // The marketplace's fault, not the keys'.
        row("token 503 always", {}, {"status", "on=token", "status=503", "count=50"},
            "anzahl alice", {"Fehler 503"}, {"Störung"}, "entries");
        // Counting never reports a wrong total.
        row("count, malformed", {}, {"malformed", "on=entries"}, "anzahl alice", {"Fehler 1001"});
        row("count, wrong shape", {}, {"wrongshape", "on=entries"}, "anzahl alice",
            {"Fehler 1001"});
        row("profile failing half-way", {}, {"status", "on=summary", "status=500", "count=50"},
            "uebersicht alice", {"Anzahl 450 3", "Fehler 500"});
    }
    void endsInFehler() {
        QFETCH(QStringList, fault);
        QFETCH(QStringList, events);
        QFETCH(QString, quiet);
        modini::settings().username = QStringLiteral("alice");
        modini::MarktplatzSettings& m = modini::marktplatz();
        for (const QString& s : fetch<QStringList>("settings")) {
            const QString name = s.section(u'=', 0, 0);
            (name == "clientId"       ? m.clientId
             : name == "clientSecret" ? m.clientSecret
             : name == "apiUrl"       ? m.apiUrl
             : name == "zeitlimit"    ? m.zeitlimit
                                      : m.refreshToken) = s.section(u'=', 1);
        }
        if (!fault.isEmpty())
            QVERIFY(sim.fault(fault.first(), fault.mid(1)));
        const qint64 before = quiet.isEmpty() ? 0 : stat(qPrintable(quiet));
        QVERIFY(run(fetch<QString>("operation")));
        QCOMPARE(rec->events, events);
        for (const QString& part : fetch<QStringList>("mentions"))
            QVERIFY2(rec->fehlerText.contains(part), qPrintable(rec->fehlerText));
        if (!quiet.isEmpty())
            QCOMPARE(stat(qPrintable(quiet)), before);
    }

    void entriesWithFieldsMissing() {
        QVERIFY(sim.fault("sparse", {"on=entries"}));
        QVERIFY(run("seite alice 1 200", 50));
        // The source reports every entry: no kind is an unknown kind, no date
        // is none, an entry without an id gets one from its content to be told
        // apart within a run. Storing skips those without an id or a kind
        // (tst_ownSync theSparsePage).
        const QStringList lines = rec->lines();
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines[0], QStringLiteral("4#//##//##//##//##//##//#nur-id"));
        QVERIFY(lines[1].startsWith(QStringLiteral("4#//##//##//##//##//##//#ohne-id-")));
        QVERIFY(lines[2].startsWith(QStringLiteral("2#//##//#K#//##//##//#4711#//#ohne-id-")));
        QCOMPARE(rec->events.last(), QStringLiteral("Finished 0"));
    }

    void certificateErrorsAreNeverIgnored() {
        if (!QSslSocket::supportsSsl())
            QSKIP("no TLS backend");
        QSslServer server;
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        // A self-signed certificate for 127.0.0.1 that no system trusts.
        const auto certificates = QSslCertificate::fromPath(TLS_CERTIFICATE);
        QCOMPARE(certificates.size(), 1);
        tls.setLocalCertificate(certificates.first());
        QFile key(TLS_KEY);
        QVERIFY(key.open(QIODevice::ReadOnly));
        tls.setPrivateKey(QSslKey(key.readAll(), QSsl::Rsa));
        server.setSslConfiguration(tls);
        QVERIFY(server.listen(QHostAddress::LocalHost));
        modini::marktplatz().apiUrl =
            QStringLiteral("https://127.0.0.1:%1").arg(server.serverPort());
        QVERIFY(run("anzahl alice"));
        QCOMPARE(rec->events, QStringList{"Fehler 6"}); // SslHandshakeFailedError, not retried
    }

    // --- tokens ---

    // A fault of the token request is retried; the token is kept for its
    // lifetime; revoked, it is renewed once.
    void theTokensLife() {
        QVERIFY(sim.fault("status", {"on=token", "status=503"}));
        for (int i = 0; i < 3; ++i) {
            QVERIFY(run("anzahl alice", 0));
            QCOMPARE(rec->events.first(), QStringLiteral("Anzahl 450 3"));
        }
        QCOMPARE(stat("token"), 2);
        sim.admin("expire-tokens");
        QVERIFY(run("seite alice 2 200", 0));
        QCOMPARE(rec->lines().size(), 200);
        QCOMPARE(stat("unauthorized"), 1);
        QCOMPARE(stat("token"), 3);
    }

    void tokenIsRenewedBeforeItRunsOut() {
        marktsim::SimProcess shortLived;
        QVERIFY(shortLived.start({"--member", "bob:5", "--token-lifetime", "1"}));
        talmtest::useSimulator(shortLived);
        QVERIFY(run("anzahl bob", 0));
        // The token of that run was issued before this deadline starts.
        const QDeadlineTimer tokenOutlived(1000);
        QTRY_VERIFY(tokenOutlived.hasExpired());
        QVERIFY(run("anzahl bob", 0));
        QCOMPARE(rec->events.first(), QStringLiteral("Anzahl 5 1"));
        QCOMPARE(stat(shortLived, "token"), 2);
        QCOMPARE(stat(shortLived, "unauthorized"), 0);
    }

    void summaryPeriodNamedTheOtherWay() {
        marktsim::SimProcess other;
        QVERIFY(other.start({"--member", "bob:50", "--summary-period-key", "period"}));
        talmtest::useSimulator(other);
        for (int run = 0; run < 2; ++run) {
            QVERIFY(this->run("uebersicht bob", 0));
            QCOMPARE(rec->uebersicht.size(), 11);
        }
        // The three periods refused at once, then the other name is kept.
        QCOMPARE(stat(other, "summary"), 9);
    }
};

QTEST_GUILESS_MAIN(TalmStoerungenTest)
#include "tst_talmStoerungen.moc"
