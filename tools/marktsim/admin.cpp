// The admin interface under /admin/: members, ratings, faults and counters,
// for the tests and the demo.
#include "replies.h"
#include "server.h"

#include <algorithm>
#include <iterator>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>

namespace marktsim {
namespace {

Response ok(const QJsonObject& o) {
    return {200, json(o), {}};
}

Response fail(const QString& message) {
    return {400, json(QJsonObject{{"error", message}}), {}};
}

QString userOf(const Request& request) {
    return request.query.queryItemValue("user", QUrl::FullyDecoded);
}

// The rating an add command's JSON body describes.
Rating ratingFrom(const QJsonObject& o, qint64 nowMs) {
    Rating r;
    r.id = o.value("feedbackId").toString();
    const QString kind = o.value("commentType").toString("POSITIVE");
    r.kind = kind == QLatin1String("NEGATIVE")  ? Negative
             : kind == QLatin1String("NEUTRAL") ? Neutral
                                                : Positive;
    if (kind != kindName(r.kind))
        r.kindText = kind;
    r.comment = o.value("commentText").toString();
    r.giver = o.value("giver").toString();
    r.giverAbsent = !o.contains("giver");
    r.buyerGave = o.value("role").toString("BUYER") == QLatin1String("BUYER");
    r.listingId = o.value("listingId").toString();
    r.automated = o.value("automated").toBool();
    const QDateTime when = QDateTime::fromString(o.value("date").toString(), Qt::ISODateWithMs);
    r.dateMs = when.isValid() ? when.toMSecsSinceEpoch() : nowMs;
    // A date that is no date, or none at all, is served as such.
    if (o.contains("date") && !when.isValid())
        r.dateText = o.value("date").toString();
    return r;
}

// nullopt for a kind of fault there is none of.
std::optional<Fault> faultFrom(const QUrlQuery& q) {
    Fault f;
    f.on = q.queryItemValue("on").isEmpty() ? f.on : q.queryItemValue("on");
    const std::optional<FaultKind> kind = faultKindFromName(q.queryItemValue("kind"));
    if (!kind)
        return std::nullopt;
    f.kind = *kind;
    auto number = [&](const char* name, int fallback) {
        return q.hasQueryItem(name) ? q.queryItemValue(name).toInt() : fallback;
    };
    f.count = number("count", 1);
    f.after = number("after", 0);
    f.status = number("status", 500);
    f.retryAfterS = number("retryAfter", -1);
    f.ms = number("ms", 0);
    f.jitter = number("jitter", 0);
    f.bytes = number("bytes", 64);
    f.n = number("n", 1);
    f.offset = number("offset", -1);
    return f;
}

} // namespace

Response Server::admin(const Request& request) {
    struct Command {
        const char* name;
        Response (Server::*run)(const Request&);
        bool postOnly;
    };
    static const Command commands[] = {
        {"stats", &Server::adminStats, false},
        {"member", &Server::adminMember, true},
        {"add", &Server::adminAdd, true},
        {"withdraw", &Server::adminWithdraw, true},
        {"state", &Server::adminState, true},
        {"fault", &Server::adminFault, true},
        {"clear", &Server::adminClear, true},
        {"expire-tokens", &Server::adminExpireTokens, true},
        {"consent", &Server::adminConsent, true},
        {"revoke", &Server::adminRevoke, true},
        {"awaiting", &Server::adminAwaiting, true},
    };
    const QString what = request.path.mid(QStringLiteral("/admin/").size());
    const Command* command =
        std::find_if(std::begin(commands), std::end(commands),
                     [&](const Command& c) { return what == QLatin1String(c.name); });
    const bool known = command != std::end(commands);
    if ((!known || command->postOnly) && request.method != "POST")
        return fail(QStringLiteral("POST only"));
    if (!known)
        return fail(QStringLiteral("unknown admin command"));
    return (this->*command->run)(request);
}

Response Server::adminStats(const Request&) {
    QJsonObject o;
    for (auto it = m_stats.cbegin(); it != m_stats.cend(); ++it)
        o.insert(it.key(), it.value());
    o.insert("maxInFlight", m_maxInFlight);
    o.insert("nowMs", nowMs());
    return ok(o);
}

Response Server::adminMember(const Request& request) {
    const QString user = userOf(request);
    m_market->setMember(user, request.query.queryItemValue("count").toLongLong());
    return ok({{"member", user}, {"total", m_market->total(user)}});
}

Response Server::adminAdd(const Request& request) {
    const QString user = userOf(request);
    if (!m_market->hasMember(user))
        return fail(QStringLiteral("unknown member"));
    QJsonArray ids;
    if (request.body.trimmed().isEmpty())
        ids = QJsonArray::fromStringList(m_market->addGenerated(
            user, std::max(1, request.query.queryItemValue("count").toInt()), nowMs()));
    else
        ids = QJsonArray{m_market->add(
            user, ratingFrom(QJsonDocument::fromJson(request.body).object(), nowMs()))};
    return ok({{"ids", ids}, {"total", m_market->total(user)}});
}

// Withdrawn: no longer listed.
Response Server::adminWithdraw(const Request& request) {
    const QString user = userOf(request);
    const bool withdrawn = m_market->withdraw(user, request.query.queryItemValue("id"));
    return ok({{"withdrawn", withdrawn}, {"total", m_market->total(user)}});
}

// Another state: still listed.
Response Server::adminState(const Request& request) {
    const QString state = request.query.queryItemValue("state");
    if (!QStringList{"ENTERED", "WITHDRAWN", "HIDDEN", "REVISED"}.contains(state))
        return fail(QStringLiteral("unknown state"));
    return ok({{"changed",
                m_market->setState(userOf(request), request.query.queryItemValue("id"), state)}});
}

Response Server::adminFault(const Request& request) {
    const std::optional<Fault> fault = faultFrom(request.query);
    if (!fault)
        return fail(QStringLiteral("unknown fault kind"));
    addFault(*fault);
    return ok({{"faults", qint64(m_faults.size())}});
}

Response Server::adminClear(const Request&) {
    m_faults.clear();
    m_stats.clear();
    // Requests still in flight stay counted; only the peak starts anew.
    m_maxInFlight = m_inFlight;
    return ok({});
}

Response Server::adminExpireTokens(const Request&) {
    m_tokens.clear();
    return ok({});
}

// How the consent page answers from now on, and for whom it agrees.
Response Server::adminConsent(const Request& request) {
    static const QHash<QString, ConsentMode> modes{{QStringLiteral("manual"), ConsentMode::Manual},
                                                   {QStringLiteral("auto"), ConsentMode::Auto},
                                                   {QStringLiteral("deny"), ConsentMode::Deny}};
    const QString mode = request.query.queryItemValue("mode");
    if (!modes.contains(mode))
        return fail(QStringLiteral("mode: manual, auto or deny"));
    const QString member = request.query.queryItemValue("member", QUrl::FullyDecoded);
    if (!member.isEmpty() && !m_market->hasMember(member))
        return fail(QStringLiteral("unknown member"));
    m_consentMode = modes.value(mode);
    m_consentMember = member;
    return ok({{"mode", mode}, {"member", member}});
}

// The marketplace forgets every refresh token it gave (or a member's), as when
// a member withdraws an application's access.
Response Server::adminRevoke(const Request& request) {
    const QString member = request.query.queryItemValue("member", QUrl::FullyDecoded);
    qint64 revoked = 0;
    for (auto it = m_refreshTokens.begin(); it != m_refreshTokens.end();) {
        if (member.isEmpty() || it->member.compare(member, Qt::CaseInsensitive) == 0) {
            it = m_refreshTokens.erase(it);
            ++revoked;
        } else {
            ++it;
        }
    }
    return ok({{"revoked", revoked}});
}

// Sales (role SELLER, the default) or purchases awaiting the member's rating.
Response Server::adminAwaiting(const Request& request) {
    const QString user = userOf(request);
    const QString role = request.query.queryItemValue("role");
    if (!m_market->hasMember(user))
        return fail(QStringLiteral("unknown member"));
    if (!role.isEmpty() && role != QLatin1String("SELLER") && role != QLatin1String("BUYER"))
        return fail(QStringLiteral("role: SELLER or BUYER"));
    m_market->addAwaiting(user, std::max(1, request.query.queryItemValue("count").toInt()),
                          role != QLatin1String("BUYER"), nowMs());
    QJsonArray ids;
    for (const AwaitingItem& item : m_market->awaiting(user))
        ids.append(item.orderLineItemId());
    return ok({{"orderLineItemIds", ids}});
}

} // namespace marktsim
