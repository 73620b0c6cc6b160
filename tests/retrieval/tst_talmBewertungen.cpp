// The feedback source against the marketplace simulator: what each operation
// reports and in which order, paging and limits, the feedback line, the
// profile and cancelling. The settings it reads are tst_configuration's.
#include "app/modGlobal.h"
#include "retrieval/feedbackJson.h"
#include "talmHarness.h"
#include "testData.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QtTest>

using talmtest::fields;
using testsupport::fetch;
using testsupport::row;

class TalmBewertungenTest : public QObject, talmtest::Fixture {
    Q_OBJECT

    QString addRating(const QString& user, const QJsonObject& rating) {
        const QJsonObject answer = sim.admin("add", {{"user", user}},
                                             QJsonDocument(rating).toJson(QJsonDocument::Compact));
        return answer.value("ids").toArray().first().toString();
    }

private slots:
    void initTestCase() {
        QStringList args{"--seed",          "7",
                         "--reference",     "2026-06-01T12:00:00Z",
                         "--refresh-token", "rt-exakt:exakt"};
        for (const char* m : {"alice:450", "leer:0", "klein:10", "genau200:200", "genau201:201",
                              "exakt:0", "profil:40"})
            args << "--member" << m;
        QVERIFY2(sim.start(args), qPrintable(sim.errorString()));
        retrieval::clsTalmBewertungen::setDefaultTiming(talmtest::fastTiming());
        modini::settings().plattform = QStringLiteral("ebay.de");
    }
    void init() {
        talmtest::useSimulator(sim);
        retrieval::clsTalmBewertungen::clearTokenCache();
    }
    void cleanup() { reset(); }

    // Every operation: its events, in order, only from the event loop.
    void eventOrder_data() {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QStringList>("lines"); // when given
        const auto row = [](const char* op, const QStringList& expected,
                            const QStringList& lines = {}) {
            QTest::newRow(op) << QString::fromLatin1(op) << expected << lines;
        };
        row("anzahl alice", {"Anzahl 450 3", "Finished 0"});
        row("anzahl leer", {"Anzahl 0 0", "Finished 0"});
        row("anzahl genau200", {"Anzahl 200 1", "Finished 0"});
        row("anzahl genau201", {"Anzahl 201 2", "Finished 0"});
        row("anzahl niemand_bekannt", {"Anzahl -9000 -9000", "Finished 0"});
        row("uebersicht niemand_bekannt", {"Anzahl -9000 -9000", "Finished 0"});
        row("uebersicht leer", {"Anzahl 0 0", "Uebersicht 0|0|0|0|0|0|0|0|0|0|-", "Finished 0"});
        row("seite alice 1 200", {"Bytes", "Text", "Finished 0"});
        row("seite alice 1 0", {"Finished 0"});
        row("seite alice 0 200", {QStringLiteral("Fehler %1").arg(retrieval::kFehlerAufruf)});
        // The count knew the member; a page that says otherwise is a failure,
        // not an empty list.
        row("seite niemand_bekannt 1 200", {"Bytes", "Fehler 400"});
        // Empty pages say "nix": a member without ratings, a page after the
        // last, no kind chosen.
        row("seite leer 1 200", {"Bytes", "Text", "Finished 0"}, {"nix"});
        row("seite alice 4 200", {"Bytes", "Text", "Finished 0"}, {"nix"});
        row("filter alice 1 200 -", {"Bytes", "Text", "Finished 0"}, {"nix"});
    }
    void eventOrder() {
        QFETCH(QString, operation);
        const qint64 entries = stat("entries");
        QVERIFY(run(operation));
        QTEST(rec->order(), "expected");
        if (!fetch<QStringList>("lines").isEmpty())
            QTEST(rec->lines(), "lines");
        if (rec->order().contains("Bytes"))
            QVERIFY(rec->lastBytes > 100 * rec->lines().size());
        if (operation.endsWith(" 0")) // a limit of 0 asks nothing
            QCOMPARE(stat("entries"), entries);
    }

    void memberNameIsEncodedWhole() {
        sim.admin("member", {{"user", "a+b&c d"}, {"count", "3"}});
        QVERIFY(
            run([](retrieval::clsTalmBewertungen& s) { s.getAnzahl(QStringLiteral("a+b&c d")); }));
        QCOMPARE(rec->events.first(), QStringLiteral("Anzahl 3 1"));
    }

    // --- pages ---

    void oneRatingMapsToItsLine() {
        addRating("exakt", {{"feedbackId", "A#//#7"},
                            {"commentType", "NEGATIVE"},
                            {"commentText", "Preis#//#Leistung &amp; Gr%FC%DFe,\r\nit's  ok"},
                            {"giver", "hans#//#wurst"},
                            {"role", "SELLER"},
                            {"listingId", "123456789012"},
                            {"date", "2026-03-02T14:05:11.000Z"}});
        talmtest::useSimulator(sim, "rt-exakt", "exakt");
        QCOMPARE(page("exakt", 1, 200),
                 QStringList("3#//#Preis#/ /#Leistung &amp; Gr%FC%DFe,\r\nit's  ok#//#K#//#"
                             "02.03.2026 15:05#//#hans#/ /#wurst#//#123456789012#//#A#/ /#7"));
    }

    // The reply and follow-up of an entry, as far as their fields have the
    // contract's types; the rest of the entry reads as ever.
    void replyAndFollowupOfAnEntry_data() {
        QTest::addColumn<QByteArray>("more");
        QTest::addColumn<QStringList>("expected"); // reply text, state, follow-up text, state
        const QStringList none{"", "", "", ""};
        row("none", QByteArray(), none);
        row("both",
            QByteArray(R"(,"replyComment":{"commentText":"Danke","state":"ENTERED"},)"
                       R"("followupComment":{"commentText":"Gut \ud83d\ude00","state":"X"})"),
            QStringList{"Danke", "ENTERED", "Gut \U0001F600", "X"});
        row("reply without state", QByteArray(R"(,"replyComment":{"commentText":"Danke"})"),
            QStringList{"Danke", "", "", ""});
        row("wrong types",
            QByteArray(R"(,"replyComment":{"commentText":5,"state":true},"followupComment":"Gut")"),
            none);
        row("containers of the wrong kind",
            QByteArray(R"(,"replyComment":[{"commentText":"Danke"}],"followupComment":null)"),
            none);
    }
    void replyAndFollowupOfAnEntry() {
        const QByteArray entry = R"({"feedbackId":"f-1","commentType":"NEGATIVE",)"
                                 R"("feedbackEnteredDate":"2026-03-02T14:05:11.000Z")" +
                                 fetch<QByteArray>("more") + "}";
        const store::FetchedRating r =
            feedbackJson::parseRating(QJsonDocument::fromJson(entry).object());
        QTEST(QStringList({r.reply.text, r.reply.state, r.followup.text, r.followup.state}),
              "expected");
        QCOMPARE(QString("%1 %2 %3").arg(r.id).arg(r.kind).arg(r.complete()), "f-1 3 1");
    }

    void giverAndRoleMapping() {
        addRating("exakt", {{"commentType", "POSITIVE"},
                            {"commentText", "ohne Namen"},
                            {"role", "BUYER"},
                            {"date", "2026-05-02T00:00:00Z"}});
        addRating("exakt", {{"commentType", "NEUTRAL"},
                            {"commentText", "gekauft"},
                            {"giver", "kaeufer_karl"},
                            {"role", "BUYER"},
                            {"listingId", "9876"},
                            {"date", "2026-05-03T00:00:00Z"}});
        // An application token sees buyers masked and no item numbers.
        QStringList masked; // the first six fields of each line
        for (const QString& line : page("exakt", 1, 2))
            masked << fields(line).mid(0, 6).join(u'|');
        QCOMPARE(masked, QStringList({"2|gekauft|V|03.05.2026 02:00|k***l|",
                                      "1|ohne Namen|V|02.05.2026 02:00||"}));
        // The member's own user token sees them whole.
        retrieval::clsTalmBewertungen::clearTokenCache();
        talmtest::useSimulator(sim, "rt-exakt", "exakt");
        QCOMPARE(fields(page("exakt", 1, 1).value(0)).mid(4, 2),
                 (QStringList{"kaeufer_karl", "9876"}));
    }

    // A page under a limit: the lines of the first `limit` ratings of the page
    // that are of the kinds asked for ("npu": all). count: how many, where
    // the seed does not decide it.
    void getSeiteFilter_takesKindsFromTheFirstLimitRatings_data() {
        QTest::addColumn<QString>("user");
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("limit");
        QTest::addColumn<QString>("kinds");
        QTest::addColumn<int>("count");
        const auto row = [](const char* name, const char* user, int page, int limit,
                            const char* kinds, int count = -1) {
            QTest::newRow(name) << QString(user) << page << limit << QString(kinds) << count;
        };
        row("whole page", "alice", 1, 200, "npu", 200);
        row("last page holds 50", "alice", 3, 200, "npu", 50);
        row("limit 1", "genau201", 2, 1, "npu", 1);
        row("limit 25", "alice", 1, 25, "npu", 25);
        row("limit 26", "alice", 1, 26, "npu", 26);
        row("limit 24 on page 2", "alice", 2, 24, "npu", 24);
        row("limit above a page", "alice", 1, 450, "npu", 200);
        row("fewer than the limit", "klein", 1, 100, "npu", 10);
        row("negative of 200", "alice", 1, 200, "n");
        row("neutral of 200", "alice", 1, 200, "u");
        row("positive of 10", "alice", 1, 10, "p");
        row("negative of 10", "alice", 1, 10, "n");
        row("not positive of 3", "alice", 1, 3, "nu");
        // The paging is that of all ratings.
        row("positive of page 2", "alice", 2, 200, "p");
    }
    void getSeiteFilter_takesKindsFromTheFirstLimitRatings() {
        QFETCH(QString, user);
        QFETCH(int, page);
        QFETCH(int, limit);
        QFETCH(QString, kinds);
        const QString letters = "-pun"; // by kind 1, 2, 3
        QStringList expected;
        for (const QString& line : this->page(user, page, 200).mid(0, limit))
            if (kinds.contains(letters[fields(line)[0].toInt()]))
                expected << line;
        if (fetch<int>("count") >= 0)
            QCOMPARE(expected.size(), fetch<int>("count"));
        if (expected.isEmpty())
            expected << "nix";
        QVERIFY(
            run(QStringLiteral("filter %1 %2 %3 %4").arg(user).arg(page).arg(limit).arg(kinds), 0));
        QCOMPARE(rec->lines(), expected);
        QCOMPARE(rec->events.last(), QStringLiteral("Finished 0"));
    }

    // --- profile ---

    void getUebersicht_reportsElevenValues() {
        QVERIFY(run("uebersicht alice"));
        const QStringList v = rec->uebersicht;
        QCOMPARE(rec->order(),
                 (QStringList{"Anzahl 450 3", "Uebersicht " + v.join(u'|'), "Finished 0"}));
        QCOMPARE(v.size(), 11);
        for (int kind = 0; kind < 3; ++kind) {
            const int m1 = v[kind * 3].toInt(), m6 = v[kind * 3 + 1].toInt(),
                      m12 = v[kind * 3 + 2].toInt();
            QVERIFY2(0 <= m1 && m1 <= m6 && m6 <= m12, qPrintable(v.join(',')));
        }
        QVERIFY(v[2].toInt() > 0);
        QVERIFY2(QRegularExpression("^\\d+$").match(v[9]).hasMatch(), qPrintable(v[9]));
        QVERIFY2(QRegularExpression("^\\d{1,3},\\d$").match(v[10]).hasMatch(), qPrintable(v[10]));
    }

    void getUebersicht_countsNewRatings() {
        QVERIFY(run("uebersicht profil", 0));
        const QStringList before = rec->uebersicht;
        sim.admin("add", {{"user", "profil"}, {"count", "1"}});
        for (const char* kind : {"NEGATIVE", "NEGATIVE"})
            addRating("profil", {{"commentType", kind}, {"commentText", "neu"}});
        QVERIFY(run("uebersicht profil", 0));
        const QStringList after = rec->uebersicht;
        QCOMPARE(rec->events.first(), QStringLiteral("Anzahl 43 1"));
        QCOMPARE(after[6].toInt(), before[6].toInt() + 2); // negatives, last month
        QCOMPARE(after[8].toInt(), before[8].toInt() + 2); // negatives, 12 months
        QCOMPARE(after[0].toInt() + after[3].toInt() - before[0].toInt() - before[3].toInt(), 1);
        // The score follows the newest rating: two negatives on top.
        QVERIFY(after[9].toInt() < before[9].toInt());
    }

    // --- cancelling ---

    void abbrechen_inTheMiddleOfAPage() {
        int seen = 0;
        QVERIFY(run(
            [&](retrieval::clsTalmBewertungen& s) {
                connect(&s, &retrieval::clsTalmBewertungen::BewertungenText, this, [&] {
                    if (++seen == 5)
                        s.abbrechen();
                });
                s.getSeite("alice", 1, 200, false);
            },
            300));
        QCOMPARE(rec->lines().size(), 5);
        QCOMPARE(rec->events.last(), QStringLiteral("Finished 1"));
        QCOMPARE(rec->endedTwice, 0);
        QVERIFY(!source->isBusy());
    }

    void abbrechen_whileWaitingForTheAnswer() {
        QVERIFY(sim.fault("hang", {"on=entries"}));
        fresh().getSeite("alice", 1, 200, false);
        QTest::qWait(150);
        source->abbrechen();
        QVERIFY(rec->events.isEmpty());
        QVERIFY(rec->waitEnd(5000));
        QTest::qWait(1500); // longer than the inactivity time-out
        QCOMPARE(rec->events, QStringList{"Finished 1"});
    }

    // Cancelling an idle source, or destroying a cancelled one, raises nothing.
    void noLateEventWhenIdleOrDestroyed() {
        fresh().abbrechen();
        QTest::qWait(100);
        QVERIFY(rec->events.isEmpty());
        QVERIFY(sim.fault("delay", {"on=entries", "ms=200"}));
        fresh().getSeite("alice", 1, 200, false);
        source->abbrechen();
        source.reset(); // the queued Finished(True) goes with it
        fresh().getAnzahl("alice");
        source.reset();
        QTest::qWait(500);
        QVERIFY(rec->events.isEmpty());
    }

    void aNewRequestReplacesARunningOne() {
        QVERIFY(run(
            [](retrieval::clsTalmBewertungen& s) {
                s.getSeite("alice", 1, 200, false);
                s.getAnzahl("klein");
            },
            300));
        QCOMPARE(rec->order(), (QStringList{"Anzahl 10 1", "Finished 0"}));
    }
};

QTEST_GUILESS_MAIN(TalmBewertungenTest)
#include "tst_talmBewertungen.moc"
