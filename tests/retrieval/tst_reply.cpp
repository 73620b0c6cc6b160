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

namespace {

const QString kMember = QStringLiteral("anna");
const QString kAutomated = QStringLiteral("auto-1");

QString storedReply(const QString& id) {
    auto q = modGlobal::cnDB->prepare(
        "SELECT ifnull(Antwort, '') FROM Bewertungeneigen WHERE FeedbackID = ?1");
    q.bind(1, id);
    return q.next() ? q.text(0) : QStringLiteral("(keine Bewertung)");
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

QString giverOf(const QString& id) {
    auto q =
        modGlobal::cnDB->prepare("SELECT Ebayuser FROM Bewertungeneigen WHERE FeedbackID = ?1");
    q.bind(1, id);
    return q.next() ? q.text(0) : QString();
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
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("sent");
        QTest::addColumn<bool>("keep");
        const QString tooLong = QStringLiteral("Die Antwort ist zu lang: eBay nimmt höchstens "
                                               "500 Zeichen. Bitte kürzen Sie den Text.");
        QTest::newRow("gesendet") << "0"
                                  << ""
                                  << "Danke für den schnellen Kauf!" << int(Kind::Sent)
                                  << "Die Antwort wurde gesendet."
                                  << "Danke für den schnellen Kauf!" << 1 << false;
        QTest::newRow("schon beantwortet")
            << "1"
            << "Danke, gern wieder"
            << "Noch einmal" << int(Kind::AlreadyReplied)
            << "Auf diese Bewertung wurde schon geantwortet. Notenschau hat die Antwort geladen."
            << "Danke, gern wieder" << 1 << false;
        QTest::newRow("automatisch")
            << kAutomated << ""
            << "Danke" << int(Kind::Automated)
            << "Auf automatisch erstellte Bewertungen kann nicht geantwortet werden."
            << "" << 1 << false;
        QTest::newRow("501 Zeichen")
            << "2"
            << "" << QString(501, 'x') << int(Kind::TextRefused) << tooLong << "" << 0 << true;
        QTest::newRow("leer") << "2"
                              << ""
                              << " \n " << int(Kind::TextRefused)
                              << "Die Antwort ist leer. Bitte schreiben Sie eine Antwort."
                              << "" << 0 << true;
        QTest::newRow("verbotenes Wort")
            << "2"
            << ""
            << "So ein Idiot" << int(Kind::TextRefused)
            << "eBay lehnt die Antwort ab: Sie enthält Wörter, die eBay nicht erlaubt. Bitte "
               "ändern Sie den Text."
            << "" << 1 << true;
        QTest::newRow("unbekannte Kennung")
            << "999"
            << ""
            << "Danke" << int(Kind::UnknownRating)
            << "Unter Ihren Bewertungen gibt es keine mit der Kennung \"999\"."
            << "(keine Bewertung)" << 0 << false;
    }
    void outcome() {
        const QString rating = fetch<QString>("rating");
        const QStringList open = unanswered();
        const QString id = rating.size() == 1 ? open.at(rating.toInt()) : rating;
        if (const QString elsewhere = fetch<QString>("elsewhere"); !elsewhere.isEmpty())
            QVERIFY(replyElsewhere(id, giverOf(id), elsewhere));
        const qint64 before = sent();
        const retrieval::ReplyOutcome o = answer(modini::settings(), id, fetch<QString>("text"));
        QCOMPARE(int(o.kind), fetch<int>("kind"));
        QCOMPARE(o.message, fetch<QString>("message"));
        QCOMPARE(o.keepText, fetch<bool>("keep"));
        QCOMPARE(storedReply(id), fetch<QString>("stored"));
        QCOMPARE(sent() - before, qint64(fetch<int>("sent")));
        if (!o.reply.isEmpty())
            QCOMPARE(o.reply, fetch<QString>("stored"));
    }

    // Without a sign-in nothing is sent and the text stays.
    void notSignedIn() {
        app::Settings settings = modini::settings();
        settings.marktplatz.refreshToken.clear();
        const QString id = unanswered().at(0);
        const qint64 before = sent();
        const retrieval::ReplyOutcome o = answer(settings, id, QStringLiteral("Danke"));
        QCOMPARE(int(o.kind), int(Kind::NotSignedIn));
        QCOMPARE(o.message, retrieval::notSignedInText());
        QVERIFY(o.keepText);
        QCOMPARE(sent(), before);
        QCOMPARE(storedReply(id), QString());
    }

    // A reply left on the website comes in with the next full check.
    void fetchedBackByFullCheck() {
        const QString id = unanswered().at(3);
        QVERIFY(replyElsewhere(id, giverOf(id), QStringLiteral("Vielen Dank, Ihr Laden")));
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
