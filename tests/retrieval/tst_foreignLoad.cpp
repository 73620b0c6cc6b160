// The load run of a foreign member against the marketplace simulator: how
// many of the newest ratings it asks for, page by page, which kinds it keeps,
// and what a profile request brings.
#include "answerers.h"
#include "app/modGlobal.h"
#include "app/modini.h"
#include "errors/runtimeError.h"
#include "marktsimProcess.h"
#include "retrieval/clsTalmBewertungen.h"
#include "retrieval/foreignLoadRun.h"
#include "talmHarness.h"
#include "testData.h"

#include <QtTest>

using Kind = retrieval::SyncOutcome::Kind;

using testsupport::fetch;
using testsupport::row;

namespace {

struct Run {
    retrieval::FetchResult result;
    QStringList captions;
};

// A rating load (profileOf empty) or a profile request, to its end.
Run run(const retrieval::ForeignSearch& search, const QString& profileOf = {}) {
    Run r;
    retrieval::ForeignLoadRun load(modini::settings());
    QObject::connect(&load, &retrieval::LoadRun::changed, &load, [&] {
        if (r.captions.isEmpty() || r.captions.last() != load.label1())
            r.captions << load.label1();
    });
    talmtest::untilClosed(load, [&] {
        if (profileOf.isEmpty())
            load.checkneueBewertungen(search);
        else
            load.getbewertungen(profileOf);
    });
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
    }
    void init() {
        modGlobal::resetGlobals();
        talmtest::useSimulator(sim, {});
    }

    // What the dialog's inputs ask for; each refusal in the order the dialog
    // checks them.
    void searchFromInputs_data() {
        QTest::addColumn<QString>("member");
        QTest::addColumn<int>("choice");
        QTest::addColumn<QString>("custom");
        QTest::addColumn<int>("kinds");
        QTest::addColumn<int>("limit");
        QTest::addColumn<QString>("message");
        const QString name = QStringLiteral("Bitte geben Sie einen gültigen Ebay-Namen ein!");
        const QString count =
            QStringLiteral("Bitte geben Sie einen Wert unter Benutzerdefiniert ein!");
        const QString kind = QStringLiteral("Bitte wählen Sie 'Suche nach' aus!");
        QTest::newRow("all") << " o'brien " << -1 << "25" << 7 << -1 << "";
        QTest::newRow("custom") << "anna" << 0 << "30" << 4 << 30 << "";
        QTest::newRow("blank member first") << "  " << 0 << "0" << 0 << 0 << name;
        QTest::newRow("empty box, any choice") << "anna" << 100 << "" << 7 << 0 << count;
        QTest::newRow("zero before kinds") << "anna" << 0 << "0" << 0 << 0 << count;
        QTest::newRow("no kind") << "anna" << 100 << "25" << 0 << 0 << kind;
        QTest::newRow("custom below one") << "anna" << 0 << "-5" << 4 << 0 << count;
        QTest::newRow("custom ignored") << "anna" << 200 << "-5" << 1 << 200 << "";
    }
    void searchFromInputs() {
        QFETCH(int, kinds);
        QFETCH(QString, message);
        const auto search = retrieval::foreignSearch(
            {fetch<QString>("member"), fetch<int>("choice"), fetch<QString>("custom"),
             bool(kinds & 1), bool(kinds & 2), bool(kinds & 4)});
        QCOMPARE(search ? QString() : search.error(), message);
        if (!search)
            return;
        QTEST(search->member, "member");
        QTEST(search->limit, "limit");
        QCOMPARE(search->positiv + 2 * search->neutral + 4 * search->negativ, kinds);
    }
    void aCustomCountThatIsNoNumberIsTypeMismatch() {
        try {
            (void)retrieval::foreignSearch({"anna", 0, "zehn", true, true, true});
            QFAIL("no error");
        } catch (const errors::RuntimeError& e) {
            QCOMPARE(e.number(), 13);
        }
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
        const Run r = run({fetch<QString>("member"), fetch<int>("limit"), bool(kinds & 1),
                           bool(kinds & 2), bool(kinds & 4)});
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
        QVERIFY(!r.result.abort);
    }

    // The ends other than ratings, of a rating load (load) or a profile
    // request; boxes: the message boxes shown.
    void ends_data() {
        QTest::addColumn<bool>("load");
        QTest::addColumn<QString>("member");
        QTest::addColumn<QStringList>("fault");
        QTest::addColumn<Kind>("end");
        QTest::addColumn<bool>("abort");
        QTest::addColumn<int>("boxes");
        row("a load of an unknown member", true, "niemand", QStringList(), Kind::UnknownMember,
            true, 1);
        row("a profile", false, "mittel", QStringList(), Kind::Stored, false, 0);
        row("unknown member", false, "niemand", QStringList(), Kind::UnknownMember, true, 1);
        row("connection error", false, "mittel",
            QStringList{"status", "on=summary", "status=503", "count=10"}, Kind::NoConnection,
            false, 1);
    }
    void ends() {
        QFETCH(QString, member);
        QFETCH(QStringList, fault);
        testsupport::MessageBoxAnswerer boxes;
        boxes.answer(app::vbOK);
        if (!fault.isEmpty())
            QVERIFY(sim.fault(fault.first(), fault.mid(1)));
        const Run r =
            fetch<bool>("load") ? run({member, 100, false, false, true}) : run({}, member);
        QTEST(r.result.end, "end");
        QTEST(r.result.abort, "abort");
        QTEST(int(boxes.shown.size()), "boxes");
        // The run says whether a profile came: after a connection error the
        // dialog's flag alone would not.
        QCOMPARE(r.result.profile.size(), r.result.end == Kind::Stored ? 11 : 0);
        sim.admin(QStringLiteral("clear"));
    }
};

QTEST_GUILESS_MAIN(ForeignLoadTest)
#include "tst_foreignLoad.moc"
