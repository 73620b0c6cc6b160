#pragma once

#include "app/settings.h"
#include "retrieval/sellerCalls.h"

#include <functional>
#include <memory>
#include <QObject>
#include <QString>
#include <vector>

namespace retrieval {

// An item the member sold and has not rated the buyer for yet.
struct AwaitingItem {
    QString listingId; // the item number
    QString transactionId;
    QString orderLineItemId; // the order line; empty when the marketplace gave none
    QString title;
    QString price;           // as shown: "12,99 EUR"
    int maxCharacters = 500; // what the item's rating template allows for the comment
    bool operator==(const AwaitingItem&) const = default;
};

// What loading the awaiting items came to.
struct AwaitingOutcome {
    SellerAnswer::Kind kind = SellerAnswer::Kind::Failed; // Done: items holds every page
    QString message;                                      // German, unless Done
    std::vector<AwaitingItem> items;                      // newest sale first
    qint64 countAsSeller = 0;                             // the marketplace's own count
};

// Reads every page of the items awaiting the member's rating as a seller.
class AwaitingLoad : public QObject {
    Q_OBJECT
public:
    explicit AwaitingLoad(const app::Settings& settings, QObject* parent = nullptr);
    ~AwaitingLoad() override;
    // Returns at once; finished() follows from the event loop, once.
    void start();
    // Nothing is reported after it.
    void cancel();

signals:
    void finished(const retrieval::AwaitingOutcome& outcome);

private:
    void requestPage();
    void pageAnswered(const SellerAnswer& answer);
    void finish(SellerAnswer::Kind kind, const QString& message);

    struct State;
    std::unique_ptr<State> m_state;
};

// Which comment the items of a batch get.
struct CommentChoice {
    QString text;    // this text for every item, when not empty
    int vorlage = 0; // else this template (1-based); 0: the templates in turn
};

// How one item of a batch ended.
struct ItemRating {
    enum class Result {
        Rated,        // the marketplace took the rating
        AlreadyRated, // it had one already (counts as done)
        Refused,      // the marketplace refused it: message gives its reason
        Failed,       // no answer: the item stays open
        Skipped,      // rated before, by an earlier run: nothing sent
    };
    AwaitingItem item;
    QString comment;
    Result result = Result::Failed;
    QString message; // one German line for the item
};

// What a batch came to.
struct RatingBatchOutcome {
    enum class Kind {
        Done,        // every item rated, already rated or skipped
        SomeRefused, // the marketplace refused at least one; the rest is done
        NotSignedIn, // nothing sent
        Failed,      // the connection or the settings failed; what was sent is recorded
        Cancelled,   // stopped between two items; what was sent is recorded
    };
    Kind kind = Kind::Done;
    std::vector<ItemRating> items; // in the order they were given
    int rated = 0;                 // Rated and AlreadyRated
    int refused = 0;
    QString message; // German summary
};

// Rates the buyers of the given items positively, one request at a time. Every
// rating is recorded in the database before it is sent and after its answer,
// so that an interrupted batch resumes with exactly the items left and no
// item is ever rated twice. Needs the database open.
class RateBuyersRun : public QObject {
    Q_OBJECT
public:
    explicit RateBuyersRun(const app::Settings& settings, QObject* parent = nullptr);
    ~RateBuyersRun() override;
    // Returns at once; itemDone() for each item, then finished(), once.
    void start(const std::vector<AwaitingItem>& items, const CommentChoice& choice);
    // Stops before the next item; the one in flight is answered and recorded.
    void cancel();

signals:
    void itemDone(const retrieval::ItemRating& item, int done, int total);
    void finished(const retrieval::RatingBatchOutcome& outcome);

private:
    void later(std::function<void()> what);
    QString commentOf(const AwaitingItem& item) const;
    void step();
    void recheck(const AwaitingItem& item, const QString& comment);
    void send(const AwaitingItem& item, QString comment);
    void answered(const AwaitingItem& item, const QString& comment, const SellerAnswer& answer);
    // settled: recorded as done, else as refused
    void record(const AwaitingItem& item, const QString& comment, bool settled,
                const QString& detail, ItemRating::Result result);
    void done(ItemRating rating);
    void storeFailed(const QString& description);
    void finish(RatingBatchOutcome::Kind kind);

    struct State;
    std::unique_ptr<State> m_state;
};

// The comment a template gives an item: [#Titel#] and [#Artikel#] filled in,
// then cut at a word to the item's limit.
QString commentFor(const QString& vorlage, const AwaitingItem& item);

} // namespace retrieval
