#include "retrieval/tokenSource.h"

#include "retrieval/feedbackJson.h"

#include <QDeadlineTimer>
#include <QHash>
#include <QUrl>

namespace retrieval {

namespace {

constexpr char kTokenPath[] = "/identity/v1/oauth2/token";
constexpr char kAppScope[] = "https://api.ebay.com/oauth/api_scope/commerce.feedback.readonly";
constexpr char kUserScope[] = "https://api.ebay.com/oauth/api_scope/commerce.feedback";

struct CachedToken {
    QString token;
    QDeadlineTimer validUntil; // monotonic: a wall-clock jump does not stretch a token
};

QHash<QString, CachedToken>& cache() {
    static QHash<QString, CachedToken> tokens;
    return tokens;
}

QString enc(const QString& value) {
    return QString::fromLatin1(QUrl::toPercentEncoding(value));
}

} // namespace

TokenKind tokenKindFor(const app::Settings& settings, const QString& member) {
    // Member names are case-insensitive at the marketplace.
    const bool own = member.compare(settings.username, Qt::CaseInsensitive) == 0;
    return own && !settings.marktplatz.refreshToken.isEmpty() ? TokenKind::User
                                                              : TokenKind::Application;
}

TokenSource::TokenSource(TokenKind kind, const QString& base,
                         const app::MarktplatzSettings& settings)
    : m_kind(kind), m_base(base), m_clientId(settings.clientId),
      m_clientSecret(settings.clientSecret),
      m_refreshToken(kind == TokenKind::User ? settings.refreshToken : QString()) {}

QString TokenSource::key() const {
    return m_base + QLatin1Char('\n') + m_clientId + QLatin1Char('\n') + m_refreshToken;
}

std::optional<QString> TokenSource::cached() const {
    const auto found = cache().constFind(key());
    if (found == cache().constEnd() || found->validUntil.hasExpired())
        return std::nullopt;
    return found->token;
}

QNetworkRequest TokenSource::request() const {
    QNetworkRequest request(QUrl(m_base + QLatin1String(kTokenPath)));
    request.setHeader(QNetworkRequest::ContentTypeHeader,
                      QStringLiteral("application/x-www-form-urlencoded"));
    request.setRawHeader("Accept", "application/json");
    request.setRawHeader("Authorization",
                         "Basic " +
                             (m_clientId + QLatin1Char(':') + m_clientSecret).toUtf8().toBase64());
    return request;
}

QByteArray TokenSource::form() const {
    if (m_kind == TokenKind::Application)
        return (QStringLiteral("grant_type=client_credentials&scope=") + enc(kAppScope)).toUtf8();
    return (QStringLiteral("grant_type=refresh_token&refresh_token=") + enc(m_refreshToken) +
            QStringLiteral("&scope=") + enc(kUserScope))
        .toUtf8();
}

std::optional<QString> TokenSource::accept(const QByteArray& body, int marginS) {
    const auto token = feedbackJson::parseToken(body);
    if (!token)
        return std::nullopt;
    const qint64 margin = std::min<qint64>(marginS, std::max<qint64>(0, token->expiresIn / 10));
    cache().insert(key(), {token->accessToken, QDeadlineTimer((token->expiresIn - margin) * 1000)});
    return token->accessToken;
}

void TokenSource::forget() {
    cache().remove(key());
}

void TokenSource::clearCache() {
    cache().clear();
}

} // namespace retrieval
