#include "store/replyStoring.h"

#include "base/dateText.h"
#include "errors/runtimeError.h"
#include "store/batch.h"
#include "store/dataAccess.h"
#include "store/modData.h"
#include "store/ratingState.h"

namespace store {

namespace {

// The partial unique index serves only lookups that exclude the empty id.
constexpr char kByIdSql[] =
    "SELECT Bewertungszahl, Datum, Ebayuser, Bewertungstext, ifnull(Antwort, '') "
    "FROM Bewertungeneigen WHERE Usereigen = ?1 AND FeedbackID = ?2 AND FeedbackID <> ''";
constexpr char kStoreSql[] = "UPDATE Bewertungeneigen SET Antwort = ?3, AntwortZustand = ?4 "
                             "WHERE Usereigen = ?1 AND FeedbackID = ?2 AND FeedbackID <> ''";

} // namespace

std::optional<ReplyTarget> ownRating(const QString& member, const QString& feedbackId) {
    if (feedbackId.trimmed().isEmpty())
        return std::nullopt;
    Connection& c = openConnection();
    auto q = c.cached(kByIdSql);
    q->bind(1, member).bind(2, feedbackId);
    if (!q->next())
        return std::nullopt;
    ReplyTarget target;
    target.id = feedbackId;
    target.kind = q->isNull(0) ? qint16(0) : qint16(q->int64(0));
    target.date = q->isNull(1) ? QString() : base::shownDate(q->text(1));
    target.giver = q->text(2);
    target.comment = q->text(3);
    target.reply = q->text(4);
    return target;
}

QString storeReply(const QString& member, const QString& feedbackId, const RatingReply& reply) {
    auto batch = modData::beginBatch();
    int changed = 0;
    try {
        Connection& c = writeConnection();
        auto q = c.cached(kStoreSql);
        q->bind(1, member).bind(2, feedbackId).bind(3, reply.text);
        bindState(*q, 4, reply.state);
        runWrite(c, *q);
        changed = c.changes();
    } catch (const errors::RuntimeError& e) {
        batch.rollback();
        return e.description();
    }
    if (changed != 1) {
        batch.rollback();
        return QStringLiteral("Die Bewertung %1 ist nicht gespeichert.").arg(feedbackId);
    }
    return batch.commit() ? QString() : batch.fault();
}

} // namespace store
