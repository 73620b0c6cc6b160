// The member's sales (and purchases) whose partner has not been rated yet,
// page by page.
#include "replies.h"
#include "server.h"

#include <algorithm>
#include <limits>
#include <QJsonArray>

namespace marktsim {
namespace {

const QString kDomain = QStringLiteral("API_FEEDBACK");

struct AwaitingQuery {
    int role = -1; // 1 as seller, 0 as buyer, -1 both
    QString listingId;
    QString receiver;
    bool oldestFirst = false;
    qint64 limit = 25;
    qint64 offset = 0;
    QString filter; // as asked, for the page links
};

Response badRequest(int errorId, const QString& message) {
    return {400, json(errorEnvelope(errorId, message, kDomain)), {}};
}

// The contract names no error for limit and offset here: they are held to
// their range instead.
qint64 clamped(const QUrlQuery& q, const char* name, qint64 fallback, qint64 low, qint64 high) {
    bool ok = false;
    const qint64 value = q.queryItemValue(name).toLongLong(&ok);
    return ok ? std::clamp(value, low, high) : fallback;
}

std::variant<AwaitingQuery, Response> parseAwaiting(const QUrlQuery& q) {
    AwaitingQuery query;
    query.filter = q.queryItemValue("filter", QUrl::FullyDecoded);
    for (const QString& part : query.filter.split(u',', Qt::SkipEmptyParts)) {
        const QString name = part.section(u':', 0, 0).trimmed();
        const QString value = part.section(u':', 1).trimmed();
        if (name == QLatin1String("userRole")) {
            if (value != QLatin1String("SELLER") && value != QLatin1String("BUYER"))
                return badRequest(501025, QStringLiteral("Input user role value is invalid."));
            query.role = value == QLatin1String("SELLER") ? 1 : 0;
        } else if (name == QLatin1String("listingId")) {
            query.listingId = value;
        } else if (name == QLatin1String("receiverName")) {
            query.receiver = value;
        }
    }
    const QString sort = q.queryItemValue("sort");
    if (!sort.isEmpty() && sort != QLatin1String("END_TIME_DESC") &&
        sort != QLatin1String("END_TIME_ASC"))
        return badRequest(501024, QStringLiteral("Input sort value is invalid."));
    query.oldestFirst = sort == QLatin1String("END_TIME_ASC");
    query.limit = clamped(q, "limit", 25, 25, 200);
    query.offset = clamped(q, "offset", 0, 0, std::numeric_limits<int>::max());
    return query;
}

bool matches(const AwaitingQuery& q, const AwaitingItem& item) {
    return (q.role < 0 || q.role == int(item.asSeller)) &&
           (q.listingId.isEmpty() || q.listingId == item.listingId) &&
           (q.receiver.isEmpty() || q.receiver.compare(item.partner, Qt::CaseInsensitive) == 0);
}

QJsonObject choice(const char* value, const char* label, bool enabled) {
    return {{"value", value}, {"valueLabel", label}, {"enabled", enabled}};
}

// What the member may give: a seller only a positive rating for a buyer,
// with a comment.
QJsonArray templatesFor(const AwaitingItem& item) {
    const bool all = !item.asSeller;
    return QJsonArray{
        QJsonObject{{"ratingKey", "OVERALL_EXPERIENCE"},
                    {"ratingLabel", "Rate this transaction"},
                    {"ratingValueType", "PREDEFINED"},
                    {"required", true},
                    {"enabled", true},
                    {"multiValueRating", false},
                    {"defaultValue", "POSITIVE"},
                    {"acceptableValues", QJsonArray{choice("POSITIVE", "Positive", true),
                                                    choice("NEUTRAL", "Neutral", all),
                                                    choice("NEGATIVE", "Negative", all)}}},
        QJsonObject{{"ratingKey", "OVERALL_EXPERIENCE_COMMENT"},
                    {"ratingLabel", "Tell us more"},
                    {"ratingValueType", "FREETEXT"},
                    {"required", true},
                    {"enabled", true},
                    {"multiValueRating", false},
                    {"maximumCharactersAllowed", 500}},
    };
}

QJsonObject lineItem(const AwaitingItem& item) {
    return {{"listingId", item.listingId},
            {"listingTitle", item.title},
            {"transactionId", item.transactionId},
            {"orderLineItemId", item.orderLineItemId()},
            {"listingPrice",
             QJsonObject{{"currency", "EUR"}, {"value", double(item.priceCents) / 100.0}}},
            {"ratingTemplates", templatesFor(item)}};
}

QJsonObject pagination(const AwaitingQuery& q, qint64 total, qint64 count) {
    QUrlQuery link;
    if (!q.filter.isEmpty())
        link.addQueryItem("filter", q.filter);
    link.addQueryItem("sort", q.oldestFirst ? "END_TIME_ASC" : "END_TIME_DESC");
    link.addQueryItem("limit", QString::number(q.limit));
    const auto at = [&](qint64 offset) {
        QUrlQuery page = link;
        page.addQueryItem("offset", QString::number(offset));
        return QStringLiteral("/commerce/feedback/v1/awaiting_feedback?") + page.query();
    };
    QJsonObject page{{"total", total}, {"count", count}, {"limit", q.limit}, {"offset", q.offset}};
    if (q.offset + q.limit < total)
        page.insert("next", at(q.offset + q.limit));
    if (q.offset > 0)
        page.insert("prev", at(std::max<qint64>(0, q.offset - q.limit)));
    return page;
}

} // namespace

Response Server::awaitingFeedback(const Request& request) {
    const auto access = memberAccess(request);
    if (const Response* refused = std::get_if<Response>(&access))
        return *refused;
    const auto parsed = parseAwaiting(request.query);
    if (const Response* refused = std::get_if<Response>(&parsed))
        return *refused;
    const AwaitingQuery& q = std::get<AwaitingQuery>(parsed);
    std::vector<AwaitingItem> items = m_market->awaiting(std::get<QString>(access));
    qint64 asSeller = 0;
    for (const AwaitingItem& item : items)
        asSeller += item.asSeller;
    const qint64 asBuyer = qint64(items.size()) - asSeller;
    std::erase_if(items, [&](const AwaitingItem& item) { return !matches(q, item); });
    if (q.oldestFirst)
        std::reverse(items.begin(), items.end());
    QJsonArray page;
    const qint64 total = qint64(items.size());
    for (qint64 i = q.offset; i < std::min(total, q.offset + q.limit); ++i)
        page.append(lineItem(items[size_t(i)]));
    return {200,
            json(QJsonObject{{"itemsAwaitingFeedbackCount",
                              QJsonObject{{"asBuyer", asBuyer}, {"asSeller", asSeller}}},
                             {"lineItems", page},
                             {"pagination", pagination(q, total, qint64(page.size()))}}),
            {}};
}

} // namespace marktsim
