#include "server.h"

#include "replies.h"

#include <QHostAddress>
#include <QRandomGenerator>
#include <QTcpServer>

namespace marktsim {
namespace {

// What the marketplace serves outside /admin/, by path, and the category
// faults and counters know each endpoint by.
struct Endpoint {
    const char* path;
    const char* category;
};
constexpr Endpoint kEndpoints[] = {
    {"/identity/v1/oauth2/token", "token"},
    {"/commerce/feedback/v1/feedback", "entries"},
    {"/commerce/feedback/v1/feedback_rating_summary", "summary"},
};

QString categoryOf(const QString& path) {
    for (const Endpoint& e : kEndpoints)
        if (path == QLatin1String(e.path))
            return QString::fromLatin1(e.category);
    return {};
}

// The answer a fault puts in place of the endpoint's; nullopt when the
// endpoint answers itself, with the fault applied later or not at all.
std::optional<Response> injected(const Fault& fault, const QString& category) {
    // The token endpoint speaks OAuth, the others the API's error envelope.
    const bool oauth = category == QLatin1String("token");
    switch (fault.kind) {
    case FaultKind::Unauthorized:
        if (!oauth)
            return invalidToken();
        return Response{401,
                        oauthError(QStringLiteral("invalid_client"),
                                   QStringLiteral("client authentication failed")),
                        {}};
    case FaultKind::Status: {
        Response response{
            fault.status,
            oauth ? oauthError(fault.status == 500 ? QStringLiteral("server_error")
                                                   : QStringLiteral("temporarily_unavailable"),
                               QStringLiteral("Injected fault"))
                  : json(errorEnvelope(
                        fault.status == 429 ? 2001 : 10001, QStringLiteral("Injected fault"),
                        QStringLiteral("API_FEEDBACK"), QStringLiteral("APPLICATION"))),
            {}};
        if (fault.retryAfterS >= 0)
            response.headers.append({"Retry-After", QByteArray::number(fault.retryAfterS)});
        return response;
    }
    case FaultKind::Malformed:
        return Response{
            200, "{\"feedbackEntries\": [{\"feedbackId\": \"1\", \"commentType\": ", {}};
    case FaultKind::Sparse:
        if (category != QLatin1String("entries"))
            return std::nullopt;
        // Every field of an entry may be absent.
        return Response{
            200,
            "{\"feedbackEntries\":[{\"feedbackId\":\"nur-id\"},{},{\"commentType\":"
            "\"NEUTRAL\",\"feedbackEnteredDate\":\"gestern\",\"providerUserDetail\":"
            "{\"role\":\"SELLER\"},\"orderLineItemSummary\":{\"listingId\":\"4711\"}}]}",
            {}};
    case FaultKind::WrongShape:
        return Response{
            200, "{\"feedbackEntries\": \"kaputt\", \"pagination\": {\"total\": \"viele\"}}", {}};
    default:
        return std::nullopt;
    }
}

} // namespace

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
    if (request.path.startsWith(QLatin1String("/admin/"))) {
        deliver(socket, admin(request), nullptr);
        return;
    }
    m_stats["requests"] += 1;
    const QString category = categoryOf(request.path);
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
    const Fault* applied = fault ? &*fault : nullptr;
    std::optional<Response> response = applied ? injected(*applied, category) : std::nullopt;
    if (!response)
        response = category == QLatin1String("token")     ? token(request)
                   : category == QLatin1String("entries") ? entries(request, applied)
                                                          : summary(request);
    if (response->status == 401)
        m_stats["unauthorized"] += 1;
    deliver(socket, *response, applied);
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
    QStringList scopes = scope.split(u' ', Qt::SkipEmptyParts);
    const auto invalidScope = [&refuse] {
        return refuse(400, QStringLiteral("invalid_scope"),
                      QStringLiteral("The requested scope is invalid"));
    };
    if (grant == QLatin1String("client_credentials")) {
        if (!scope.contains(QLatin1String("commerce.feedback")))
            return invalidScope();
    } else if (grant == QLatin1String("refresh_token")) {
        const QString refresh = form.queryItemValue("refresh_token", QUrl::FullyDecoded);
        if (m_options.refreshToken.isEmpty() || refresh != m_options.refreshToken)
            return refuse(400, QStringLiteral("invalid_grant"),
                          QStringLiteral("the provided authorization refresh token is invalid"));
        // A user grant gives the scopes the member agreed to, never more.
        const QStringList granted{kFeedbackScope, kIdentityScope};
        if (scopes.isEmpty())
            scopes = granted;
        for (const QString& s : std::as_const(scopes))
            if (!granted.contains(s))
                return invalidScope();
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
    m_tokens.insert(token, {m_running.elapsed() + m_options.tokenLifetimeS * 1000, member, scopes});
    return {200,
            json(QJsonObject{{"access_token", token},
                             {"expires_in", m_options.tokenLifetimeS},
                             {"token_type", member.isEmpty()
                                                ? QStringLiteral("Application Access Token")
                                                : QStringLiteral("User Access Token")}}),
            // RFC 6749 5.1: an answer holding a token is never cached.
            {{"Cache-Control", "no-store"}, {"Pragma", "no-cache"}}};
}

std::variant<QString, Response> Server::authorise(const Request& request,
                                                  const QStringList& scopes) {
    const QByteArray header = request.headers.value("authorization");
    if (!header.startsWith("Bearer "))
        return invalidToken();
    const auto it = m_tokens.constFind(QString::fromUtf8(header.mid(7)));
    if (it == m_tokens.constEnd() || it->expiresMs <= m_running.elapsed())
        return invalidToken();
    for (const QString& s : scopes)
        if (it->scopes.contains(s))
            return it->member;
    m_stats["denied"] += 1;
    return accessDenied();
}

} // namespace marktsim
