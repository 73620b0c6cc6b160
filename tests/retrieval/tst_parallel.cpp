// Several page requests in flight at once, against the simulator answering
// them out of order, and a real database: the ratings, their order, what a
// fault, a cancel or a slow-down leaves stored, and the requests it takes.
#include "answerers.h"
#include "app/modGlobal.h"
#include "marktsimProcess.h"
#include "retrieval/foreignLoadRun.h"
#include "retrieval/ownUpdateRun.h"
#include "store/connection.h"
#include "store/modData.h"
#include "storeFixture.h"
#include "talmHarness.h"
#include "testData.h"

#include <QtTest>

using Kind = retrieval::SyncOutcome::Kind;
using testsupport::fetch;
using testsupport::row;

namespace {

const QString kMember = QStringLiteral("anna");

// What one run fetched, in the order it was handed on, and what it cost.
struct Fetched {
    Kind end = Kind::Failed;
    QStringList ids;
    qint64 stored = 0;
    qint64 entries = 0; // requests the simulator counted
    qint64 tokens = 0;
    qint64 mostInFlight = 0;
    qint64 connections = 0;
    QString profile;
};

qint64 storedOwn() {
    auto q = modGlobal::cnDB->prepare("SELECT count(*) FROM Bewertungeneigen");
    return q.next() ? q.int64(0) : -1;
}

} // namespace

class ParallelTest : public QObject {
    Q_OBJECT

    marktsim::SimProcess sim;
    std::unique_ptr<testsupport::StoreFixture> store;

    // A fresh folder whose config asks for `parallel` requests at once.
    void folder(int parallel) {
        store.reset();
        store = std::make_unique<testsupport::StoreFixture>(
            kMember, testsupport::marktplatz(sim.baseUrl()) +
                         "Parallel=" + QByteArray::number(parallel) + "\n");
        retrieval::clsTalmBewertungen::clearTokenCache();
        sim.admin("clear");
    }
    // The faults, one a string: kind, then name=value pairs.
    void faults(const QStringList& list) {
        for (const QString& f : list) {
            QStringList parts = f.split(' ');
            const QString kind = parts.takeFirst();
            QVERIFY(sim.fault(kind, parts));
        }
    }
    Fetched counted(Fetched f) {
        const QJsonObject s = sim.stats();
        f.entries = s.value("entries").toInteger() + s.value("summary").toInteger();
        f.tokens = s.value("token").toInteger();
        f.mostInFlight = s.value("maxInFlight").toInteger();
        f.connections = s.value("connections").toInteger();
        return f;
    }
    // "Jetzt Prüfen"; if cancel, cancelled while its first pages are on their way.
    Fetched own(bool cancel = false) {
        testsupport::MessageBoxAnswerer boxes;
        boxes.answer(app::vbYes).answer(app::vbOK).answer(app::vbOK);
        retrieval::OwnUpdateRun run(modini::settings());
        if (cancel)
            QObject::connect(&run, &retrieval::LoadRun::changed, &run, [&run] {
                if (run.label1().startsWith(QStringLiteral("Lade Daten aus dem Internet (1 von")))
                    QTimer::singleShot(250, &run, &retrieval::OwnUpdateRun::cmdabort_Click);
            });
        talmtest::untilClosed(run, [&] { run.checkneueBewertungen(); });
        // Nothing may arrive after the close.
        const Fetched before = counted({});
        QTest::qWait(300);
        Fetched f = counted({});
        if (f.entries != before.entries)
            f.end = Kind::Failed;
        else
            f.end = run.result().end;
        for (const auto& r : run.result().ratings)
            f.ids << r.id;
        (void)retrieval::storeOwnRun(run.result(), kMember);
        f.stored = storedOwn();
        return f;
    }
    Fetched foreign(const QString& member, bool profile) {
        testsupport::MessageBoxAnswerer boxes;
        retrieval::ForeignLoadRun load(modini::settings());
        talmtest::untilClosed(load, [&] {
            if (profile)
                load.getbewertungen(member);
            else
                load.checkneueBewertungen({member, -1, true, true, true});
        });
        Fetched f = counted({});
        f.end = load.result().end;
        for (const auto& r : load.result().ratings)
            f.ids << r.id;
        f.profile = load.result().profile.join('|');
        return f;
    }

private slots:
    void initTestCase() {
        retrieval::clsTalmBewertungen::setDefaultTiming(talmtest::fastTiming());
        QVERIFY2(sim.start({"--member", "anna:2000", "--member", "bert:1500", "--reference",
                            "2026-11-30T12:00:00Z"}),
                 qPrintable(sim.errorString()));
    }
    void cleanup() { store.reset(); }

    // Answers out of order give what one request at a time gives, in the same
    // order and for the same number of requests, never more at once than allowed.
    void sameAsOneAtATime_data() {
        QTest::addColumn<QString>("what");
        QTest::addColumn<int>("parallel");
        QTest::addColumn<int>("mostInFlight");
        for (const char* what : {"own", "foreign", "profile"}) {
            const int most = QByteArray(what) == "profile" ? 4 : 8;
            for (const int p : {2, 4, 8})
                row(qPrintable(QStringLiteral("%1 %2").arg(what).arg(p)), what, p,
                    std::min(p, most));
        }
    }
    void sameAsOneAtATime() {
        const QString what = fetch<QString>("what");
        const auto once = [&](int parallel) {
            folder(parallel);
            faults({"delay on=api count=100000 ms=40 jitter=30"});
            return what == "own" ? own() : foreign(QStringLiteral("bert"), what == "profile");
        };
        const Fetched one = once(1);
        const Fetched many = once(fetch<int>("parallel"));
        QCOMPARE(one.end, Kind::Stored);
        QCOMPARE(many.end, Kind::Stored);
        QCOMPARE(many.ids, one.ids);
        QCOMPARE(many.profile, one.profile);
        QCOMPARE(many.entries, one.entries);
        QCOMPARE(one.mostInFlight, 1);
        QCOMPARE(many.mostInFlight, fetch<int>("mostInFlight"));
        // Each admin call since the counters were cleared has a connection
        // of its own: the fault and one or two for the figures.
        const int admin = what == "own" ? 3 : 2;
        QVERIFY2(many.connections - admin <= fetch<int>("parallel"),
                 qPrintable(QString::number(many.connections)));
    }

    // Page 3 fails while the pages around it are on their way: the two before
    // it are stored, nothing after it, and the next check brings the rest.
    void failureKeepsWhatCameBefore() {
        folder(1);
        const Fetched whole = own();
        folder(4);
        faults({"status on=entries offset=380 status=400",
                "delay on=entries count=100000 ms=150 jitter=50"});
        const Fetched cut = own();
        QCOMPARE(cut.end, Kind::CutShort);
        // The refusal comes back long before the pages around it: no page
        // is asked for after it.
        QCOMPARE(cut.entries, 5);
        QCOMPARE(cut.stored, 390);
        QCOMPARE(cut.ids, whole.ids.mid(0, 390));
        sim.admin("clear");
        const Fetched rest = own();
        QCOMPARE(rest.end, Kind::Stored);
        QCOMPARE(rest.stored, 2000);
        QCOMPARE(cut.ids + rest.ids, whole.ids);
    }

    // Cancel with four in flight: nothing stored, nothing sent or handed on after it.
    void cancelStopsEveryRequest() {
        folder(4);
        faults({"delay on=entries after=1 count=100 ms=600"});
        const Fetched f = own(true);
        QCOMPARE(f.end, Kind::Cancelled);
        QCOMPARE(f.stored, 0);
        QCOMPARE(f.entries, 5); // the count and four pages
        QCOMPARE(f.mostInFlight, 4);
    }

    // A slow-down asked for by one of four, and a token refused to all four
    // in flight: the same ratings, one request more each, one new token.
    void slowDownAndRefusedToken_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("extraRequests");
        QTest::addColumn<int>("tokens");
        row("429 with Retry-After", "status on=entries after=2 status=429 retryAfter=1", 1, 1);
        row("503 with Retry-After", "status on=entries after=3 status=503 retryAfter=1", 1, 1);
        row("token refused to four", "unauthorized on=entries after=1 count=4", 4, 2);
    }
    void slowDownAndRefusedToken() {
        folder(1);
        const Fetched one = own();
        folder(4);
        faults({fetch<QString>("fault"), "delay on=entries count=100000 ms=40 jitter=30"});
        const Fetched f = own();
        QCOMPARE(f.end, Kind::Stored);
        QCOMPARE(f.ids, one.ids);
        QCOMPARE(f.entries, one.entries + fetch<int>("extraRequests"));
        QCOMPARE(f.tokens, fetch<int>("tokens"));
    }
};

QTEST_GUILESS_MAIN(ParallelTest)
#include "tst_parallel.moc"
