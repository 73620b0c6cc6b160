// Rating one's buyers against the simulator and a real database: the
// awaiting items, the comments the templates give, and the journal that
// keeps any item from being rated twice.
#include "app/modini.h"
#include "app/profileFile.h"
#include "marktsimProcess.h"
#include "retrieval/buyerRating.h"
#include "store/buyerRatings.h"
#include "store/dataAccess.h"
#include "storeFixture.h"
#include "talmHarness.h"
#include "testData.h"

#include <QtTest>

using retrieval::AwaitingItem;
using retrieval::RatingBatchOutcome;
using Result = retrieval::ItemRating::Result;
using testsupport::fetch;
using testsupport::row;

namespace {

const QString kMember = QStringLiteral("anna");

// Starts a run on the settings and waits for what it finishes with.
template <class Run, class Outcome, class... Args> Outcome finished(const Args&... args) {
    Run run(modini::settings());
    std::optional<Outcome> outcome;
    QObject::connect(&run, &Run::finished, [&](const Outcome& o) { outcome = o; });
    run.start(args...);
    if (!QTest::qWaitFor([&] { return outcome.has_value(); }, 30000))
        qWarning("%s did not finish", Run::staticMetaObject.className());
    return outcome.value_or(Outcome{});
}

std::vector<AwaitingItem> loadAwaiting() {
    const auto outcome = finished<retrieval::AwaitingLoad, retrieval::AwaitingOutcome>();
    if (outcome.kind != retrieval::SellerAnswer::Kind::Done)
        qWarning() << "awaiting not loaded:" << outcome.message;
    return outcome.items;
}

RatingBatchOutcome rate(const std::vector<AwaitingItem>& items,
                        const retrieval::CommentChoice& choice = {}) {
    return finished<retrieval::RateBuyersRun, RatingBatchOutcome>(items, choice);
}

QString results(const RatingBatchOutcome& outcome) {
    QString text;
    for (const auto& item : outcome.items)
        text += "RAXFS"[int(item.result)];
    return text;
}

} // namespace

class BuyerRatingTest : public QObject {
    Q_OBJECT
    marktsim::SimProcess sim;
    std::unique_ptr<testsupport::StoreFixture> db;

    qint64 sent() { return talmtest::Fixture::stat(sim, "leave_feedback"); }
    void awaiting(int count) {
        sim.admin("awaiting", {{"user", kMember}, {"count", QString::number(count)}});
    }

private slots:
    void initTestCase() {
        retrieval::clsTalmBewertungen::setDefaultTiming(talmtest::fastTiming());
        QVERIFY2(sim.start({"--member", "anna:10", "--refresh-token", "rt-anna:anna"}),
                 qPrintable(sim.errorString()));
    }
    void init() {
        db = std::make_unique<testsupport::StoreFixture>(kMember);
        talmtest::useSimulator(sim, "rt-anna", kMember);
        modini::settings().bewertungsvorlagen = {"Eins [#Titel#]", "Zwei", "Drei [#Artikel#]"};
        // Whatever an earlier test left open is rated by the marketplace's count.
        rate(loadAwaiting());
        sim.admin("clear");
    }
    void cleanup() { db.reset(); }

    // The template's fields filled in, then cut at a word to the item's limit.
    void commentFor_data() {
        QTest::addColumn<QString>("vorlage");
        QTest::addColumn<int>("max");
        QTest::addColumn<QString>("comment");
        row("fields", "Danke für [#Titel#] (Artikel [#Artikel#])!", 500,
            QString("Danke für Gartenzwerg (Artikel 210000000001)!"));
        row("cut at a word", "Schnelle Zahlung, gerne wieder", 22, QString("Schnelle Zahlung,"));
        row("cut at a space", "Schnelle Zahlung gerne", 16, QString("Schnelle Zahlung"));
        row("one long word", "Superkäufer", 5, QString("Super"));
        row("never beyond 500", QString(600, 'a'), 900, QString(500, 'a'));
        row("blanks folded", "  Danke \n sehr  ", 500, QString("Danke sehr"));
    }
    void commentFor() {
        AwaitingItem item{"210000000001", "1", "", "Gartenzwerg", "1,00 EUR", fetch<int>("max")};
        QCOMPARE(retrieval::commentFor(fetch<QString>("vorlage"), item), fetch<QString>("comment"));
    }

    // The templates up to the first number missing, the program's own
    // without any; automatic rating only when asked for.
    void settingsRead_data() {
        QTest::addColumn<QString>("ini");
        QTest::addColumn<QString>("vorlagen");
        QTest::addColumn<bool>("automatisch");
        row("none", QString(), app::defaultBewertungsvorlagen().join('|'), false);
        row("in order",
            QString("[Bewertungsvorlagen]\nVorlage2=B\nVorlage1=A\nVorlage4=D\n"
                    "[Bewerten]\nAutomatisch=1\n"),
            QString("A|B"), true);
        row("empty ones left out", QString("[Bewertungsvorlagen]\nVorlage1=\nVorlage2= Z \n"),
            QString("Z"), false);
    }
    void settingsRead() {
        const app::SettingsRead read = app::readSettings(
            app::ProfileFile::fromText(fetch<QString>("ini")), app::Deployment::current(), "/");
        QCOMPARE(read.settings.bewertungsvorlagen.join('|'), fetch<QString>("vorlagen"));
        QCOMPARE(read.settings.automatischBewerten, fetch<bool>("automatisch"));
        QCOMPARE(app::defaultBewertungsvorlagen().size(), 3);
    }

    // Twelve items, the fifth refused; a rerun of the same list sends only
    // that one again, and a third sends nothing.
    void aBatchWithOneRefused() {
        awaiting(12);
        const std::vector<AwaitingItem> items = loadAwaiting();
        QCOMPARE(items.size(), size_t(12));
        QVERIFY2(QRegularExpression("^\\d+,\\d\\d EUR$").match(items[0].price).hasMatch(),
                 qPrintable(items[0].price));
        QCOMPARE(items[0].maxCharacters, 500);
        QCOMPARE(items[0].orderLineItemId, items[0].listingId + "-" + items[0].transactionId);

        QVERIFY(sim.fault("status", {"on=leave_feedback", "after=4", "status=400"}));
        RatingBatchOutcome first = rate(items);
        QCOMPARE(first.kind, RatingBatchOutcome::Kind::SomeRefused);
        QCOMPARE(results(first), QString("RRRRXRRRRRRR"));
        QCOMPARE(first.message, QString("11 Käufer positiv bewertet, 1 vom Marktplatz abgelehnt."));
        QVERIFY2(first.items[4].message.startsWith("Artikel " + items[4].listingId + " (" +
                                                   items[4].title +
                                                   "): Vom Marktplatz abgelehnt: "),
                 qPrintable(first.items[4].message));
        QCOMPARE(sent(), 12);
        auto entry = store::buyerRating(store::openConnection(), items[4].orderLineItemId);
        QVERIFY(entry);
        QCOMPARE(entry->state, store::BuyerRatingEntry::State::Refused);

        const RatingBatchOutcome second = rate(items);
        QCOMPARE(results(second), QString("SSSSRSSSSSSS"));
        QCOMPARE(second.message, QString("1 Käufer positiv bewertet."));
        QCOMPARE(sent(), 13);
        QCOMPARE(results(rate(items)), QString("SSSSSSSSSSSS"));
        QCOMPARE(sent(), 13);
        QCOMPARE(loadAwaiting().size(), size_t(0));
    }

    // An item sent without an answer recorded is asked about before it goes
    // out again: sent when still open, recorded as done when not.
    void sentWithoutAnswer_data() {
        QTest::addColumn<bool>("ratedMeanwhile");
        QTest::addColumn<QString>("result");
        QTest::addColumn<qint64>("sends");
        row("still open", false, QString("R"), qint64(1));
        row("rated meanwhile", true, QString("S"), qint64(0));
    }
    void sentWithoutAnswer() {
        awaiting(1);
        const std::vector<AwaitingItem> items = loadAwaiting();
        QCOMPARE(items.size(), size_t(1));
        if (fetch<bool>("ratedMeanwhile"))
            rate(items);
        const store::BuyerRatingEntry sentOnly{items[0].orderLineItemId,
                                               kMember,
                                               items[0].listingId,
                                               items[0].title,
                                               "Zwei",
                                               store::BuyerRatingEntry::State::Sent,
                                               {},
                                               {}};
        store::recordBuyerRating(store::openConnection(), sentOnly);
        sim.admin("clear");
        const RatingBatchOutcome outcome = rate(items);
        QCOMPARE(results(outcome), fetch<QString>("result"));
        QCOMPARE(outcome.items[0].comment, QString("Zwei"));
        QCOMPARE(sent(), fetch<qint64>("sends"));
        QCOMPARE(store::buyerRating(store::openConnection(), items[0].orderLineItemId)->state,
                 store::BuyerRatingEntry::State::Done);
    }

    // The templates in turn, carried on by the next batch; a chosen one or a
    // text for every item.
    void templatesRotate() {
        awaiting(5);
        std::vector<AwaitingItem> items = loadAwaiting();
        const auto comments = [](const RatingBatchOutcome& o) {
            QStringList c;
            for (const auto& item : o.items)
                c << item.comment.section(' ', 0, 0);
            return c.join(' ');
        };
        QCOMPARE(store::buyerRatingCount(store::openConnection(), kMember), 0);
        const RatingBatchOutcome first = rate({items[0], items[1], items[2], items[3]});
        QCOMPARE(comments(first), QString("Eins Zwei Drei Eins"));
        QCOMPARE(first.items[0].comment, "Eins " + items[0].title);
        // An item's number in the comment is no phone number to the marketplace.
        QCOMPARE(first.items[2].comment, "Drei " + items[2].listingId);
        QCOMPARE(first.kind, RatingBatchOutcome::Kind::Done);
        QCOMPARE(first.rated, 4);
        QCOMPARE(comments(rate({items[4]})), QString("Zwei"));

        awaiting(2);
        items = loadAwaiting();
        QCOMPARE(comments(rate({items[0]}, {{}, 3})), QString("Drei"));
        QCOMPARE(rate({items[1]}, {"Danke für [#Titel#]", 0}).items[0].comment,
                 "Danke für " + items[1].title);
        QCOMPARE(rate(items, {{}, 4}).kind, RatingBatchOutcome::Kind::Failed);
        QCOMPARE(sent(), 7);
    }

    void notSignedIn() {
        awaiting(1);
        const std::vector<AwaitingItem> items = loadAwaiting();
        modini::marktplatz().refreshToken.clear();
        const RatingBatchOutcome outcome = rate(items);
        QCOMPARE(outcome.kind, RatingBatchOutcome::Kind::NotSignedIn);
        QCOMPARE(outcome.message, retrieval::notSignedInText());
        QCOMPARE(sent(), 0);
    }
};

QTEST_GUILESS_MAIN(BuyerRatingTest)
#include "tst_buyerRating.moc"
