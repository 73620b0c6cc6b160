// Answering one of the member's own ratings against the simulator and a real
// database: what is sent, what is refused before sending, and what is stored.
#include "answerers.h"
#include "app/modGlobal.h"
#include "app/modini.h"
#include "marktsimProcess.h"
#include "retrieval/fullCheckRun.h"
#include "retrieval/ownUpdateRun.h"
#include "retrieval/replyRun.h"
#include "retrieval/sellerCalls.h"
#include "store/connection.h"
#include "store/ratingState.h"
#include "storeFixture.h"
#include "talmHarness.h"
#include "testData.h"

#include <QtTest>

using Kind = retrieval::ReplyOutcome::Kind;
using testsupport::fetch;
using testsupport::row;

namespace {

const QString kMember = QStringLiteral("anna");
const QString kAutomated = QStringLiteral("auto-1");

// A column of a stored rating, or `missing` when there is no such rating.
QString column(const QByteArray& name, const QString& id, const QString& missing = {}) {
    auto q = modGlobal::cnDB->prepare(
        ("SELECT ifnull(" + name + ", '') FROM Bewertungeneigen WHERE FeedbackID = ?1")
            .constData());
    q.bind(1, id);
    return q.next() ? q.text(0) : missing;
}

QString storedReply(const QString& id) {
    return column("Antwort", id, QStringLiteral("(keine Bewertung)"));
}

// The stored ratings without a reply, newest first.
QStringList unanswered() {
    auto q = modGlobal::cnDB->prepare("SELECT FeedbackID FROM Bewertungeneigen WHERE Antwort IS "
                                      "NULL AND Bewertungszahl <> 0 AND FeedbackID <> ?1 "
                                      "ORDER BY Datum DESC");
    q.bind(1, kAutomated);
    QStringList ids;
    while (q.next())
        ids << q.text(0);
    return ids;
}

retrieval::ReplyOutcome answer(const app::Settings& settings, const QString& id,
                               const QString& text) {
    retrieval::ReplyRun run(settings);
    std::optional<retrieval::ReplyOutcome> outcome;
    QObject::connect(&run, &retrieval::ReplyRun::finished,
                     [&](const retrieval::ReplyOutcome& o) { outcome = o; });
    run.start(id, text);
    if (!QTest::qWaitFor([&] { return outcome.has_value(); }, 20000))
        return {Kind::Failed, QStringLiteral("(keine Antwort)"), false, {}};
    return *outcome;
}

// A reply left elsewhere, on the website: sent, never stored.
bool replyElsewhere(const QString& id, const QString& giver, const QString& text) {
    retrieval::SellerCalls calls(modini::settings());
    std::optional<bool> done;
    calls.post(QStringLiteral("/commerce/feedback/v1/respond_to_feedback"),
               {{"feedbackId", id},
                {"recipientUserId", giver},
                {"responseText", text},
                {"responseType", "REPLY"}},
               [&](const retrieval::SellerAnswer& a) {
                   done = a.kind == retrieval::SellerAnswer::Kind::Done;
               });
    return QTest::qWaitFor([&] { return done.has_value(); }, 20000) && *done;
}

} // namespace

class ReplyTest : public QObject {
    Q_OBJECT

    marktsim::SimProcess sim;
    std::unique_ptr<testsupport::StoreFixture> store;

    qint64 sent() { return sim.stats().value("respond_to_feedback").toInteger(); }

private slots:
    void initTestCase() {
        retrieval::clsTalmBewertungen::setDefaultTiming(talmtest::fastTiming());
        QVERIFY2(sim.start({"--member", "anna:40", "--refresh-token", "rt-anna:anna", "--reference",
                            "2026-11-30T12:00:00Z"}),
                 qPrintable(sim.errorString()));
        QVERIFY(!sim.admin("add", QUrlQuery("user=anna"),
                           R"({"feedbackId": "auto-1", "commentType": "POSITIVE",
                               "commentText": "Bezahlt", "giver": "ebay", "automated": true})")
                     .isEmpty());
        store = std::make_unique<testsupport::StoreFixture>(
            kMember, testsupport::marktplatz(sim.baseUrl()) + "RefreshToken=rt-anna\n");
        retrieval::clsTalmBewertungen::clearTokenCache();
        testsupport::MessageBoxAnswerer boxes;
        boxes.answer(app::vbYes).answer(app::vbOK).answer(app::vbOK);
        retrieval::OwnUpdateRun run(modini::settings());
        talmtest::untilClosed(run, [&] { run.checkneueBewertungen(); });
        QVERIFY(retrieval::storeOwnRun(run.result(), kMember).kind ==
                retrieval::SyncOutcome::Kind::Stored);
        QCOMPARE(storedReply(kAutomated), QString());
        QVERIFY(unanswered().size() >= 10);
    }
    void cleanupTestCase() { store.reset(); }

    // Each row answers a rating of its own: the n-th of those without a reply.
    void outcome_data() {
        QTest::addColumn<QString>("rating"); // "n" for the n-th, or an id
        QTest::addColumn<QString>("elsewhere");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("signedIn");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("sent");
        QTest::addColumn<bool>("keep");
        const QString thanks = "Danke für den schnellen Kauf!", none;
        row("gesendet", "0", none, thanks, true, int(Kind::Sent),
            QString("Die Antwort wurde gesendet."), thanks, 1, false);
        row("schon beantwortet", "1", QString("Danke, gern wieder"), QString("Noch einmal"), true,
            int(Kind::AlreadyReplied),
            QString("Auf diese Bewertung wurde schon geantwortet. Notenschau hat die Antwort "
                    "geladen."),
            QString("Danke, gern wieder"), 1, false);
        row("automatisch", kAutomated, none, QString("Danke"), true, int(Kind::Automated),
            QString("Auf automatisch erstellte Bewertungen kann nicht geantwortet werden."), none,
            1, false);
        row("501 Zeichen", "2", none, QString(501, 'x'), true, int(Kind::TextRefused),
            QString("Die Antwort ist zu lang: eBay nimmt höchstens 500 Zeichen. Bitte kürzen Sie "
                    "den Text."),
            none, 0, true);
        row("leer", "2", none, QString(" \n "), true, int(Kind::TextRefused),
            QString("Die Antwort ist leer. Bitte schreiben Sie eine Antwort."), none, 0, true);
        row("verbotenes Wort", "2", none, QString("So ein Idiot"), true, int(Kind::TextRefused),
            QString("eBay lehnt die Antwort ab: Sie enthält Wörter, die eBay nicht erlaubt. Bitte "
                    "ändern Sie den Text."),
            none, 1, true);
        row("unbekannte Kennung", "999", none, QString("Danke"), true, int(Kind::UnknownRating),
            QString("Unter Ihren Bewertungen gibt es keine mit der Kennung \"999\"."),
            QString("(keine Bewertung)"), 0, false);
        // Without a sign-in nothing is sent and the text stays.
        row("nicht angemeldet", "2", none, QString("Danke"), false, int(Kind::NotSignedIn),
            retrieval::notSignedInText(), none, 0, true);
    }
    void outcome() {
        const QString rating = fetch<QString>("rating");
        const QStringList open = unanswered();
        const QString id = rating.size() == 1 ? open.at(rating.toInt()) : rating;
        if (const QString elsewhere = fetch<QString>("elsewhere"); !elsewhere.isEmpty())
            QVERIFY(replyElsewhere(id, column("Ebayuser", id), elsewhere));
        app::Settings settings = modini::settings();
        if (!fetch<bool>("signedIn"))
            settings.marktplatz.refreshToken.clear();
        const qint64 before = sent();
        const retrieval::ReplyOutcome o = answer(settings, id, fetch<QString>("text"));
        QCOMPARE(int(o.kind), fetch<int>("kind"));
        QCOMPARE(o.message, fetch<QString>("message"));
        QCOMPARE(o.keepText, fetch<bool>("keep"));
        QCOMPARE(storedReply(id), fetch<QString>("stored"));
        QCOMPARE(sent() - before, qint64(fetch<int>("sent")));
        if (!o.reply.isEmpty())
            QCOMPARE(o.reply, fetch<QString>("stored"));
    }

    // A reply left on the website comes in with the next full check.
    void fetchedBackByFullCheck() {
        const QString id = unanswered().at(3);
        QVERIFY(
            replyElsewhere(id, column("Ebayuser", id), QStringLiteral("Vielen Dank, Ihr Laden")));
        QCOMPARE(storedReply(id), QString());
        testsupport::MessageBoxAnswerer boxes;
        boxes.answer(app::vbOK);
        retrieval::FullCheckRun run(modini::settings());
        talmtest::untilClosed(run, [&] { run.start(); });
        QCOMPARE(int(run.result().end), int(retrieval::SyncOutcome::Kind::Stored));
        QVERIFY(retrieval::storeFullCheck(run.result(), kMember).ok);
        QCOMPARE(storedReply(id), QStringLiteral("Vielen Dank, Ihr Laden"));
    }
};

QTEST_GUILESS_MAIN(ReplyTest)
#include "tst_reply.moc"
