#include "server.h"

#include "replies.h"

#include <QHostAddress>
#include <QTcpServer>

namespace marktsim {
namespace {

// What the marketplace serves outside /admin/, by path, and the category
// faults and counters know each endpoint by.
struct Endpoint {
    const char* path;
    const char* category;
    const char* method = nullptr; // any, when not named
};
constexpr Endpoint kEndpoints[] = {
    {"/identity/v1/oauth2/token", "token"},
    {"/commerce/feedback/v1/feedback", "leave_feedback", "POST"},
    {"/commerce/feedback/v1/feedback", "entries"},
    {"/commerce/feedback/v1/respond_to_feedback", "respond_to_feedback", "POST"},
    {"/commerce/feedback/v1/awaiting_feedback", "awaiting_feedback", "GET"},
    {"/commerce/feedback/v1/feedback_rating_summary", "summary"},
    {"/oauth2/authorize", "authorize"},
    {"/oauth2/consent", "consent"},
    {"/oauth2/ThirdPartyAuthSucessFailure", "accept"},
    {"/commerce/identity/v1/user/", "identity"},
};

QString categoryOf(const Request& request) {
    for (const Endpoint& e : kEndpoints)
        if (request.path == QLatin1String(e.path) && (!e.method || request.method == e.method))
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
    if (!options.refreshToken.isEmpty())
        m_refreshTokens.insert(options.refreshToken, {options.refreshTokenMember,
                                                      {kFeedbackScope, kIdentityScope},
                                                      options.refreshTokenLifetimeS * 1000});
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

std::optional<Fault> Server::takeFault(const QString& category, const Request& request) {
    for (auto it = m_faults.begin(); it != m_faults.end(); ++it) {
        const bool matches = it->on == QLatin1String("any") || it->on == category ||
                             (it->on == QLatin1String("api") && category != QLatin1String("token"));
        const bool atOffset =
            it->offset < 0 ||
            (category == QLatin1String("entries") &&
             request.query.queryItemValue(QStringLiteral("offset")).toInt() == it->offset);
        if (!matches || !atOffset)
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

Response Server::answer(const QString& category, const Request& request, const Fault* fault) {
    using Handler = Response (Server::*)(const Request&);
    static const QHash<QString, Handler> handlers{
        {QStringLiteral("token"), &Server::token},
        {QStringLiteral("summary"), &Server::summary},
        {QStringLiteral("authorize"), &Server::authorize},
        {QStringLiteral("consent"), &Server::consent},
        {QStringLiteral("accept"), &Server::acceptPage},
        {QStringLiteral("identity"), &Server::identity},
        {QStringLiteral("respond_to_feedback"), &Server::respondToFeedback},
        {QStringLiteral("leave_feedback"), &Server::leaveFeedback},
        {QStringLiteral("awaiting_feedback"), &Server::awaitingFeedback},
    };
    if (category == QLatin1String("entries"))
        return entries(request, fault);
    return (this->*handlers.value(category))(request);
}

void Server::handle(QTcpSocket* socket, const Request& request) {
    if (request.path.startsWith(QLatin1String("/admin/"))) {
        deliver(socket, admin(request), nullptr);
        return;
    }
    m_stats["requests"] += 1;
    startInFlight(socket);
    const QString category = categoryOf(request);
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
    const std::optional<Fault> fault = takeFault(category, request);
    const Fault* applied = fault ? &*fault : nullptr;
    std::optional<Response> response = applied ? injected(*applied, category) : std::nullopt;
    if (!response)
        response = answer(category, request, applied);
    if (response->status == 401)
        m_stats["unauthorized"] += 1;
    deliver(socket, *response, applied);
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
