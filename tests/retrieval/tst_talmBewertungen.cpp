// The feedback source against the marketplace simulator: what each operation
// reports and in which order, paging and limits, the feedback line, the
// profile, cancelling, and the settings it needs.
#include "answerers.h"
#include "app/modGlobal.h"
#include "app/modini.h"
#include "talmHarness.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QtTest>

using talmtest::fields;
using talmtest::Recorder;

class TalmBewertungenTest : public QObject {
    Q_OBJECT

    marktsim::SimProcess sim;
    std::unique_ptr<clsTalmBewertungen> source;
    std::unique_ptr<Recorder> rec;

    void fresh() {
        rec.reset();
        source = std::make_unique<clsTalmBewertungen>();
        rec = std::make_unique<Recorder>(source.get());
    }
    qint64 stat(const char* name) { return sim.stats().value(name).toInteger(); }
    QStringList page(const QString& user, qint32 number, qint32 limit) {
        fresh();
        source->getSeite(user, number, limit, number > 1);
        if (!rec->waitEnd())
            return {QStringLiteral("(kein Ende)")};
        return rec->lines();
    }
    QString addRating(const QString& user, const QJsonObject& rating) {
        QUrlQuery q;
        q.addQueryItem("user", user);
        const QJsonObject answer =
            sim.admin("add", q, QJsonDocument(rating).toJson(QJsonDocument::Compact));
        return answer.value("ids").toArray().first().toString();
    }

private slots:
    void initTestCase() {
        QVERIFY2(sim.start({"--seed",          "7",
                            "--reference",     "2026-06-01T12:00:00Z",
                            "--member",        "alice:450",
                            "--member",        "leer:0",
                            "--member",        "klein:10",
                            "--member",        "genau200:200",
                            "--member",        "genau201:201",
                            "--member",        "exakt:0",
                            "--member",        "profil:40",
                            "--refresh-token", "rt-exakt:exakt"}),
                 qPrintable(sim.errorString()));
        clsTalmBewertungen::setDefaultTiming(talmtest::fastTiming());
        modGlobal::sPlattform = QStringLiteral("ebay.de");
    }
    void init() {
        talmtest::useSimulator(sim);
        clsTalmBewertungen::clearTokenCache();
    }
    void cleanup() {
        rec.reset();
        source.reset();
    }

    // --- counting ---

    void getAnzahl_reportsTotalAndPages_data() {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("expected");
        QTest::newRow("450") << "alice"
                             << "Anzahl 450 3";
        QTest::newRow("none") << "leer"
                              << "Anzahl 0 0";
        QTest::newRow("10") << "klein"
                            << "Anzahl 10 1";
        QTest::newRow("200") << "genau200"
                             << "Anzahl 200 1";
        QTest::newRow("201") << "genau201"
                             << "Anzahl 201 2";
        QTest::newRow("unknown") << "niemand_bekannt"
                                 << "Anzahl -9000 -9000";
    }
    void getAnzahl_reportsTotalAndPages() {
        QFETCH(QString, user);
        QFETCH(QString, expected);
        fresh();
        source->getAnzahl(user);
        QVERIFY2(rec->events.isEmpty(), "events arrive only from the event loop");
        QVERIFY(rec->waitEnd());
        rec->settle(100);
        QCOMPARE(rec->order(), (QStringList{expected, "Finished 0"}));
    }

    void memberNameIsEncodedWhole() {
        const QJsonObject made =
            sim.admin("member", QUrlQuery{{"user", "a+b&c d"}, {"count", "3"}});
        QCOMPARE(made.value("member").toString(), QStringLiteral("a+b&c d"));
        fresh();
        source->getAnzahl(QStringLiteral("a+b&c d"));
        QVERIFY(rec->waitEnd());
        QCOMPARE(rec->events.first(), QStringLiteral("Anzahl 3 1"));
    }

    // --- pages ---

    void getSeite_eventOrder() {
        fresh();
        source->resetSeite();
        source->getSeite("alice", 1, 200, false);
        QVERIFY(rec->events.isEmpty());
        QVERIFY(rec->waitEnd());
        rec->settle(100);
        QCOMPARE(rec->order(), (QStringList{"Bytes", "Text", "Finished 0"}));
        QVERIFY(rec->lastBytes > 200 * 100);
    }

    void getSeite_sendsAtMostLimitLines_data() {
        QTest::addColumn<QString>("user");
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("limit");
        QTest::addColumn<int>("expected");
        QTest::newRow("whole page") << "alice" << 1 << 200 << 200;
        QTest::newRow("second page") << "alice" << 2 << 200 << 200;
        QTest::newRow("last page holds 50") << "alice" << 3 << 200 << 50;
        QTest::newRow("limit 1") << "genau201" << 2 << 1 << 1;
        QTest::newRow("limit 10") << "alice" << 1 << 10 << 10;
        QTest::newRow("limit 25") << "alice" << 1 << 25 << 25;
        QTest::newRow("limit 26") << "alice" << 1 << 26 << 26;
        QTest::newRow("limit 24 on page 2") << "alice" << 2 << 24 << 24;
        QTest::newRow("limit above a page") << "alice" << 1 << 450 << 200;
        QTest::newRow("fewer than limit") << "klein" << 1 << 100 << 10;
    }
    void getSeite_sendsAtMostLimitLines() {
        QFETCH(QString, user);
        QFETCH(int, page);
        QFETCH(int, limit);
        QFETCH(int, expected);
        const QStringList lines = this->page(user, page, limit);
        QCOMPARE(lines.size(), expected);
        QCOMPARE(rec->events.last(), QStringLiteral("Finished 0"));
        // The first lines of a page are the same whatever the limit.
        const QStringList whole = this->page(user, page, 200);
        QCOMPARE(lines, whole.mid(0, expected));
    }

    void getSeite_limitZeroSendsNoRequest() {
        const qint64 before = stat("entries");
        fresh();
        source->getSeite("alice", 1, 0, false);
        QVERIFY(rec->waitEnd());
        rec->settle(100);
        QCOMPARE(rec->order(), QStringList{"Finished 0"});
        QCOMPARE(stat("entries"), before);
    }

    void getSeite_badPageNumberIsRefused() {
        fresh();
        source->getSeite("alice", 0, 200, false);
        QVERIFY(rec->waitEnd());
        QCOMPARE(rec->count("Text"), 0);
        QCOMPARE(rec->fehlerNummer, qint16(retrieval::kFehlerAufruf));
    }

    void pagesAreNewestFirstWithoutGapsOrRepeats() {
        QStringList all;
        for (int p = 1; p <= 3; ++p)
            all += page("alice", p, 200);
        QCOMPARE(all.size(), 450);
        QSet<QString> ids;
        QDateTime previous = QDateTime::currentDateTime().addYears(1);
        for (const QString& line : all) {
            const QStringList f = fields(line);
            QCOMPARE(f.size(), 7);
            ids.insert(f[6]);
            const QDateTime when = QDateTime::fromString(f[3], "dd.MM.yyyy hh:mm");
            QVERIFY2(when.isValid(), qPrintable(f[3]));
            QVERIFY2(when <= previous, qPrintable(line));
            previous = when;
        }
        QCOMPARE(ids.size(), 450);
    }

    void emptyPagesSayNix_data() {
        QTest::addColumn<QString>("user");
        QTest::addColumn<int>("page");
        QTest::newRow("member without ratings") << "leer" << 1;
        QTest::newRow("page after the last") << "alice" << 4;
        QTest::newRow("unknown member") << "niemand_bekannt" << 1;
    }
    void emptyPagesSayNix() {
        QFETCH(QString, user);
        QFETCH(int, page);
        QCOMPARE(this->page(user, page, 200), QStringList{"nix"});
        QCOMPARE(rec->events.last(), QStringLiteral("Finished 0"));
    }

    void linesHaveSevenWellFormedFields() {
        const QStringList lines = page("alice", 1, 200);
        QSet<QString> kinds;
        const QRegularExpression date("^\\d\\d\\.\\d\\d\\.\\d{4} \\d\\d:\\d\\d$");
        for (const QString& line : lines) {
            const QStringList f = fields(line);
            QCOMPARE(f.size(), 7);
            kinds.insert(f[0]);
            QVERIFY2(QStringList({"1", "2", "3"}).contains(f[0]), qPrintable(line));
            QVERIFY2(QStringList({"K", "V"}).contains(f[2]), qPrintable(line));
            QVERIFY2(date.match(f[3]).hasMatch(), qPrintable(line));
            QVERIFY(!f[6].isEmpty());
        }
        QCOMPARE(kinds, (QSet<QString>{"1", "2", "3"}));
    }

    void oneRatingMapsToItsLine() {
        addRating("exakt", {{"feedbackId", "A#//#7"},
                            {"commentType", "NEGATIVE"},
                            {"commentText", "Preis#//#Leistung &amp; Gr%FC%DFe,\r\nit's  ok"},
                            {"giver", "hans#//#wurst"},
                            {"role", "SELLER"},
                            {"listingId", "123456789012"},
                            {"date", "2026-03-02T14:05:11.000Z"}});
        talmtest::useSimulator(sim, "rt-exakt");
        const QStringList lines = page("exakt", 1, 200);
        QCOMPARE(lines.size(), 1);
        QCOMPARE(lines.first(),
                 QStringLiteral("3#//#Preis#/ /#Leistung &amp; Gr%FC%DFe,\r\nit's  ok#//#K#//#"
                                "02.03.2026 15:05#//#hans#/ /#wurst#//#123456789012#//#A#/ /#7"));
        QCOMPARE(fields(lines.first()).size(), 7);
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
        const QStringList masked = page("exakt", 1, 2);
        QCOMPARE(masked.size(), 2);
        QCOMPARE(fields(masked[0]).mid(0, 6),
                 (QStringList{"2", "gekauft", "V", "03.05.2026 02:00", "k***l", ""}));
        QCOMPARE(fields(masked[1]).mid(0, 6),
                 (QStringList{"1", "ohne Namen", "V", "02.05.2026 02:00", "", ""}));
        // The member's own user token sees them whole.
        clsTalmBewertungen::clearTokenCache();
        talmtest::useSimulator(sim, "rt-exakt");
        const QStringList own = page("exakt", 1, 1);
        QCOMPARE(fields(own[0])[4], QStringLiteral("kaeufer_karl"));
        QCOMPARE(fields(own[0])[5], QStringLiteral("9876"));
    }

    void getSeiteFilter_takesKindsFromTheFirstLimitRatings_data() {
        QTest::addColumn<bool>("negativ");
        QTest::addColumn<bool>("positiv");
        QTest::addColumn<bool>("neutral");
        QTest::addColumn<int>("limit");
        QTest::newRow("negative of 200") << true << false << false << 200;
        QTest::newRow("neutral of 200") << false << false << true << 200;
        QTest::newRow("positive of 10") << false << true << false << 10;
        QTest::newRow("negative of 10") << true << false << false << 10;
        QTest::newRow("all of 30") << true << true << true << 30;
        QTest::newRow("not positive of 3") << true << false << true << 3;
    }
    void getSeiteFilter_takesKindsFromTheFirstLimitRatings() {
        QFETCH(bool, negativ);
        QFETCH(bool, positiv);
        QFETCH(bool, neutral);
        QFETCH(int, limit);
        QStringList expected;
        for (const QString& line : page("alice", 1, 200).mid(0, limit)) {
            const QString kind = fields(line)[0];
            if ((kind == "1" && positiv) || (kind == "2" && neutral) || (kind == "3" && negativ))
                expected << line;
        }
        if (expected.isEmpty())
            expected << "nix";
        fresh();
        source->getSeiteFilter("alice", 1, negativ, positiv, neutral, limit, false);
        QVERIFY(rec->events.isEmpty());
        QVERIFY(rec->waitEnd());
        QCOMPARE(rec->lines(), expected);
        QCOMPARE(rec->events.last(), QStringLiteral("Finished 0"));
    }

    void getSeiteFilter_keepsThePagingOfAllRatings() {
        const QStringList second = page("alice", 2, 200);
        fresh();
        source->getSeiteFilter("alice", 2, false, true, false, 200, true);
        QVERIFY(rec->waitEnd());
        QVERIFY(!rec->lines().isEmpty());
        for (const QString& line : rec->lines())
            QVERIFY2(second.contains(line), qPrintable(line));
    }

    void getSeiteFilter_noKindChosenSaysNix() {
        fresh();
        source->getSeiteFilter("alice", 1, false, false, false, 200, false);
        QVERIFY(rec->waitEnd());
        QCOMPARE(rec->lines(), QStringList{"nix"});
    }

    // --- profile ---

    void getUebersicht_reportsElevenValues() {
        fresh();
        source->getUebersicht("alice");
        QVERIFY(rec->events.isEmpty());
        QVERIFY(rec->waitEnd());
        rec->settle(100);
        const QStringList order = rec->order();
        QCOMPARE(order.size(), 3);
        QCOMPARE(order[0], QStringLiteral("Anzahl 450 3"));
        QVERIFY(order[1].startsWith("Uebersicht "));
        QCOMPARE(order[2], QStringLiteral("Finished 0"));
        const QStringList v = rec->uebersicht;
        QCOMPARE(v.size(), 11);
        for (int kind = 0; kind < 3; ++kind) {
            const int m1 = v[kind * 3].toInt(), m6 = v[kind * 3 + 1].toInt(),
                      m12 = v[kind * 3 + 2].toInt();
            QVERIFY2(0 <= m1 && m1 <= m6 && m6 <= m12, qPrintable(v.join(',')));
        }
        QVERIFY(v[2].toInt() > 0);
        bool isNumber = false;
        v[9].toInt(&isNumber);
        QVERIFY(isNumber);
        QVERIFY2(QRegularExpression("^\\d{1,3},\\d$").match(v[10]).hasMatch(), qPrintable(v[10]));
    }

    void getUebersicht_countsNewRatings() {
        fresh();
        source->getUebersicht("profil");
        QVERIFY(rec->waitEnd());
        const QStringList before = rec->uebersicht;
        QCOMPARE(before.size(), 11);
        sim.admin("add", {{"user", "profil"}, {"count", "1"}});
        for (const char* kind : {"NEGATIVE", "NEGATIVE"})
            addRating("profil", {{"commentType", kind}, {"commentText", "neu"}});
        fresh();
        source->getUebersicht("profil");
        QVERIFY(rec->waitEnd());
        const QStringList after = rec->uebersicht;
        QCOMPARE(rec->events.first(), QStringLiteral("Anzahl 43 1"));
        QCOMPARE(after[6].toInt(), before[6].toInt() + 2); // negatives, last month
        QCOMPARE(after[8].toInt(), before[8].toInt() + 2); // negatives, 12 months
        const int added =
            after[0].toInt() + after[3].toInt() - before[0].toInt() - before[3].toInt();
        QCOMPARE(added, 1);
        // The score follows the newest rating: two negatives on top.
        QVERIFY(after[9].toInt() < before[9].toInt());
    }

    void getUebersicht_memberWithoutRatings() {
        fresh();
        source->getUebersicht("leer");
        QVERIFY(rec->waitEnd());
        QCOMPARE(rec->events.first(), QStringLiteral("Anzahl 0 0"));
        QCOMPARE(rec->uebersicht,
                 (QStringList{"0", "0", "0", "0", "0", "0", "0", "0", "0", "0", "-"}));
    }

    void getUebersicht_unknownMember() {
        fresh();
        source->getUebersicht("niemand_bekannt");
        QVERIFY(rec->waitEnd());
        rec->settle(100);
        QCOMPARE(rec->order(), (QStringList{"Anzahl -9000 -9000", "Finished 0"}));
    }

    // --- cancelling ---

    void abbrechen_inTheMiddleOfAPage() {
        fresh();
        int seen = 0;
        connect(source.get(), &clsTalmBewertungen::BewertungenText, this, [&] {
            if (++seen == 5)
                source->abbrechen();
        });
        source->getSeite("alice", 1, 200, false);
        QVERIFY(rec->waitEnd());
        rec->settle(300);
        QCOMPARE(rec->lines().size(), 5);
        QCOMPARE(rec->events.last(), QStringLiteral("Finished 1"));
        QCOMPARE(rec->endedTwice, 0);
        QVERIFY(!source->isBusy());
    }

    void abbrechen_whileWaitingForTheAnswer() {
        QVERIFY(sim.fault("hang", {"on=entries"}));
        fresh();
        source->getSeite("alice", 1, 200, false);
        QTest::qWait(150);
        source->abbrechen();
        QVERIFY(rec->events.isEmpty());
        QVERIFY(rec->waitEnd(5000));
        rec->settle(1500); // longer than the inactivity time-out
        QCOMPARE(rec->events, QStringList{"Finished 1"});
    }

    void abbrechen_whenIdleRaisesNothing() {
        fresh();
        source->abbrechen();
        rec->settle(100);
        QVERIFY(rec->events.isEmpty());
    }

    void destroyingCancelsWithoutALateEvent() {
        QVERIFY(sim.fault("delay", {"on=entries", "ms=200"}));
        fresh();
        source->getSeite("alice", 1, 200, false);
        source->abbrechen();
        source.reset(); // the queued Finished(True) goes with it
        fresh();
        source->getAnzahl("alice");
        source.reset();
        rec->settle(500);
        QVERIFY(rec->events.isEmpty());
    }

    void aNewRequestReplacesARunningOne() {
        fresh();
        source->getSeite("alice", 1, 200, false);
        source->getAnzahl("klein");
        QVERIFY(rec->waitEnd());
        rec->settle(300);
        QCOMPARE(rec->order(), (QStringList{"Anzahl 10 1", "Finished 0"}));
    }

    // --- settings ---

    void missingCredentialsSendNothing_data() {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("secret");
        QTest::newRow("no id") << ""
                               << "geheim";
        QTest::newRow("no secret") << "notenschau"
                                   << "";
    }
    void missingCredentialsSendNothing() {
        QFETCH(QString, id);
        QFETCH(QString, secret);
        modini::marktplatz().clientId = id;
        modini::marktplatz().clientSecret = secret;
        const qint64 before = stat("requests");
        fresh();
        source->getAnzahl("alice");
        QVERIFY(rec->events.isEmpty());
        QVERIFY(rec->waitEnd());
        rec->settle(100);
        QCOMPARE(rec->events, QStringList{"Fehler 1004"});
        QVERIFY(rec->fehlerText.contains("[Marktplatz]"));
        QVERIFY(rec->fehlerText.contains("ClientSecret"));
        QVERIFY(rec->fehlerText.contains(modini::configPath()));
        QCOMPARE(stat("requests"), before);
    }

    void plainHttpOnlyToLoopback_data() {
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("allowed");
        QTest::newRow("loopback") << sim.baseUrl() << true;
        QTest::newRow("other address") << "http://192.0.2.10:8080" << false;
        QTest::newRow("host name") << "http://api.ebay.com" << false;
        QTest::newRow("not a web address") << "ftp://127.0.0.1/" << false;
    }
    void plainHttpOnlyToLoopback() {
        QFETCH(QString, url);
        QFETCH(bool, allowed);
        modini::marktplatz().apiUrl = url;
        fresh();
        source->getAnzahl("klein");
        QVERIFY(rec->waitEnd());
        if (allowed) {
            QCOMPARE(rec->events.first(), QStringLiteral("Anzahl 10 1"));
        } else {
            QCOMPARE(rec->events, QStringList{"Fehler 1005"});
            QVERIFY(rec->fehlerText.contains("ApiUrl"));
        }
    }

    void settingsAreReadFromTheConfiguration() {
        testsupport::ProgramFolder folder;
        folder.writeConfig(
            "[Main]\r\nDatabase=x.db\r\n[marktplatz]\r\napiurl=http://127.0.0.1:9/\r\n"
            "ClientId=meine-id\r\nClientSecret=ab^c#d\r\n");
        modini::fnGetPfadeFaktorFromINI();
        modini::MarktplatzSettings& m = modini::marktplatz();
        QCOMPARE(m.apiUrl, QStringLiteral("http://127.0.0.1:9/"));
        QCOMPARE(m.clientId, QStringLiteral("meine-id"));
        QCOMPARE(m.clientSecret, QStringLiteral("ab^c#d"));
        QCOMPARE(m.refreshToken, QString());
        QCOMPARE(m.pruefHost1, QStringLiteral("127.0.0.1"));
        QCOMPARE(m.pruefHost2, QStringLiteral("www.ebay.de"));

        folder.writeConfig("[Main]\r\nPruefHost1=eins.example\r\nPruefHost2=zwei.example\r\n"
                           "[Marktplatz]\r\nRefreshToken=rt\r\n");
        modini::fnGetPfadeFaktorFromINI();
        QCOMPARE(m.apiUrl, QStringLiteral("https://api.ebay.com"));
        QCOMPARE(m.clientId, QString());
        QCOMPARE(m.refreshToken, QStringLiteral("rt"));
        QCOMPARE(m.pruefHost1, QStringLiteral("eins.example"));
        QCOMPARE(m.pruefHost2, QStringLiteral("zwei.example"));

        folder.writeConfig("");
        modini::fnGetPfadeFaktorFromINI();
        QCOMPARE(m.pruefHost1, QStringLiteral("api.ebay.com"));
    }
};

QTEST_GUILESS_MAIN(TalmBewertungenTest)
#include "tst_talmBewertungen.moc"
