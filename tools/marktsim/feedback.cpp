// The feedback endpoints: a member's entries page by page, and the rating
// summary.
#include "replies.h"
#include "server.h"

#include <cmath>
#include <cstdio>
#include <QDateTime>
#include <QJsonArray>
#include <variant>

namespace marktsim {
namespace {

constexpr qint64 kDayMs = 24LL * 3600 * 1000;
const QString kDomain = QStringLiteral("API_FEEDBACK");

Response badRequest(int errorId, const QString& message) {
    return {400, json(errorEnvelope(errorId, message, kDomain)), {}};
}

bool parseWhole(const QString& text, qint64& value) {
    bool ok = false;
    value = text.toLongLong(&ok);
    return ok;
}

void appendJsonString(QByteArray& out, const QString& text) {
    out += '"';
    for (const char c : text.toUtf8()) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20)
                out += "\\u00" + QByteArray::number(int(c), 16).rightJustified(2, '0');
            else
                out += c;
        }
    }
    out += '"';
}

// "2026-03-02T14:05:11.000Z", or without the milliseconds.
QByteArray isoDate(qint64 ms, bool withMs) {
    const QDateTime when = QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC);
    const QDate d = when.date();
    const QTime t = when.time();
    char buffer[40];
    if (withMs)
        std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", d.year(),
                      d.month(), d.day(), t.hour(), t.minute(), t.second(), t.msec());
    else
        std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02dT%02d:%02d:%02dZ", d.year(), d.month(),
                      d.day(), t.hour(), t.minute(), t.second());
    return buffer;
}

struct EntriesQuery {
    QString user;
    QString type; // FEEDBACK_RECEIVED or FEEDBACK_SENT
    qint64 limit = 25;
    qint64 offset = 0;
    int only = -1;      // the one Kind asked for, or -1 for all
    QString feedbackId; // one rating by id; the filter then no longer applies
};

// The query's own checks, in the marketplace's order; the member is checked after them.
std::variant<EntriesQuery, Response> parseEntriesQuery(const QUrlQuery& q) {
    EntriesQuery query;
    query.user = q.queryItemValue("user_id", QUrl::FullyDecoded);
    if (query.user.isEmpty())
        return badRequest(501000, QStringLiteral("The 'user_id' value is missing or invalid."));
    query.type = q.queryItemValue("feedback_type");
    if (query.type != QLatin1String("FEEDBACK_RECEIVED") &&
        query.type != QLatin1String("FEEDBACK_SENT"))
        return badRequest(501001,
                          QStringLiteral("The 'feedback_type' value is missing or invalid."));
    if (q.hasQueryItem("sort") && q.queryItemValue("sort") != QLatin1String("TIME"))
        return badRequest(501035, QStringLiteral("The 'sort' value is invalid."));
    if (q.hasQueryItem("limit") && (!parseWhole(q.queryItemValue("limit"), query.limit) ||
                                    query.limit < 25 || query.limit > 200))
        return badRequest(501002, QStringLiteral("The 'limit' value must be from 25 to 200."));
    if (q.hasQueryItem("offset") &&
        (!parseWhole(q.queryItemValue("offset"), query.offset) || query.offset < 0))
        return badRequest(501002, QStringLiteral("The 'offset' value is invalid."));
    query.feedbackId = q.queryItemValue("feedback_id", QUrl::FullyDecoded);
    if (q.hasQueryItem("filter") && query.feedbackId.isEmpty()) {
        const QString filter = q.queryItemValue("filter", QUrl::FullyDecoded);
        const QStringList names{"commentType:POSITIVE", "commentType:NEUTRAL",
                                "commentType:NEGATIVE"};
        query.only = int(names.indexOf(filter));
        if (query.only < 0)
            return badRequest(501036, QStringLiteral("The 'commentType' value is invalid."));
    }
    return query;
}

// A reply or follow-up: its text, state and how long ago it was left, in
// the contract's steps.
void appendRemark(QByteArray& out, const char* name, const Remark& remark, qint64 nowMs) {
    const qint64 days = (nowMs - remark.dateMs) / kDayMs;
    const QByteArray period = days < 30    ? "\"DAY\",\"value\":30"
                              : days < 90  ? "\"DAY\",\"value\":90"
                              : days < 180 ? "\"DAY\",\"value\":180"
                              : days < 365 ? "\"DAY\",\"value\":365"
                                           : "\"YEAR\",\"value\":5";
    out += QByteArray(",\"") + name + "\":{\"commentText\":";
    appendJsonString(out, remark.text);
    out += ",\"state\":\"ENTERED\",\"commentPeriod\":{\"unit\":" + period + "}}";
}

void appendResponses(QByteArray& out, const Rating& r, qint64 nowMs) {
    const Responses& answered = r.responses;
    if (answered.reply)
        appendRemark(out, "replyComment", *answered.reply, nowMs);
    if (answered.followup)
        appendRemark(out, "followupComment", *answered.followup, nowMs);
    if (answered.reply && answered.followup)
        out += answered.reply->dateMs <= answered.followup->dateMs
                   ? ",\"repliedBeforeFollowup\":true"
                   : ",\"repliedBeforeFollowup\":false";
    if (r.automated)
        out += ",\"automatedFeedback\":true";
}

// One entry as JSON, written by hand: pages are the simulator's hot path.
// unmasked: the token is the member's own, so givers and listings show.
void appendEntry(QByteArray& out, const Rating& r, bool unmasked, bool badUtf8, qint64 nowMs) {
    out += "{\"feedbackId\":";
    appendJsonString(out, r.id);
    out += ",\"commentType\":";
    appendJsonString(out, r.kindText.isEmpty() ? kindName(r.kind) : r.kindText);
    out += ",\"feedbackComment\":{\"commentText\":";
    if (badUtf8) {
        // One byte that is no UTF-8 in the comment.
        QByteArray text;
        appendJsonString(text, r.comment);
        out += text.left(1) + '\xff' + text.mid(1);
    } else {
        appendJsonString(out, r.comment);
    }
    out += '}';
    if (!r.dateText) {
        out += ",\"feedbackEnteredDate\":\"" + isoDate(r.dateMs, r.dateMs % 5 != 0) + '"';
    } else if (!r.dateText->isEmpty()) {
        out += ",\"feedbackEnteredDate\":";
        appendJsonString(out, *r.dateText);
    }
    out += ",\"feedbackScore\":" + QByteArray::number(r.score) + ",\"feedbackState\":\"" +
           r.state.toLatin1() + "\",\"providerUserDetail\":{\"role\":\"" +
           (r.buyerGave ? "BUYER" : "SELLER") + '"';
    if (!r.giverAbsent) {
        out += ",\"userId\":";
        appendJsonString(out, r.buyerGave && !unmasked && !r.giver.isEmpty() ? maskName(r.giver)
                                                                             : r.giver);
    }
    out += '}';
    if (unmasked) {
        out += ",\"orderLineItemSummary\":{\"listingId\":";
        appendJsonString(out, r.listingId);
        out += '}';
    }
    appendResponses(out, r, nowMs);
    out += '}';
}

// Passes the page's ratings to add; returns how many the query matches in all.
template <class Add>
qint64 listPage(const Marketplace& market, const EntriesQuery& q, const Add& add) {
    if (!q.feedbackId.isEmpty()) {
        const std::optional<Rating> one = market.byId(q.user, q.feedbackId);
        if (one && q.offset == 0)
            add(*one);
        return one ? 1 : 0;
    }
    const qint64 all = market.total(q.user);
    if (q.only < 0) {
        for (qint64 i = q.offset; i < std::min(all, q.offset + q.limit); ++i)
            add(market.at(q.user, i));
        return all;
    }
    qint64 total = 0;
    for (qint64 i = 0; i < all; ++i) {
        const Rating r = market.at(q.user, i);
        if (r.kind != q.only)
            continue;
        if (total >= q.offset && total < q.offset + q.limit)
            add(r);
        ++total;
    }
    return total;
}

QJsonObject pagination(const EntriesQuery& q, qint64 total, qint64 count) {
    const QString base = QStringLiteral("/commerce/feedback/v1/feedback?user_id=%1&feedback_type=%2"
                                        "&sort=TIME&limit=%3&offset=")
                             .arg(QString::fromLatin1(QUrl::toPercentEncoding(q.user)), q.type)
                             .arg(q.limit);
    QJsonObject page{{"total", total}, {"count", count}, {"limit", q.limit}, {"offset", q.offset}};
    if (q.offset + q.limit < total)
        page.insert("next", base + QString::number(q.offset + q.limit));
    if (q.offset > 0)
        page.insert("prev", base + QString::number(std::max<qint64>(0, q.offset - q.limit)));
    return page;
}

// The summary of one role (0 seller, 1 buyer) from its counts by kind.
QJsonObject roleSummary(int role, const qint64* c, qint64 days) {
    QJsonArray metrics{QJsonObject{{"metricName", "COUNT"}, {"metricValue", c[0] + c[1] + c[2]}}};
    if (c[0] + c[2] > 0)
        metrics.append(QJsonObject{
            {"metricName", "POSITIVE_PERCENT_EXCLUDING_NEUTRAL_FEEDBACK"},
            {"metricValue", std::round(1000.0 * double(c[0]) / double(c[0] + c[2])) / 10.0}});
    return QJsonObject{
        {"userRoleType", role == 0 ? "SELLER" : "BUYER"},
        {"period", QJsonObject{{"unit", "DAY"}, {"value", days}}},
        {"feedbackMetrics", metrics},
        {"feedbackRatingValueDistribution",
         QJsonArray{QJsonObject{{"value", "POSITIVE"}, {"count", c[0]}},
                    QJsonObject{{"value", "NEUTRAL"}, {"count", c[1]}},
                    QJsonObject{{"value", "NEGATIVE"}, {"count", c[2]}}}},
    };
}

} // namespace

Response Server::entries(const Request& request, const Fault* fault) {
    const auto access = authorise(request, {kFeedbackScope, kReadonlyScope});
    if (const Response* refusal = std::get_if<Response>(&access))
        return *refusal;
    const QString& member = std::get<QString>(access);
    const auto parsed = parseEntriesQuery(request.query);
    if (const Response* refusal = std::get_if<Response>(&parsed))
        return *refusal;
    const EntriesQuery& q = std::get<EntriesQuery>(parsed);
    if (!m_market->hasMember(q.user))
        return badRequest(501000, QStringLiteral("The 'user_id' value is missing or invalid."));
    if (q.type == QLatin1String("FEEDBACK_SENT"))
        return badRequest(501039, QStringLiteral("No feedback found."));

    const auto kindIs = [fault](FaultKind kind) { return fault && fault->kind == kind; };
    // Ratings that arrive just before this answer.
    if (kindIs(FaultKind::Arrive))
        m_market->addGenerated(q.user, std::max(1, fault->n), nowMs());
    const bool unmasked = !member.isEmpty() && member.compare(q.user, Qt::CaseInsensitive) == 0;
    QByteArray list;
    list.reserve(int(q.limit) * 600);
    qint64 count = 0;
    qint64 total = listPage(*m_market, q, [&](const Rating& r) {
        if (count > 0)
            list += ',';
        appendEntry(list, r, unmasked, kindIs(FaultKind::BadUtf8) && count == 0, nowMs());
        ++count;
    });
    if (kindIs(FaultKind::Overcount))
        total += fault->n;
    if (total == 0)
        return badRequest(501039, QStringLiteral("No feedback found."));
    return {200,
            "{\"feedbackEntries\":[" + list +
                "],\"pagination\":" + json(pagination(q, total, count)) + '}',
            {}};
}

Response Server::summary(const Request& request) {
    // Only the application token's read-only scope may ask for the summary.
    const auto access = authorise(request, {kReadonlyScope});
    if (const Response* refusal = std::get_if<Response>(&access))
        return *refusal;
    // The contract lists no error of its own for a missing user_id here.
    const QString user = request.query.queryItemValue("user_id", QUrl::FullyDecoded);
    if (user.isEmpty())
        return badRequest(501002, QStringLiteral("The 'user_id' value is missing."));
    const QStringList filter =
        request.query.queryItemValue("filter", QUrl::FullyDecoded).split(u',');
    if (!filter.contains(QStringLiteral("ratingType:OVERALL_EXPERIENCE")))
        return badRequest(501022, QStringLiteral("The 'ratingType' value is missing or invalid."));
    qint64 days = -1;
    for (const QString& part : filter)
        if (part.startsWith(m_options.summaryPeriodKey + QLatin1Char(':')))
            parseWhole(part.mid(m_options.summaryPeriodKey.size() + 1), days);
    if (days < 1 || days > 3650)
        return badRequest(501037, QStringLiteral("The period value is missing or invalid."));
    if (!m_market->hasMember(user))
        return {404,
                json(errorEnvelope(501023, QStringLiteral("The user was not found."), kDomain,
                                   QStringLiteral("APPLICATION"))),
                {}};
    const Marketplace::Counts counts = m_market->countsSince(user, nowMs() - days * kDayMs);
    QJsonArray roles;
    for (int role = 0; role < 2; ++role)
        if (const qint64* c = counts.byRole[role]; c[0] + c[1] + c[2] > 0)
            roles.append(roleSummary(role, c, days));
    return {200,
            json(QJsonObject{{"feedbackRatingSummary",
                              QJsonArray{QJsonObject{{"ratingType", "OVERALL_EXPERIENCE"},
                                                     {"ratingSummaryByRatingType", roles}}}}}),
            {}};
}

} // namespace marktsim
