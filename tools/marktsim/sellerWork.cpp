// What a member writes through the interface: replies and follow-ups to the
// ratings received, and ratings for the partners of their sales.
#include "replies.h"
#include "server.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>

namespace marktsim {
namespace {

const QString kDomain = QStringLiteral("API_FEEDBACK");
constexpr qsizetype kMaxText = 500;

Response refusal(int status, int errorId, const QString& message,
                 const QString& category = QStringLiteral("REQUEST")) {
    return {status, json(errorEnvelope(errorId, message, kDomain, category)), {}};
}

QJsonObject bodyOf(const Request& request) {
    return QJsonDocument::fromJson(request.body).object();
}

// Why the marketplace refuses a text it was given (not empty), or 0: too
// long, personal data or markup, or words the community rules ban. A phone
// number starts with "+" or "0"; an item's number, which comments for buyers
// may well hold, does not.
int refusedText(const QString& text) {
    static const QRegularExpression personal(
        QStringLiteral(
            R"(https?://|www\.|[^\s@]+@[^\s@]+\.[a-z]{2,}|<[a-z/!]|(?:\+|\b0)\d[\d /-]{5,}\d)"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression banned(
        QStringLiteral(R"(\b(arschloch|scheiße|scheisse|idiot|betrüger|fuck)\b)"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::UseUnicodePropertiesOption);
    if (text.size() > kMaxText)
        return 501013;
    if (personal.match(text).hasMatch())
        return 501014;
    if (banned.match(text).hasMatch())
        return 501015;
    return 0;
}

Response textRefusal(int errorId) {
    switch (errorId) {
    case 501013:
        return refusal(
            400, errorId,
            QStringLiteral("Comment text is too long, maximum length is 500 characters."));
    case 501014:
        return refusal(400, errorId, QStringLiteral("Comment text value is invalid."));
    default:
        return refusal(400, errorId, QStringLiteral("Comment text contains profanity."));
    }
}

struct ResponseBody {
    QString feedbackId;
    QString recipient;
    QString text;
    bool reply = true; // else a follow-up
};

std::variant<ResponseBody, Response> parseResponse(const QJsonObject& o) {
    ResponseBody body{o.value("feedbackId").toString(), o.value("recipientUserId").toString(),
                      o.value("responseText").toString(), true};
    const QString type = o.value("responseType").toString();
    if (body.feedbackId.isEmpty())
        return refusal(400, 501026,
                       QStringLiteral("Feedback ID request parameter is required or is invalid."));
    if (type != QLatin1String("REPLY") && type != QLatin1String("FOLLOW_UP"))
        return refusal(400, 501027,
                       QStringLiteral("Response type request parameter is required or is "
                                      "invalid. Must be REPLY or FOLLOW_UP."));
    body.reply = type == QLatin1String("REPLY");
    if (body.recipient.isEmpty())
        return refusal(400, 501029,
                       QStringLiteral("Recipient user ID request parameter is required."));
    if (body.text.trimmed().isEmpty())
        return refusal(400, 501028, QStringLiteral("Response text request parameter is required."));
    if (const int refused = refusedText(body.text))
        return textRefusal(refused);
    return body;
}

struct LeaveBody {
    QString listingId;
    QString transactionId;
    QString type;
    QString text;
    bool sellerRatings = false;
    qsizetype images = 0;
};

std::variant<LeaveBody, Response> parseLeave(const QJsonObject& o) {
    LeaveBody body{o.value("listingId").toString(),
                   o.value("transactionId").toString(),
                   o.value("commentType").toString(),
                   o.value("commentText").toString(),
                   !o.value("sellerRatings").toArray().isEmpty(),
                   o.value("images").toArray().size()};
    // The line item's id is the listing's and the transaction's, joined by '-'.
    const QStringList lineItem = o.value("orderLineItemId").toString().split(u'-');
    if (lineItem.size() == 2 && body.listingId.isEmpty() && body.transactionId.isEmpty()) {
        body.listingId = lineItem[0];
        body.transactionId = lineItem[1];
    }
    if (body.listingId.isEmpty())
        return refusal(400, 501003, QStringLiteral("Listing id value is invalid."));
    if (body.transactionId.isEmpty())
        return refusal(400, 501004, QStringLiteral("Transaction id value is invalid."));
    if (!QStringList{"POSITIVE", "NEUTRAL", "NEGATIVE"}.contains(body.type))
        return refusal(400, 501006, QStringLiteral("Comment type value is invalid."));
    if (body.text.trimmed().isEmpty())
        return refusal(400, 501005, QStringLiteral("Comment text value is invalid."));
    if (const int refused = refusedText(body.text))
        return textRefusal(refused);
    if (body.images > 5)
        return refusal(400, 501034, QStringLiteral("Only 5 images can be attached to a feedback."));
    return body;
}

} // namespace

std::variant<QString, Response> Server::memberAccess(const Request& request) {
    auto access = authorise(request, {kFeedbackScope});
    if (const QString* member = std::get_if<QString>(&access); member && member->isEmpty()) {
        // An application token acts for no member.
        m_stats["denied"] += 1;
        return accessDenied();
    }
    return access;
}

Response Server::respondToFeedback(const Request& request) {
    const auto access = memberAccess(request);
    if (const Response* refused = std::get_if<Response>(&access))
        return *refused;
    const QString& member = std::get<QString>(access);
    const auto parsed = parseResponse(bodyOf(request));
    if (const Response* refused = std::get_if<Response>(&parsed))
        return *refused;
    const ResponseBody& body = std::get<ResponseBody>(parsed);
    const std::optional<Rating> rating = m_market->byId(member, body.feedbackId);
    if (!rating)
        return refusal(400, 501026,
                       QStringLiteral("Feedback ID request parameter is required or is invalid."));
    if (!rating->giver.isEmpty() && rating->giver.compare(body.recipient, Qt::CaseInsensitive) != 0)
        return refusal(400, 501029,
                       QStringLiteral("Recipient user ID request parameter is required."));
    if (rating->automated)
        return refusal(403, 501031, QStringLiteral("Reply not allowed for automated feedback."),
                       QStringLiteral("BUSINESS"));
    Responses responses = rating->responses;
    std::optional<Remark>& slot = body.reply ? responses.reply : responses.followup;
    if (slot)
        return body.reply ? refusal(409, 501032, QStringLiteral("Reply already left for feedback."),
                                    QStringLiteral("BUSINESS"))
                          : refusal(409, 501033,
                                    QStringLiteral("Follow up comment already left for feedback."),
                                    QStringLiteral("BUSINESS"));
    slot = Remark{body.text, nowMs()};
    m_market->setResponses(member, body.feedbackId, responses);
    return {200, "{}", {}};
}

Response Server::leaveFeedback(const Request& request) {
    const auto access = memberAccess(request);
    if (const Response* refused = std::get_if<Response>(&access))
        return *refused;
    const QString& member = std::get<QString>(access);
    const auto parsed = parseLeave(bodyOf(request));
    if (const Response* refused = std::get_if<Response>(&parsed))
        return *refused;
    const LeaveBody& body = std::get<LeaveBody>(parsed);
    const auto found = m_market->findAwaiting(member, body.listingId, body.transactionId);
    switch (found.outcome) {
    case Marketplace::Leave::AlreadyLeft:
        return refusal(409, 501008, QStringLiteral("Feedback already left for this listing."),
                       QStringLiteral("BUSINESS"));
    case Marketplace::Leave::UnknownTransaction:
        return refusal(400, 501004, QStringLiteral("Transaction id value is invalid."));
    case Marketplace::Leave::UnknownListing:
        return refusal(400, 501003, QStringLiteral("Listing id value is invalid."));
    case Marketplace::Leave::Left:
        break;
    }
    // A seller rates a buyer with a comment alone, and only positively.
    if (found.item.asSeller && body.sellerRatings)
        return refusal(400, 501017,
                       QStringLiteral("Seller ratings type is not supported for this provider "
                                      "role."));
    if (found.item.asSeller && body.type != QLatin1String("POSITIVE"))
        return refusal(409, 501020,
                       QStringLiteral("Seller cannot leave negative or neutral feedback."),
                       QStringLiteral("BUSINESS"));
    return {200, json(QJsonObject{{"feedbackId", m_market->leave(member, found.item)}}), {}};
}

} // namespace marktsim
