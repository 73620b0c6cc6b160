// The update run of the own ratings and its storing, against the marketplace
// simulator and a real database: whatever a run meets (a lasting fault, a
// cancel, ratings arriving or withdrawn while it runs, odd entries), the next
// check leaves every rating the marketplace delivers stored once.
#include "answerers.h"
#include "app/modGlobal.h"
#include "app/modini.h"
#include "marktsimProcess.h"
#include "retrieval/clsTalmBewertungen.h"
#include "retrieval/fullCheckRun.h"
#include "retrieval/ownUpdateRun.h"
#include "store/connection.h"
#include "store/modData.h"
#include "store/ratingState.h"
#include "store/ratingStoring.h"
#include "storeFixture.h"
#include "talmHarness.h"
#include "testData.h"

#include <QJsonArray>
#include <QtTest>

using Kind = retrieval::SyncOutcome::Kind;
Q_DECLARE_METATYPE(Kind)

using testsupport::fetch;
using testsupport::row;

namespace {

const QString kMember = QStringLiteral("anna");

struct Check {
    retrieval::SyncOutcome outcome;
    QString question; // the question asked, if any
    qint32 requests = 0;
};

// One "Jetzt Prüfen" without a window: the run, then storing what it fetched.
// cancelOnPage: the run is cancelled as soon as it asks for that page.
Check runCheck(int cancelOnPage = 0, int answer = app::vbYes) {
    testsupport::MessageBoxAnswerer boxes;
    boxes.answer(answer).answer(app::vbOK).answer(app::vbOK);
    retrieval::OwnUpdateRun run(modini::settings());
    if (cancelOnPage > 0)
        QObject::connect(&run, &retrieval::OwnUpdateRun::changed, &run, [&run, cancelOnPage] {
            if (run.label1().startsWith(
                    QStringLiteral("Lade Daten aus dem Internet (%1 von").arg(cancelOnPage)))
                QMetaObject::invokeMethod(&run, &retrieval::OwnUpdateRun::cmdabort_Click,
                                          Qt::QueuedConnection);
        });
    talmtest::untilClosed(run, [&] { run.checkneueBewertungen(); });
    Check c;
    c.requests = run.requests();
    c.outcome = retrieval::storeOwnRun(run.result(), modGlobal::sStandardUser);
    for (const auto& shown : boxes.shown)
        if (shown.buttons() == app::vbYesNo)
            c.question = shown.text;
    return c;
}

// "Vollständig prüfen": the walk, then storing what it found.
struct FullCheck {
    Kind end = Kind::Failed;
    store::ListingReport report;
    QString message;
};
FullCheck runFullCheck() {
    testsupport::MessageBoxAnswerer boxes;
    boxes.answer(app::vbOK);
    retrieval::FullCheckRun run(modini::settings());
    talmtest::untilClosed(run, [&] { run.start(); });
    FullCheck c;
    c.end = run.result().end;
    if (c.end == Kind::Stored) {
        c.report = retrieval::storeFullCheck(run.result(), modGlobal::sStandardUser);
        c.message = retrieval::fullCheckMessage(c.report, run.result());
    }
    return c;
}

qint64 single(const char* sql) {
    auto q = modGlobal::cnDB->prepare(sql);
    return q.next() ? q.int64(0) : -1;
}
qint64 realStored() {
    return single("SELECT count(DISTINCT FeedbackID) FROM Bewertungeneigen WHERE "
                  "Bewertungszahl <> 0");
}
qint64 placeholders() {
    return single("SELECT count(*) FROM Bewertungeneigen WHERE Bewertungszahl = 0");
}

QString question(int n) {
    return QStringLiteral("Sie haben %1 neue Bewertungen. Sollen die neuen Bewertungen geladen "
                          "werden?")
        .arg(n);
}

} // namespace

class OwnSyncTest : public QObject {
    Q_OBJECT

    std::unique_ptr<marktsim::SimProcess> sim;
    std::unique_ptr<testsupport::StoreFixture> store;

    // The simulator with one member, or with args; the store for user.
    void start(const QString& member, const QStringList& args = {}, const QString& user = kMember) {
        sim = std::make_unique<marktsim::SimProcess>();
        QVERIFY2(sim->start(args.isEmpty() ? QStringList{"--member", member, "--reference",
                                                         "2026-11-30T12:00:00Z"}
                                           : args),
                 qPrintable(sim->errorString()));
        store = std::make_unique<testsupport::StoreFixture>(
            user, testsupport::marktplatz(sim->baseUrl()));
    }
    QJsonObject admin(const QString& command, const QUrlQuery& query = {},
                      const QByteArray& body = {}) {
        QUrlQuery q = query;
        q.addQueryItem("user", kMember);
        return sim->admin(command, q, body);
    }

private slots:
    void initTestCase() { retrieval::clsTalmBewertungen::setDefaultTiming(talmtest::fastTiming()); }
    void init() { retrieval::clsTalmBewertungen::clearTokenCache(); }
    void cleanup() {
        store.reset();
        sim.reset();
    }

    // A first check that meets a fault, then a check once the fault is gone.
    void convergesAfterAFault_data() {
        QTest::addColumn<int>("ratings");
        QTest::addColumn<QString>("fault"); // on the page request: kind, then name=value pairs
        QTest::addColumn<int>("cancelOnPage");
        QTest::addColumn<int>("answer"); // to the question
        QTest::addColumn<Kind>("firstKind");
        QTest::addColumn<int>("firstAdded");
        QTest::addColumn<int>("firstPlaceholders");
        QTest::addColumn<int>("total");        // at the marketplace in the end
        QTest::addColumn<int>("mostRequests"); // of the second check

        const int yes = app::vbYes;
        row("503 from page 2 on, past every retry", 450, "status after=2 status=503 count=50", 0,
            yes, Kind::CutShort, 200, 0, 450, 5);
        row("404 in the middle", 5000, "status after=3 status=404", 0, yes, Kind::CutShort, 390, 0,
            5000, 30);
        row("cut at half of 20,000: the second check jumps", 20000,
            "status after=53 status=503 count=50", 0, yes, Kind::CutShort, 9890, 0, 20000, 62);
        row("cancelled on page 2", 450, "delay offset=190 ms=3000", 2, yes, Kind::Cancelled, 200, 0,
            450, 5);
        row("a rating arrives between pages", 450, "arrive after=2", 0, yes, Kind::Stored, 450, 0,
            451, 3);
        row("the total counts 800 never delivered", 5000, "overcount n=800 count=1000", 0, yes,
            Kind::Stored, 5000, 800, 5000, 2);
        row("declined", 450, "", 0, int(app::vbNo), Kind::Declined, 0, 0, 450, 4);
    }
    void convergesAfterAFault() {
        QFETCH(int, ratings);
        const QStringList fault = fetch<QString>("fault").split(u' ', Qt::SkipEmptyParts);
        start(QStringLiteral("%1:%2").arg(kMember).arg(ratings));
        if (!fault.isEmpty())
            QVERIFY(sim->fault(fault.first(), fault.mid(1) << "on=entries"));

        const Check first = runCheck(fetch<int>("cancelOnPage"), fetch<int>("answer"));
        QTEST(first.outcome.kind, "firstKind");
        QTEST(first.outcome.added, "firstAdded");
        QTEST(int(placeholders()), "firstPlaceholders");
        QCOMPARE(realStored(), qint64(first.outcome.added));
        if (first.outcome.kind == Kind::CutShort || first.outcome.kind == Kind::Cancelled)
            QCOMPARE(first.outcome.remaining, ratings - first.outcome.added);

        sim->admin(QStringLiteral("clear"));
        const Check second = runCheck();
        QCOMPARE(realStored(), qint64(fetch<int>("total")));
        QCOMPARE(placeholders(), 0);
        QVERIFY2(second.requests <= fetch<int>("mostRequests"),
                 qPrintable(QStringLiteral("%1 requests").arg(second.requests)));
        // And then nothing is new.
        QCOMPARE(runCheck().outcome.kind, Kind::NothingNew);
    }

    void anUnknownMemberStoresNothing() {
        start(QStringLiteral("bert:10"));
        QCOMPARE(runCheck().outcome.kind, Kind::UnknownMember);
        QCOMPARE(realStored() + placeholders(), 0);
    }

    void aWithdrawalDoesNotHideNewRatings() {
        start(QStringLiteral("anna:450"));
        QCOMPARE(runCheck().outcome.added, 450);
        for (int i = 0; i < 3; ++i)
            admin(QStringLiteral("withdraw"));
        admin(QStringLiteral("add"), QUrlQuery{{"count", "2"}});
        const Check c = runCheck();
        QCOMPARE(c.question, question(2));
        QCOMPARE(c.outcome.added, 2);
        // Withdrawn ratings stay: they are the member's history.
        QCOMPARE(realStored(), 452);
        QCOMPARE(runCheck().outcome.kind, Kind::NothingNew);
        // The marketplace and the store match member names in any letter case.
        modGlobal::sStandardUser = QStringLiteral("ANNA");
        QCOMPARE(runCheck().outcome.kind, Kind::NothingNew);
        QCOMPARE(modData::read_Anzahl(QStringLiteral("Anna")), 452);
    }

    // Entries the total counts and never delivers are padded once; later
    // checks ask only for what is new, until the total changes.
    void aPaddedOvercountIsNotAskedForAgain() {
        start(QStringLiteral("anna:450"));
        QVERIFY(sim->fault("overcount", {"on=entries", "n=50", "count=1000"}));
        QCOMPARE(runCheck().outcome.added, 450);
        QCOMPARE(placeholders(), 50);
        const Check again = runCheck();
        QCOMPARE(again.question, QString());
        QCOMPARE(again.outcome.kind, Kind::NothingNew);
        QCOMPARE(placeholders(), 50);

        admin(QStringLiteral("add"), QUrlQuery{{"count", "2"}});
        const Check grown = runCheck();
        QCOMPARE(grown.question, question(2));
        QCOMPARE(grown.outcome.added, 2);
        QCOMPARE(placeholders(), 50);
        QCOMPARE(runCheck().outcome.kind, Kind::NothingNew);

        // Padded entries the marketplace delivers after all come with the
        // full check: five stored ratings become placeholders here.
        modGlobal::cnDB->exec("DELETE FROM Bewertungeneigen WHERE ID IN (SELECT ID FROM "
                              "Bewertungeneigen WHERE Bewertungszahl <> 0 LIMIT 5)");
        QVERIFY(store::storeFetched(modData::Table::Own, kMember, {}, store::StoreMode::MakeUpTotal,
                                    502)
                    .ok);
        QCOMPARE(runCheck().outcome.kind, Kind::NothingNew);
        const FullCheck full = runFullCheck();
        QCOMPARE(full.report.added, 5);
        QCOMPARE(full.message, QStringLiteral("Vollständige Prüfung: keine Bewertung geändert. 5 "
                                              "Bewertungen nachgeladen."));
        QCOMPARE(realStored(), 452);
        QCOMPARE(placeholders(), 50);
    }

    // A reply given after a rating was stored comes with the full pass, which
    // says how many it took in; a check that finds nothing new reads no page.
    void repliesComeWithTheFullPass() {
        start({}, {"--demo", "--demo-interval", "0"}, QStringLiteral("notenschau_demo"));
        QCOMPARE(runCheck().outcome.added, 1234);
        const char* replied = "SELECT count(*) FROM Bewertungeneigen WHERE Antwort <> ''";
        QCOMPARE(single(replied), 4);
        modGlobal::cnDB->exec("UPDATE Bewertungeneigen SET Antwort = NULL, Nachtrag = NULL");
        QCOMPARE(runCheck().outcome.kind, Kind::NothingNew);
        QCOMPARE(single(replied), 0);
        const FullCheck full = runFullCheck();
        QCOMPARE(full.message, QStringLiteral("Vollständige Prüfung: keine Bewertung geändert. 4 "
                                              "Antworten übernommen."));
        QCOMPARE(single(replied), 4);
        QCOMPARE(single("SELECT count(*) FROM Bewertungeneigen WHERE Nachtrag LIKE 'Paket war "
                        "beim Nachbarn%'"),
                 1);
        QCOMPARE(runFullCheck().message,
                 QStringLiteral("Vollständige Prüfung: keine Bewertung geändert."));
    }

    // Ratings the marketplace withdraws or hides stay listed, marked, out of
    // the counts; the full pass finds those it no longer lists at all.
    void withdrawalAndTheFullPass() {
        start(QStringLiteral("anna:450"));
        const auto newest = [&] {
            return admin(QStringLiteral("add")).value("ids").toArray().at(0).toString();
        };
        const QString hidden = newest();
        const QString withdrawn = newest();
        admin(QStringLiteral("state"), QUrlQuery{{"id", withdrawn}, {"state", "WITHDRAWN"}});
        QCOMPARE(runCheck().outcome.added, 452);
        const auto counted = [] {
            return modData::read_Anzahl(kMember) -
                   store::notCounted(modData::Table::Own, kMember).all();
        };
        QCOMPARE(counted(), 451);
        modGlobal::lSeitenAnfang = 1;
        const auto marked = [] {
            QStringList ids;
            for (const modData::RatingRow& row : modData::read_Bewertungen(kMember))
                if (row.at(1).startsWith(QStringLiteral("(zurückgezogen) ")))
                    ids << row.at(5);
            return ids.size();
        };
        QCOMPARE(marked(), 1);

        admin(QStringLiteral("state"), QUrlQuery{{"id", hidden}, {"state", "HIDDEN"}});
        admin(QStringLiteral("state"), QUrlQuery{{"id", withdrawn}, {"state", "ENTERED"}});
        for (const char* id : {"1000000000010", "1000000000200", "1000000000420"})
            QVERIFY(admin(QStringLiteral("withdraw"), QUrlQuery{{"id", id}})
                        .value("withdrawn")
                        .toBool());
        // The count alone cannot tell: 449 listed, 452 stored.
        QCOMPARE(runCheck().outcome.kind, Kind::NothingNew);
        const FullCheck full = runFullCheck();
        QCOMPARE(full.end, Kind::Stored);
        QCOMPARE(QPair(full.report.withdrawn, full.report.restored), QPair(4, 1));
        QCOMPARE(full.message, QStringLiteral("Vollständige Prüfung: 5 Bewertungen geändert (4 "
                                              "als zurückgezogen markiert, 1 wieder gezählt)."));
        // Nothing is deleted; what counts is what the marketplace scores.
        QCOMPARE(modData::read_Anzahl(kMember), 452);
        QCOMPARE(counted(), 448);
        QCOMPARE(marked(), 2); // the hidden one and the eleventh; two more further down
        QCOMPARE(runFullCheck().report.withdrawn, 0);
        // The ratings no longer listed are out of the stored count too, so
        // new ones beyond the newest few are seen by the count.
        admin(QStringLiteral("add"), QUrlQuery{{"count", "30"}});
        QCOMPARE(runCheck().question, question(30));
    }

    // A page with fields missing: what cannot be stored is skipped and counted.
    void theSparsePage() {
        start(QStringLiteral("anna:30"));
        QVERIFY(sim->fault("sparse", {"on=entries", "after=1"}));
        const Check c = runCheck();
        QCOMPARE(QPair(c.outcome.withoutId, c.outcome.withoutKind), QPair(2, 1));
        QCOMPARE(retrieval::outcomeMessage(c.outcome),
                 QStringLiteral("2 Einträge ohne Kennung übersprungen. 1 Eintrag ohne "
                                "Bewertungsart übersprungen."));
        QCOMPARE(single("SELECT count(*) FROM Bewertungeneigen WHERE Bewertungszahl <> 0"), 0);
        QCOMPARE(runCheck().outcome.added, 30);
        QCOMPARE(realStored(), 30);
    }

    // Entries the marketplace sends in odd shapes are each stored once, whole.
    void oddEntriesAreStoredWhole() {
        start(QStringLiteral("anna:250"));
        const auto add = [&](const QJsonObject& o) {
            admin(QStringLiteral("add"), {}, QJsonDocument(o).toJson());
        };
        const QJsonObject odd{{"feedbackId", "x-1"},
                              {"commentText", "super#//"},
                              {"giver", "//#gast"},
                              {"role", "SELLER"}};
        add(odd);
        add({{"feedbackId", "x-2"}, {"commentText", "kaputt &#-5; aber da"}});
        add({{"feedbackId", "x-3"}, {"commentText", "ohne Datum"}, {"date", ""}});
        add({{"feedbackId", "x-4"}, {"commentText", "Datum kaputt"}, {"date", "gestern"}});
        add({{"feedbackId", "x-5"}, {"commentText", "neue Art"}, {"commentType", "MIXED"}});
        // The same id again, a page further up.
        admin(QStringLiteral("add"), QUrlQuery{{"count", "200"}});
        add(odd);
        admin(QStringLiteral("add"), QUrlQuery{{"count", "10"}});
        sim->fault("badutf8", {"on=entries", "after=1"});

        const Check c = runCheck();
        QCOMPARE(c.outcome.kind, Kind::Stored);
        QCOMPARE(c.outcome.added, 250 + 210 + 5);
        QCOMPARE(placeholders(), 0);
        // The field of a stored entry: kind, text, date ("-": none) or giver.
        const auto field = [](const QString& id, int column) {
            auto q = modGlobal::cnDB->prepare("SELECT Bewertungszahl, Bewertungstext, "
                                              "ifnull(Datum, '-'), Ebayuser FROM "
                                              "Bewertungeneigen WHERE FeedbackID = ?1");
            q.bind(1, id);
            return q.next() ? q.text(column) : QStringLiteral("(fehlt)");
        };
        // No date is stored as none, never as 1970; an unknown kind is no placeholder.
        QCOMPARE(QStringList({field("x-1", 1), field("x-1", 3), field("x-2", 1), field("x-3", 2),
                              field("x-4", 2), field("x-5", 0)}),
                 QStringList({"super#//", "//#gast", "kaputt &#-5; aber da", "-", "-",
                              QString::number(feedback::kUnknownKind)}));
        QCOMPARE(single("SELECT count(*) FROM Bewertungeneigen WHERE Bewertungstext LIKE "
                        "'%' || char(65533) || '%'"),
                 1);
        // The marketplace counts the repeated entry: the next check looks for
        // it, finds nothing new and stores no placeholder for it.
        const Check again = runCheck();
        QCOMPARE(again.outcome.added, 0);
        QCOMPARE(placeholders(), 0);
    }
};

QTEST_GUILESS_MAIN(OwnSyncTest)
#include "tst_ownSync.moc"
