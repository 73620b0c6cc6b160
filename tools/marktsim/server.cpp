#include "server.h"

#include "replies.h"

#include <QDateTime>
#include <QHostAddress>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QTcpServer>

namespace marktsim {

Server::Server(Marketplace* market, const ServerOptions& options, qint64 referenceMs,
               QObject* parent)
    : QObject(parent), m_market(market), m_options(options), m_referenceMs(referenceMs),
      m_server(new QTcpServer(this)) {
    m_running.start();
    connect(m_server, &QTcpServer::newConnection, this, &Server::onNewConnection);
}

Server::~Server() = default;

bool Server::listen(quint16 port) {
    return m_server->listen(QHostAddress::LocalHost, port);
}

quint16 Server::port() const {
    return m_server->serverPort();
}

qint64 Server::nowMs() const {
    return m_referenceMs + m_running.elapsed();
}

std::optional<Fault> Server::takeFault(const QString& category) {
    for (auto it = m_faults.begin(); it != m_faults.end(); ++it) {
        const bool matches = it->on == QLatin1String("any") || it->on == category ||
                             (it->on == QLatin1String("api") && category != QLatin1String("token"));
        if (!matches)
            continue;
        if (it->after > 0) {
            --it->after;
            return std::nullopt;
        }
        Fault fault = *it;
        if (--it->count <= 0)
            m_faults.erase(it);
        m_stats["faults"] += 1;
        return fault;
    }
    return std::nullopt;
}

void Server::handle(QTcpSocket* socket, const Request& request) {
    QString category;
    if (request.path == QLatin1String("/identity/v1/oauth2/token"))
        category = QStringLiteral("token");
    else if (request.path == QLatin1String("/commerce/feedback/v1/feedback"))
        category = QStringLiteral("entries");
    else if (request.path == QLatin1String("/commerce/feedback/v1/feedback_rating_summary"))
        category = QStringLiteral("summary");
    else if (request.path.startsWith(QLatin1String("/admin/"))) {
        deliver(socket, admin(request), nullptr);
        return;
    }
    m_stats["requests"] += 1;
    if (category.isEmpty()) {
        deliver(socket,
                {404,
                 json(errorEnvelope(2002, QStringLiteral("Resource not found"),
                                    QStringLiteral("API_FEEDBACK"))),
                 {}},
                nullptr);
        return;
    }
    m_stats[category] += 1;

    const std::optional<Fault> fault = takeFault(category);
    // The token endpoint speaks OAuth, the others the API's error envelope.
    const bool oauth = category == QLatin1String("token");
    Response response;
    if (fault && fault->kind == FaultKind::Unauthorized) {
        response = {401,
                    oauth ? oauthError(QStringLiteral("invalid_client"),
                                       QStringLiteral("client authentication failed"))
                          : json(errorEnvelope(1001, QStringLiteral("Invalid access token"),
                                               QStringLiteral("OAuth"))),
                    {}};
    } else if (fault && fault->kind == FaultKind::Status) {
        response = {
            fault->status,
            oauth ? oauthError(fault->status == 500 ? QStringLiteral("server_error")
                                                    : QStringLiteral("temporarily_unavailable"),
                               QStringLiteral("Injected fault"))
                  : json(errorEnvelope(
                        fault->status == 429 ? 2001 : 10001, QStringLiteral("Injected fault"),
                        QStringLiteral("API_FEEDBACK"), QStringLiteral("APPLICATION"))),
            {}};
        if (fault->retryAfterS >= 0)
            response.headers.append({"Retry-After", QByteArray::number(fault->retryAfterS)});
    } else if (fault && fault->kind == FaultKind::Malformed) {
        response = {200, "{\"feedbackEntries\": [{\"feedbackId\": \"1\", \"commentType\": ", {}};
    } else if (fault && fault->kind == FaultKind::Sparse && category == QLatin1String("entries")) {
        // Every field of an entry may be absent.
        response = {200,
                    "{\"feedbackEntries\":[{\"feedbackId\":\"nur-id\"},{},{\"commentType\":"
                    "\"NEUTRAL\",\"feedbackEnteredDate\":\"gestern\",\"providerUserDetail\":"
                    "{\"role\":\"SELLER\"},\"orderLineItemSummary\":{\"listingId\":\"4711\"}}]}",
                    {}};
    } else if (fault && fault->kind == FaultKind::WrongShape) {
        response = {
            200, "{\"feedbackEntries\": \"kaputt\", \"pagination\": {\"total\": \"viele\"}}", {}};
    } else if (category == QLatin1String("token")) {
        response = token(request);
    } else if (category == QLatin1String("entries")) {
        response = entries(request, fault ? &*fault : nullptr);
    } else {
        response = summary(request);
    }
    if (response.status == 401)
        m_stats["unauthorized"] += 1;
    deliver(socket, response, fault ? &*fault : nullptr);
}

Response Server::token(const Request& request) {
    auto refuse = [](int status, const QString& error, const QString& description) {
        return Response{status, oauthError(error, description), {}};
    };
    if (request.method != "POST")
        return refuse(400, QStringLiteral("invalid_request"), QStringLiteral("POST only"));
    const QByteArray expected =
        "Basic " +
        (m_options.clientId + QLatin1Char(':') + m_options.clientSecret).toUtf8().toBase64();
    if (request.headers.value("authorization") != expected)
        return refuse(401, QStringLiteral("invalid_client"),
                      QStringLiteral("client authentication failed"));
    if (!request.headers.value("content-type").startsWith("application/x-www-form-urlencoded"))
        return refuse(400, QStringLiteral("invalid_request"),
                      QStringLiteral("request is missing a required parameter"));
    QUrlQuery form(QString::fromUtf8(request.body).replace(u'+', u' '));
    const QString grant = form.queryItemValue("grant_type", QUrl::FullyDecoded);
    const QString scope = form.queryItemValue("scope", QUrl::FullyDecoded);
    QString member;
    if (grant == QLatin1String("client_credentials")) {
        if (!scope.contains(QLatin1String("commerce.feedback")))
            return refuse(400, QStringLiteral("invalid_scope"),
                          QStringLiteral("The requested scope is invalid"));
    } else if (grant == QLatin1String("refresh_token")) {
        const QString refresh = form.queryItemValue("refresh_token", QUrl::FullyDecoded);
        if (m_options.refreshToken.isEmpty() || refresh != m_options.refreshToken)
            return refuse(400, QStringLiteral("invalid_grant"),
                          QStringLiteral("the provided authorization refresh token is invalid"));
        member = m_options.refreshTokenMember;
    } else {
        return refuse(400, QStringLiteral("unsupported_grant_type"),
                      QStringLiteral("grant type in request is not supported"));
    }
    // The real tokens hold ^ and #; so do ours.
    const QString token = QStringLiteral("v^1.1#i^1#p^%1#r^0#I^3#t^%2")
                              .arg(member.isEmpty() ? 1 : 3)
                              .arg(QString::number(++m_tokenSerial) + QLatin1Char('#') +
                                   QString::number(QRandomGenerator::global()->generate64(), 36));
    m_tokens.insert(token, {m_running.elapsed() + m_options.tokenLifetimeS * 1000, member});
    return {200,
            json(QJsonObject{{"access_token", token},
                             {"expires_in", m_options.tokenLifetimeS},
                             {"token_type", member.isEmpty()
                                                ? QStringLiteral("Application Access Token")
                                                : QStringLiteral("User Access Token")}}),
            // RFC 6749 5.1: an answer holding a token is never cached.
            {{"Cache-Control", "no-store"}, {"Pragma", "no-cache"}}};
}

std::optional<QString> Server::authorise(const Request& request) {
    const QByteArray header = request.headers.value("authorization");
    if (!header.startsWith("Bearer "))
        return std::nullopt;
    const auto it = m_tokens.constFind(QString::fromUtf8(header.mid(7)));
    if (it == m_tokens.constEnd() || it->expiresMs <= m_running.elapsed())
        return std::nullopt;
    return it->member;
}

// A rating withdrawn (no longer listed) or given another state (listed).
Response Server::changeRating(const QString& what, const QUrlQuery& q, const QString& user) {
    if (what == QLatin1String("withdraw")) {
        const bool withdrawn = m_market->withdraw(user, q.queryItemValue("id"));
        return {200, json({{"withdrawn", withdrawn}, {"total", m_market->total(user)}}), {}};
    }
    const QString state = q.queryItemValue("state");
    if (!QStringList{"ENTERED", "WITHDRAWN", "HIDDEN", "REVISED"}.contains(state))
        return {400, json(QJsonObject{{"error", QStringLiteral("unknown state")}}), {}};
    return {200, json({{"changed", m_market->setState(user, q.queryItemValue("id"), state)}}), {}};
}

Response Server::admin(const Request& request) {
    const QUrlQuery& q = request.query;
    const QString user = q.queryItemValue("user", QUrl::FullyDecoded);
    auto ok = [](const QJsonObject& o) { return Response{200, json(o), {}}; };
    auto fail = [](const QString& message) {
        return Response{400, json(QJsonObject{{"error", message}}), {}};
    };
    const QString what = request.path.mid(7);
    if (what == QLatin1String("stats")) {
        QJsonObject o;
        for (auto it = m_stats.cbegin(); it != m_stats.cend(); ++it)
            o.insert(it.key(), it.value());
        o.insert("nowMs", nowMs());
        return ok(o);
    }
    if (request.method != "POST")
        return fail(QStringLiteral("POST only"));
    if (what == QLatin1String("member")) {
        m_market->setMember(user, q.queryItemValue("count").toLongLong());
        return ok({{"member", user}, {"total", m_market->total(user)}});
    }
    if (what == QLatin1String("add")) {
        if (!m_market->hasMember(user))
            return fail(QStringLiteral("unknown member"));
        if (request.body.trimmed().isEmpty()) {
            const QStringList ids = m_market->addGenerated(
                user, std::max(1, q.queryItemValue("count").toInt()), nowMs());
            return ok({{"ids", QJsonArray::fromStringList(ids)}, {"total", m_market->total(user)}});
        }
        const QJsonObject o = QJsonDocument::fromJson(request.body).object();
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
        const QDateTime when = QDateTime::fromString(o.value("date").toString(), Qt::ISODateWithMs);
        r.dateMs = when.isValid() ? when.toMSecsSinceEpoch() : nowMs();
        // A date that is no date, or none at all, is served as such.
        if (o.contains("date") && !when.isValid())
            r.dateText = o.value("date").toString();
        const QString id = m_market->add(user, r);
        return ok({{"ids", QJsonArray{id}}, {"total", m_market->total(user)}});
    }
    if (what == QLatin1String("withdraw") || what == QLatin1String("state"))
        return changeRating(what, q, user);
    if (what == QLatin1String("fault")) {
        Fault f;
        f.on = q.queryItemValue("on").isEmpty() ? f.on : q.queryItemValue("on");
        const std::optional<FaultKind> kind = faultKindFromName(q.queryItemValue("kind"));
        if (!kind)
            return fail(QStringLiteral("unknown fault kind"));
        f.kind = *kind;
        auto number = [&](const char* name, int fallback) {
            return q.hasQueryItem(name) ? q.queryItemValue(name).toInt() : fallback;
        };
        f.count = number("count", 1);
        f.after = number("after", 0);
        f.status = number("status", 500);
        f.retryAfterS = number("retryAfter", -1);
        f.ms = number("ms", 0);
        f.bytes = number("bytes", 64);
        f.n = number("n", 1);
        addFault(f);
        return ok({{"faults", qint64(m_faults.size())}});
    }
    if (what == QLatin1String("clear")) {
        m_faults.clear();
        m_stats.clear();
        return ok({});
    }
    if (what == QLatin1String("expire-tokens")) {
        m_tokens.clear();
        return ok({});
    }
    return fail(QStringLiteral("unknown admin command"));
}

} // namespace marktsim
