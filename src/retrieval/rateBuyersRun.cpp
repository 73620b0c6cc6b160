// Rating the buyers of one's sales, one request at a time, with a journal
// entry before and after each.
#include "errors/runtimeError.h"
#include "retrieval/buyerRating.h"
#include "store/buyerRatings.h"
#include "store/dataAccess.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMetaObject>
#include <QPointer>
#include <QUrlQuery>

namespace retrieval {

namespace {

using Result = ItemRating::Result;
using Entry = store::BuyerRatingEntry;

constexpr char kLeavePath[] = "/commerce/feedback/v1/feedback";
constexpr char kAwaitingPath[] = "/commerce/feedback/v1/awaiting_feedback";
constexpr int kAlreadyLeft = 501008;
constexpr int kCommentLimit = 500;

QString keyOf(const AwaitingItem& item) {
    return item.orderLineItemId.isEmpty() ? item.listingId + u'-' + item.transactionId
                                          : item.orderLineItemId;
}

QJsonObject leaveBody(const AwaitingItem& item, const QString& comment) {
    QJsonObject body{{"commentType", "POSITIVE"}, {"commentText", comment}};
    if (!item.orderLineItemId.isEmpty()) {
        body.insert("orderLineItemId", item.orderLineItemId);
    } else {
        body.insert("listingId", item.listingId);
        body.insert("transactionId", item.transactionId);
    }
    return body;
}

QString itemLine(const AwaitingItem& item, const QString& what) {
    return QStringLiteral("Artikel %1 (%2): %3").arg(item.listingId, item.title, what);
}

QString resultText(Result result, const QString& detail) {
    switch (result) {
    case Result::Rated:
        return QStringLiteral("Käufer positiv bewertet.");
    case Result::AlreadyRated:
        return QStringLiteral("Der Käufer war schon bewertet.");
    case Result::Skipped:
        return QStringLiteral("Schon früher bewertet, nichts gesendet.");
    case Result::Refused:
        return QStringLiteral("Vom Marktplatz abgelehnt: ") + detail;
    case Result::Failed:
        break;
    }
    return QStringLiteral("Nicht bewertet: ") + detail;
}

QString refusalDetail(const SellerAnswer& answer) {
    const QString words =
        answer.message.isEmpty() ? QStringLiteral("ohne Begründung") : answer.message;
    return answer.errorId != 0 ? QStringLiteral("%1 (Fehler %2)").arg(words).arg(answer.errorId)
                               : QStringLiteral("%1 (HTTP %2)").arg(words).arg(answer.status);
}

// Whether an answer of the awaiting list still holds the item.
bool listHolds(const QByteArray& body, const AwaitingItem& item) {
    const QJsonArray lines =
        QJsonDocument::fromJson(body).object().value(QLatin1String("lineItems")).toArray();
    for (const QJsonValue line : lines) {
        const QJsonObject o = line.toObject();
        if (o.value(QLatin1String("listingId")).toString() == item.listingId &&
            o.value(QLatin1String("transactionId")).toString() == item.transactionId)
            return true;
    }
    return false;
}

QString summaryOf(const RatingBatchOutcome& o, const QString& reason) {
    using Kind = RatingBatchOutcome::Kind;
    const QString rated = QStringLiteral("%1 Käufer positiv bewertet").arg(o.rated);
    switch (o.kind) {
    case Kind::Done:
        return rated + u'.';
    case Kind::SomeRefused:
        return QStringLiteral("%1, %2 vom Marktplatz abgelehnt.").arg(rated).arg(o.refused);
    case Kind::NotSignedIn:
        return notSignedInText();
    case Kind::Cancelled:
        return QStringLiteral("Abgebrochen: %1, die übrigen bleiben offen.").arg(rated);
    case Kind::Failed:
        break;
    }
    QString why = reason.trimmed();
    if (!why.isEmpty() && !why.endsWith(u'.'))
        why += u'.';
    return QStringLiteral("Die Bewertungen wurden unterbrochen. %1 Bisher %2; die übrigen "
                          "bleiben offen.")
        .arg(why, rated);
}

} // namespace

QString commentFor(const QString& vorlage, const AwaitingItem& item) {
    QString text = QString(vorlage)
                       .replace(QLatin1String("[#Titel#]"), item.title)
                       .replace(QLatin1String("[#Artikel#]"), item.listingId)
                       .simplified();
    const int limit =
        item.maxCharacters > 0 ? std::min(item.maxCharacters, kCommentLimit) : kCommentLimit;
    if (text.size() <= limit)
        return text;
    QString cut = text.left(limit);
    // Inside a word: back to the space before it, where there is one.
    if (text.at(limit) != u' ') {
        const qsizetype space = cut.lastIndexOf(u' ');
        if (space > 0)
            cut.truncate(space);
    }
    if (!cut.isEmpty() && cut.back().isHighSurrogate())
        cut.chop(1);
    return cut.trimmed();
}

struct RateBuyersRun::State {
    explicit State(const app::Settings& s) : settings(s), calls(s) {
        if (settings.bewertungsvorlagen.isEmpty())
            settings.bewertungsvorlagen = app::defaultBewertungsvorlagen();
    }
    app::Settings settings;
    SellerCalls calls;
    std::vector<AwaitingItem> items;
    CommentChoice choice;
    size_t next = 0;
    RatingBatchOutcome outcome;
    QString reason; // why a Failed batch stopped
    bool running = false;
    bool cancelled = false;
};

RateBuyersRun::RateBuyersRun(const app::Settings& settings, QObject* parent)
    : QObject(parent), m_state(std::make_unique<State>(settings)) {}

RateBuyersRun::~RateBuyersRun() = default;

void RateBuyersRun::start(const std::vector<AwaitingItem>& items, const CommentChoice& choice) {
    if (m_state->running)
        return;
    State& s = *m_state;
    s.items = items;
    s.choice = choice;
    s.next = 0;
    s.outcome = {};
    s.cancelled = false;
    s.running = true;
    if (s.settings.marktplatz.refreshToken.isEmpty())
        return later([this] { finish(RatingBatchOutcome::Kind::NotSignedIn); });
    const int count = int(s.settings.bewertungsvorlagen.size());
    if (choice.text.trimmed().isEmpty() && (choice.vorlage < 0 || choice.vorlage > count)) {
        s.reason = QStringLiteral("Eine Vorlage %1 gibt es nicht, es gibt %2.")
                       .arg(choice.vorlage)
                       .arg(count);
        return later([this] { finish(RatingBatchOutcome::Kind::Failed); });
    }
    later([this] { step(); });
}

void RateBuyersRun::cancel() {
    m_state->cancelled = true;
}

void RateBuyersRun::later(std::function<void()> what) {
    QMetaObject::invokeMethod(this, std::move(what), Qt::QueuedConnection);
}

QString RateBuyersRun::commentOf(const AwaitingItem& item) const {
    const State& s = *m_state;
    if (!s.choice.text.trimmed().isEmpty())
        return commentFor(s.choice.text, item);
    const QStringList& vorlagen = s.settings.bewertungsvorlagen;
    if (s.choice.vorlage > 0)
        return commentFor(vorlagen.at(s.choice.vorlage - 1), item);
    // In turn across runs: the journal counts every item ever sent.
    const qint64 sent = store::buyerRatingCount(store::openConnection(), s.settings.username);
    return commentFor(vorlagen.at(int(sent % vorlagen.size())), item);
}

void RateBuyersRun::step() {
    State& s = *m_state;
    if (!s.running)
        return;
    if (s.cancelled && s.next < s.items.size())
        return finish(RatingBatchOutcome::Kind::Cancelled);
    if (s.next >= s.items.size())
        return finish(s.outcome.refused > 0 ? RatingBatchOutcome::Kind::SomeRefused
                                            : RatingBatchOutcome::Kind::Done);
    const AwaitingItem& item = s.items[s.next];
    std::optional<Entry> entry;
    try {
        entry = store::buyerRating(store::openConnection(), keyOf(item));
    } catch (const errors::RuntimeError& e) {
        return storeFailed(e.description());
    }
    if (entry && entry->state == Entry::State::Done)
        return done({item, entry->comment, Result::Skipped, {}});
    if (entry && entry->state == Entry::State::Sent)
        return recheck(item, entry->comment);
    send(item, {});
}

// Sent before without an answer: rated, unless the marketplace still lists it.
void RateBuyersRun::recheck(const AwaitingItem& item, const QString& comment) {
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("filter"),
                       QStringLiteral("userRole:SELLER,listingId:") + item.listingId);
    QPointer<RateBuyersRun> self(this);
    m_state->calls.get(QLatin1String(kAwaitingPath), query.toString(QUrl::FullyEncoded),
                       [self, item, comment](const SellerAnswer& answer) {
                           if (!self || !self->m_state->running)
                               return;
                           if (answer.kind != SellerAnswer::Kind::Done)
                               return self->answered(item, comment, answer);
                           if (listHolds(answer.body, item))
                               return self->send(item, comment);
                           self->record(item, comment, true, QStringLiteral("nicht mehr offen"),
                                        Result::Skipped);
                       });
}

void RateBuyersRun::send(const AwaitingItem& item, QString comment) {
    try {
        if (comment.isEmpty())
            comment = commentOf(item);
        store::recordBuyerRating(store::openConnection(), {keyOf(item),
                                                           m_state->settings.username,
                                                           item.listingId,
                                                           item.title,
                                                           comment,
                                                           Entry::State::Sent,
                                                           {},
                                                           {}});
    } catch (const errors::RuntimeError& e) {
        return storeFailed(e.description());
    }
    QPointer<RateBuyersRun> self(this);
    m_state->calls.post(QLatin1String(kLeavePath), leaveBody(item, comment),
                        [self, item, comment](const SellerAnswer& answer) {
                            if (self && self->m_state->running)
                                self->answered(item, comment, answer);
                        });
}

void RateBuyersRun::answered(const AwaitingItem& item, const QString& comment,
                             const SellerAnswer& answer) {
    using Kind = SellerAnswer::Kind;
    if (answer.kind == Kind::Done)
        return record(item, comment, true, {}, Result::Rated);
    if (answer.kind == Kind::Refused && answer.status == 409 && answer.errorId == kAlreadyLeft)
        return record(item, comment, true, answer.message, Result::AlreadyRated);
    if (answer.kind == Kind::Refused)
        return record(item, comment, false, refusalDetail(answer), Result::Refused);
    // No answer: whether it arrived is unknown, so the entry stays 'gesendet'
    // and the next run asks the marketplace first.
    State& s = *m_state;
    s.outcome.items.push_back({item, comment, Result::Failed,
                               itemLine(item, resultText(Result::Failed, answer.message))});
    ++s.next;
    emit itemDone(s.outcome.items.back(), int(s.next), int(s.items.size()));
    s.reason = answer.message;
    finish(answer.kind == Kind::NotSignedIn ? RatingBatchOutcome::Kind::NotSignedIn
                                            : RatingBatchOutcome::Kind::Failed);
}

void RateBuyersRun::record(const AwaitingItem& item, const QString& comment, bool settled,
                           const QString& detail, ItemRating::Result result) {
    try {
        store::recordBuyerRating(store::openConnection(),
                                 {keyOf(item),
                                  m_state->settings.username,
                                  item.listingId,
                                  item.title,
                                  comment,
                                  settled ? Entry::State::Done : Entry::State::Refused,
                                  {},
                                  detail});
    } catch (const errors::RuntimeError& e) {
        return storeFailed(e.description());
    }
    done({item, comment, result, detail});
}

void RateBuyersRun::done(ItemRating rating) {
    State& s = *m_state;
    rating.message = itemLine(rating.item, resultText(rating.result, rating.message));
    if (rating.result == Result::Rated || rating.result == Result::AlreadyRated)
        ++s.outcome.rated;
    if (rating.result == Result::Refused)
        ++s.outcome.refused;
    s.outcome.items.push_back(std::move(rating));
    ++s.next;
    emit itemDone(s.outcome.items.back(), int(s.next), int(s.items.size()));
    later([this] { step(); });
}

void RateBuyersRun::storeFailed(const QString& description) {
    m_state->reason =
        QStringLiteral("Die Datenbank hat die Bewertung nicht vermerkt (%1).").arg(description);
    finish(RatingBatchOutcome::Kind::Failed);
}

void RateBuyersRun::finish(RatingBatchOutcome::Kind kind) {
    State& s = *m_state;
    if (!s.running)
        return;
    s.running = false;
    s.outcome.kind = kind;
    s.outcome.message = summaryOf(s.outcome, s.reason);
    emit finished(s.outcome);
}

} // namespace retrieval
