#include "retrieval/signIn.h"

#include "retrieval/feedbackJson.h"
#include "retrieval/marketplaceRules.h"
#include "retrieval/marktplatzHttp.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkProxy>
#include <QRandomGenerator>
#include <QUrlQuery>

namespace retrieval {

namespace {

constexpr char kTokenPath[] = "/identity/v1/oauth2/token";
constexpr char kIdentityPath[] = "/commerce/identity/v1/user/";

QString enc(const QString& value) {
    return QString::fromLatin1(QUrl::toPercentEncoding(value));
}

SignInError error(SignInFailure failure, const QString& detail = {}) {
    switch (failure) {
    case SignInFailure::NoKeys:
        return {failure, QStringLiteral("Für die Anmeldung bei eBay fehlen Schlüssel der "
                                        "Anwendung: %1. Bitte tragen Sie sie in %2 oder unter "
                                        "„Erweitert“ ein.")
                             .arg(detail, QStringLiteral("/etc/notenschau/anwendung.ini"))};
    case SignInFailure::BadPaste:
        return {failure, QStringLiteral("Bitte fügen Sie die ganze Adresse der Seite ein, auf der "
                                        "eBay Sie nach der Zustimmung abgesetzt hat (sie enthält "
                                        "„code=“), oder nur den Code.")};
    case SignInFailure::Refused:
        return {failure, QStringLiteral("Sie haben Notenschau den Zugriff auf Ihr eBay-Konto "
                                        "nicht erlaubt. Es wurde nichts geändert.")};
    case SignInFailure::WrongState:
        return {failure, QStringLiteral("Die eingefügte Adresse gehört zu einer anderen "
                                        "Anmeldung. Bitte melden Sie sich noch einmal an und "
                                        "fügen Sie die neue Adresse ein.")};
    case SignInFailure::CodeUnusable:
        return {failure, QStringLiteral("Der Code ist abgelaufen oder wurde schon verwendet: Er "
                                        "gilt nur etwa 5 Minuten und nur einmal. Bitte melden "
                                        "Sie sich noch einmal an.")};
    case SignInFailure::WrongRuName:
        return {failure, QStringLiteral("eBay kennt die Anwendung unter einem anderen RuName. "
                                        "Bitte prüfen Sie den RuName in den Schlüsseln der "
                                        "Anwendung.")};
    case SignInFailure::NoConnection:
        return {failure, QStringLiteral("eBay ist nicht erreichbar (%1). Bitte prüfen Sie die "
                                        "Internetverbindung und melden Sie sich noch einmal an.")
                             .arg(detail)};
    case SignInFailure::Failed:
        break;
    }
    return {failure, QStringLiteral("Die Anmeldung bei eBay ist fehlgeschlagen: %1.").arg(detail)};
}

// A code as the accept page's address carries it, or as it is after decoding.
bool plausibleCode(const QString& code) {
    if (code.isEmpty() || code.size() > 2048)
        return false;
    for (const QChar c : code)
        if (c.isSpace() || c.unicode() < 0x21 || c.unicode() > 0x7e)
            return false;
    return true;
}

} // namespace

QString userGrantScopes() {
    return QStringLiteral("https://api.ebay.com/oauth/api_scope/commerce.feedback "
                          "https://api.ebay.com/oauth/api_scope/commerce.identity.readonly");
}

QString newSignInState() {
    quint32 words[6];
    QRandomGenerator::system()->fillRange(words);
    return QString::fromLatin1(
        QByteArray(reinterpret_cast<const char*>(words), sizeof words)
            .toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
}

QString signInExpiryNotice(const app::MarktplatzSettings& settings, const QDate& today) {
    const QDate until = QDate::fromString(settings.anmeldungBis, Qt::ISODate);
    if (!until.isValid() || today.daysTo(until) > 30)
        return {};
    const QString date = until.toString(QStringLiteral("dd.MM.yyyy"));
    if (until < today)
        return QStringLiteral("Ihre Anmeldung bei eBay ist am %1 abgelaufen. Bitte melden Sie "
                              "sich neu an.")
            .arg(date);
    return QStringLiteral("Ihre Anmeldung bei eBay läuft am %1 ab. Bitte melden Sie sich neu an.")
        .arg(date);
}

QUrl consentUrl(const app::MarktplatzSettings& settings, const QString& state) {
    QString base = settings.anmeldeUrl.trimmed();
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    QUrl url(base + QStringLiteral("/oauth2/authorize"));
    // Every value percent-encoded, the scopes' ':' and '/' included.
    url.setQuery(
        QStringLiteral("client_id=%1&redirect_uri=%2&response_type=code&scope=%3"
                       "&state=%4&locale=de-DE")
            .arg(enc(settings.clientId), enc(settings.ruName), enc(userGrantScopes()), enc(state)),
        QUrl::StrictMode);
    return url;
}

std::variant<QString, SignInError> codeFromPaste(const QString& pasted, const QString& state) {
    const QString text = pasted.trimmed();
    const qsizetype question = text.indexOf(QLatin1Char('?'));
    const bool address = question >= 0 || text.contains(QLatin1String("code=")) ||
                         text.contains(QLatin1String("isAuthSuccessful="));
    if (!address) {
        const QString code = QUrl::fromPercentEncoding(text.toLatin1());
        if (!plausibleCode(text) || !plausibleCode(code))
            return error(SignInFailure::BadPaste);
        return code;
    }
    const QUrlQuery q(question >= 0 ? text.mid(question + 1) : text);
    if (q.queryItemValue(QStringLiteral("isAuthSuccessful")) == QLatin1String("false") ||
        q.hasQueryItem(QStringLiteral("error")))
        return error(SignInFailure::Refused);
    if (q.hasQueryItem(QStringLiteral("state")) &&
        q.queryItemValue(QStringLiteral("state"), QUrl::FullyDecoded) != state)
        return error(SignInFailure::WrongState);
    const QString code = q.queryItemValue(QStringLiteral("code"), QUrl::FullyDecoded);
    if (!plausibleCode(code))
        return error(SignInFailure::BadPaste);
    return code;
}

SignInExchange::SignInExchange(const app::MarktplatzSettings& settings, QObject* parent)
    : QObject(parent), m_settings(settings) {
    HttpTiming timing;
    // A code works once: an attempt whose answer got lost has used it up.
    timing.retryWaitsMs.clear();
    m_http = std::make_unique<HttpExchange>(&m_nam, timing);
}

SignInExchange::~SignInExchange() = default;

void SignInExchange::fail(SignInFailure failure, const QString& text) {
    const Done done = std::move(m_done);
    m_done = {};
    if (done)
        done(error(failure, text));
}

void SignInExchange::start(const QString& code, Done done) {
    m_done = std::move(done);
    QStringList missing;
    if (m_settings.clientId.isEmpty())
        missing << QStringLiteral("ClientId");
    if (m_settings.clientSecret.isEmpty())
        missing << QStringLiteral("ClientSecret");
    if (m_settings.ruName.isEmpty())
        missing << QStringLiteral("RuName");
    const auto api = endpointOf(m_settings.apiUrl);
    if (!missing.isEmpty() || !api) {
        const QString what = api ? missing.join(QStringLiteral(", ")) : QStringLiteral("ApiUrl");
        QMetaObject::invokeMethod(
            this, [this, what] { fail(SignInFailure::NoKeys, what); }, Qt::QueuedConnection);
        return;
    }
    if (api->loopback)
        m_nam.setProxy(QNetworkProxy(QNetworkProxy::NoProxy));
    QNetworkRequest request(QUrl(api->base + QLatin1String(kTokenPath)));
    request.setHeader(QNetworkRequest::ContentTypeHeader,
                      QStringLiteral("application/x-www-form-urlencoded"));
    request.setRawHeader("Accept", "application/json");
    request.setRawHeader(
        "Authorization",
        "Basic " +
            (m_settings.clientId + QLatin1Char(':') + m_settings.clientSecret).toUtf8().toBase64());
    const QByteArray form = (QStringLiteral("grant_type=authorization_code&code=") + enc(code) +
                             QStringLiteral("&redirect_uri=") + enc(m_settings.ruName))
                                .toUtf8();
    m_http->start(request, form, [this](const HttpResult& result) {
        if (!result.ok)
            return fail(SignInFailure::NoConnection, result.description);
        const feedbackJson::ErrorAnswer refusal = feedbackJson::parseError(result.body);
        if (result.status != 200) {
            if (refusal.oauthError == QLatin1String("invalid_grant"))
                return fail(SignInFailure::CodeUnusable, {});
            if (refusal.oauthError == QLatin1String("invalid_request") &&
                refusal.message.contains(QLatin1String("redirect"), Qt::CaseInsensitive))
                return fail(SignInFailure::WrongRuName, {});
            if (refusal.oauthError == QLatin1String("invalid_client"))
                return fail(SignInFailure::Failed,
                            QStringLiteral("eBay nimmt ClientId und ClientSecret der Anwendung "
                                           "nicht an"));
            return fail(SignInFailure::Failed, QStringLiteral("HTTP-Status %1").arg(result.status));
        }
        const auto token = feedbackJson::parseToken(result.body);
        if (!token || token->refreshToken.isEmpty())
            return fail(SignInFailure::Failed,
                        QStringLiteral("die Antwort hat nicht das erwartete Format"));
        SignedIn signedIn;
        signedIn.accessToken = token->accessToken;
        signedIn.accessExpiresIn = token->expiresIn;
        signedIn.refreshToken = token->refreshToken;
        signedIn.refreshExpires = QDateTime::currentDateTimeUtc().addSecs(token->refreshExpiresIn);
        askIdentity(std::move(signedIn));
    });
}

void SignInExchange::askIdentity(SignedIn signedIn) {
    const auto identity = endpointOf(m_settings.identityUrl);
    if (!identity)
        return fail(SignInFailure::NoKeys, QStringLiteral("IdentityUrl"));
    QNetworkRequest request(QUrl(identity->base + QLatin1String(kIdentityPath)));
    request.setRawHeader("Authorization", "Bearer " + signedIn.accessToken.toUtf8());
    request.setRawHeader("Accept", "application/json");
    m_http->start(request, QByteArray(), [this, signedIn](const HttpResult& result) mutable {
        if (!result.ok)
            return fail(SignInFailure::NoConnection, result.description);
        const QJsonObject o = QJsonDocument::fromJson(result.body).object();
        signedIn.member = o.value(QStringLiteral("username")).toString().trimmed();
        if (result.status != 200 || signedIn.member.isEmpty())
            return fail(SignInFailure::Failed,
                        QStringLiteral("eBay nennt das angemeldete Mitglied nicht (HTTP-Status "
                                       "%1)")
                            .arg(result.status));
        const Done done = std::move(m_done);
        m_done = {};
        if (done)
            done(signedIn);
    });
}

} // namespace retrieval
