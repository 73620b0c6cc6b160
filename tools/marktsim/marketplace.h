#pragma once

#include <map>
#include <optional>
#include <QString>
#include <set>
#include <vector>

namespace marktsim {

enum Kind { Positive = 0, Neutral = 1, Negative = 2 };

// A reply or a follow-up to a rating.
struct Remark {
    QString text;
    qint64 dateMs = 0;
};

// What a member answered to one of their ratings.
struct Responses {
    std::optional<Remark> reply;
    std::optional<Remark> followup;
};

// A sale (or purchase) whose partner has not been rated yet.
struct AwaitingItem {
    QString listingId;
    QString transactionId;
    QString title;
    qint64 priceCents = 0;
    QString partner;      // whom the rating is for
    bool asSeller = true; // the member sold the item
    qint64 endMs = 0;     // when the buyer paid
    QString orderLineItemId() const { return listingId + QLatin1Char('-') + transactionId; }
};

struct Rating {
    QString id;
    Kind kind = Positive;
    QString comment;
    qint64 dateMs = 0;
    QString giver;            // unmasked
    bool giverAbsent = false; // no userId at all
    bool buyerGave = true;    // the giver's role: BUYER, else SELLER
    QString listingId;
    qint64 score = 0; // the member's score after this rating
    // Served as they are in place of the kind and the date, when set: an
    // answer the client must cope with. An empty date text leaves the date out.
    QString kindText;
    std::optional<QString> dateText;
    // feedbackState, one of the names /admin/state takes (served unescaped):
    // listed, but WITHDRAWN or HIDDEN ones are out of the score.
    QString state = QStringLiteral("ENTERED");
    Responses responses;
    bool automated = false; // left by the marketplace itself: no reply to it
};

// A marketplace made from a seed (member names match without regard to
// letter case, as the marketplace's do): each member's ratings are computed on demand
// from (seed, member, position), newest first, so a member with a quarter of a
// million ratings costs no memory. Ratings added or withdrawn while running are
// kept apart.
class Marketplace {
public:
    Marketplace(quint64 seed, qint64 referenceMs);

    void setMember(const QString& name, qint64 count);
    bool hasMember(const QString& name) const;
    QStringList members() const;

    // Ratings now listed (added ones first, withdrawn ones left out).
    qint64 total(const QString& name) const;
    // Index 0 is the newest.
    Rating at(const QString& name, qint64 index) const;

    // New ratings dated nowMs, generated like the others; returns their ids.
    QStringList addGenerated(const QString& name, int count, qint64 nowMs);
    QString add(const QString& name, Rating rating);
    // The newest rating when id is empty. False when there is no such rating.
    bool withdraw(const QString& name, const QString& id);
    // Gives a listed rating another feedbackState. False when there is no
    // such rating.
    bool setState(const QString& name, const QString& id, const QString& state);

    // Counts by the rated member's role (0 seller, 1 buyer) and kind of the
    // ratings dated at or after sinceMs.
    struct Counts {
        qint64 byRole[2][3] = {};
    };
    Counts countsSince(const QString& name, qint64 sinceMs) const;

    // marketplaceWork.cpp: replies, automated ratings, sales awaiting a rating.
    // A listed rating by id, without walking the list.
    std::optional<Rating> byId(const QString& name, const QString& id) const;
    // Replaces what the member answered to a rating; false when there is no
    // such rating.
    bool setResponses(const QString& name, const QString& id, const Responses& responses);
    bool setAutomated(const QString& name, const QString& id);
    // count generated sales awaiting a rating by the member, paid nowMs and before.
    void addAwaiting(const QString& name, int count, bool asSeller, qint64 nowMs);
    // Newest paid first.
    std::vector<AwaitingItem> awaiting(const QString& name) const;
    // What leaving a rating for a line item found.
    enum class Leave { Left, AlreadyLeft, UnknownTransaction, UnknownListing };
    struct LeaveResult {
        Leave outcome;
        AwaitingItem item;
    };
    // Looks up the member's awaiting sale and why there is none.
    LeaveResult findAwaiting(const QString& name, const QString& listingId,
                             const QString& transactionId) const;
    // Takes the item off the list; returns the new rating's id.
    QString leave(const QString& name, const AwaitingItem& item);

private:
    struct Member {
        quint64 key = 0;
        qint64 generated = 0;
        qint64 gapMs = 0;
        std::vector<Rating> added; // oldest first
        std::set<qint64> withdrawnGenerated;
        std::set<QString> withdrawnAdded;
        std::map<QString, QString> states;            // by id, those not ENTERED
        mutable std::vector<qint64> scoreCheckpoints; // score after rating 256*k
        qint64 nextSerial = 0;
        std::map<QString, Responses> responses; // by rating id
        std::set<QString> automated;            // generated ratings, by id
        std::vector<AwaitingItem> awaiting;     // oldest first
        std::map<QString, QString> left;        // rating id by order line item id
        qint64 nextSale = 0;
    };

    // The rating with what was stored about it apart: state, responses.
    Rating decorated(const Member& m, Rating rating) const;

    Rating generate(const Member& m, qint64 index) const;
    Rating listed(const Member& m, qint64 index) const;
    // Whether the rating is in the score: not withdrawn or hidden.
    bool inScore(const Member& m, const QString& id) const;
    Kind kindAt(const Member& m, qint64 index) const;
    qint64 dateAt(const Member& m, qint64 index) const;
    qint64 scoreAt(const Member& m, qint64 index) const;
    qint64 baseScore(const Member& m) const;
    quint64 hash(const Member& m, qint64 index, quint64 salt) const;

    const Member* find(const QString& name) const;
    Member* find(const QString& name);

    quint64 m_seed;
    qint64 m_referenceMs;
    std::map<QString, Member> m_members;
};

// The masked form of a buyer's name as an application token sees it: "t***r".
QString maskName(const QString& name);

} // namespace marktsim
