// The load run of a foreign member against the marketplace simulator: how
// many of the newest ratings it asks for, page by page, which kinds it keeps,
// and what a profile request brings.
#include "answerers.h"
#include "app/modGlobal.h"
#include "marktsimProcess.h"
#include "retrieval/clsTalmBewertungen.h"
#include "retrieval/foreignLoadRun.h"
#include "talmHarness.h"
#include "testData.h"

#include <QEventLoop>
#include <QtTest>

using Kind = retrieval::SyncOutcome::Kind;

using testsupport::fetch;

namespace {

struct Run {
    retrieval::FetchResult result;
    QStringList captions;
    bool abort = false;
    bool keine = false;
    QStringList profile;
};

// A rating load (profileOf empty) or a profile request, to its end.
Run run(const QString& profileOf = {}) {
    Run r;
    retrieval::ForeignLoadRun load(r.keine, r.abort, r.profile);
    QEventLoop loop;
    QObject::connect(&load, &retrieval::LoadRun::closed, &loop, &QEventLoop::quit);
    QObject::connect(&load, &retrieval::LoadRun::changed, &load, [&] {
        if (r.captions.isEmpty() || r.captions.last() != load.label1())
            r.captions << load.label1();
    });
    if (profileOf.isEmpty())
        load.checkneueBewertungen();
    else
        load.getbewertungen(profileOf);
    if (!load.isClosed())
        loop.exec();
    r.result = load.result();
    return r;
}

QStringList pages(int n) {
    QStringList c{QStringLiteral("Lade Daten aus dem Internet")};
    for (int i = 1; i <= n; ++i)
        c << QStringLiteral("Lade Daten aus dem Internet (%1 von %2)").arg(i).arg(n);
    return c;
}

} // namespace

class ForeignLoadTest : public QObject {
    Q_OBJECT
    marktsim::SimProcess sim;

private slots:
    void initTestCase() {
        retrieval::clsTalmBewertungen::setDefaultTiming(talmtest::fastTiming());
        QVERIFY2(sim.start({"--member", "fuenfzig:50", "--member", "viele:5000", "--member",
                            "mittel:450", "--member", "knapp:201", "--member", "leer:0",
                            "--reference", "2026-11-30T12:00:00Z"}),
                 qPrintable(sim.errorString()));
        talmtest::useSimulator(sim, {});
    }
    void init() {
        modGlobal::resetGlobals();
        talmtest::useSimulator(sim, {});
    }

    void limits_data() {
        QTest::addColumn<QString>("member");
        QTest::addColumn<int>("limit");
        QTest::addColumn<int>("kinds"); // bits: 1 positive, 2 neutral, 4 negative
        QTest::addColumn<int>("lines");
        QTest::addColumn<QStringList>("captions");
        QTest::newRow("100 of 50") << "fuenfzig" << 100 << 7 << 50 << pages(1);
        QTest::newRow("100 of 5,000") << "viele" << 100 << 7 << 100 << pages(1);
        QTest::newRow("all of 450") << "mittel" << -1 << 7 << 450 << pages(3);
        QTest::newRow("1,000 of 201") << "knapp" << 1000 << 7 << 201 << pages(2);
        QTest::newRow("a member with none") << "leer" << 100 << 7 << 0 << pages(1);
        QTest::newRow("negative among 100 of 5,000") << "viele" << 100 << 4 << -1 << pages(1);
    }
    void limits() {
        QFETCH(int, kinds);
        QFETCH(int, lines);
        modGlobal::sFremdUser = fetch<QString>("member");
        modGlobal::lSuchLimit = fetch<int>("limit");
        modGlobal::bSuchePositiv = kinds & 1;
        modGlobal::bSucheNeutral = kinds & 2;
        modGlobal::bSucheNegativ = kinds & 4;
        const Run r = run();
        QCOMPARE(r.result.end, Kind::Stored);
        QTEST(r.captions, "captions");
        // "nix" is no line; the ratings are the lines.
        QCOMPARE(qsizetype(r.result.ratings.size()), modGlobal::colNeueBewertungen.size());
        QVERIFY(!modGlobal::colNeueBewertungen.contains(QStringLiteral("nix")));
        if (lines >= 0) {
            QCOMPARE(int(r.result.ratings.size()), lines);
        } else {
            QVERIFY(!r.result.ratings.empty() && r.result.ratings.size() < 100);
            for (const auto& rating : r.result.ratings)
                QCOMPARE(rating.kind, feedback::kNegative);
        }
        QVERIFY(!r.abort);
    }

    void anUnknownMemberAborts() {
        testsupport::MessageBoxAnswerer boxes;
        boxes.answer(app::vbOK);
        modGlobal::sFremdUser = QStringLiteral("niemand");
        modGlobal::lSuchLimit = 100;
        modGlobal::bSucheNegativ = true;
        const Run r = run();
        QCOMPARE(r.result.end, Kind::UnknownMember);
        QVERIFY(r.abort);
        QCOMPARE(boxes.shown.size(), 1);
    }

    void profiles_data() {
        QTest::addColumn<QString>("member");
        QTest::addColumn<QStringList>("fault");
        QTest::addColumn<Kind>("end");
        QTest::addColumn<bool>("abort");
        QTest::newRow("a profile") << "mittel" << QStringList{} << Kind::Stored << false;
        QTest::newRow("unknown member")
            << "niemand" << QStringList{} << Kind::UnknownMember << true;
        QTest::newRow("connection error")
            << "mittel" << QStringList{"status", "on=summary", "status=503", "count=10"}
            << Kind::NoConnection << false;
    }
    void profiles() {
        QFETCH(QStringList, fault);
        testsupport::MessageBoxAnswerer boxes;
        boxes.answer(app::vbOK);
        if (!fault.isEmpty())
            QVERIFY(sim.fault(fault.first(), fault.mid(1)));
        const Run r = run(fetch<QString>("member"));
        QTEST(r.result.end, "end");
        QTEST(r.abort, "abort");
        // The run says whether a profile came: after a connection error the
        // dialog's flag alone would not.
        QCOMPARE(r.result.profile.size(), r.result.end == Kind::Stored ? 11 : 0);
        sim.admin(QStringLiteral("clear"));
    }
};

QTEST_GUILESS_MAIN(ForeignLoadTest)
#include "tst_foreignLoad.moc"
