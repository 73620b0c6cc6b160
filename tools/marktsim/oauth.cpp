// The marketplace's OAuth side: the token endpoint with its three grants, the
// consent page a member signs in on, the accept page it lands on, and the
// identity interface that names the signed-in member.
#include "replies.h"
#include "server.h"

#include <QRandomGenerator>

namespace marktsim {
namespace {

constexpr char kAcceptPath[] = "/oauth2/ThirdPartyAuthSucessFailure";

Response refuse(int status, const QString& error, const QString& description) {
    return {status, oauthError(error, description), {}};
}

Response invalidScope() {
    return refuse(400, QStringLiteral("invalid_scope"),
                  QStringLiteral("The requested scope is invalid, unknown, malformed, or "
                                 "exceeds the scope granted to the client"));
}

// Random text in the alphabet of the real tokens and codes: ^ and # among
// them, so that whoever passes one on must encode it.
QString randomText(const char* prefix) {
    QString text = QString::fromLatin1(prefix);
    for (int i = 0; i < 4; ++i)
        text += QLatin1Char('#') + QString::number(QRandomGenerator::global()->generate64(), 36);
    return text;
}

// The scopes a member may grant an application; the read-only feedback scope
// is the application token's alone.
bool userScopes(const QStringList& scopes) {
    for (const QString& s : scopes)
        if (s != kFeedbackScope && s != kIdentityScope)
            return false;
    return !scopes.isEmpty();
}

QByteArray html(const QString& title, const QString& body) {
    return (QStringLiteral("<!DOCTYPE html>\n<html lang=\"de\"><head><meta charset=\"utf-8\">"
                           "<title>%1</title></head>\n<body>\n<h1>%1</h1>\n%2</body></html>\n")
                .arg(title.toHtmlEscaped(), body))
        .toUtf8();
}

Response page(const QString& title, const QString& body) {
    return {200, html(title, body), {{"Content-Type", "text/html; charset=utf-8"}}};
}

QString hidden(const QUrlQuery& q, const char* name) {
    return QStringLiteral("<input type=\"hidden\" name=\"%1\" value=\"%2\">\n")
        .arg(QLatin1String(name), q.queryItemValue(name, QUrl::FullyDecoded).toHtmlEscaped());
}

} // namespace

Response Server::token(const Request& request) {
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
    const QUrlQuery form(QString::fromUtf8(request.body).replace(u'+', u' '));
    const QString grant = form.queryItemValue("grant_type", QUrl::FullyDecoded);
    const QStringList scopes =
        form.queryItemValue("scope", QUrl::FullyDecoded).split(u' ', Qt::SkipEmptyParts);
    if (grant == QLatin1String("client_credentials")) {
        if (!scopes.join(u' ').contains(QLatin1String("commerce.feedback")))
            return invalidScope();
        return issueToken({}, scopes);
    }
    if (grant == QLatin1String("refresh_token"))
        return refreshGrant(form, scopes);
    if (grant == QLatin1String("authorization_code"))
        return codeGrant(form);
    return refuse(400, QStringLiteral("unsupported_grant_type"),
                  QStringLiteral("grant type in request is not supported"));
}

Response Server::refreshGrant(const QUrlQuery& form, const QStringList& scopes) {
    const auto it =
        m_refreshTokens.constFind(form.queryItemValue("refresh_token", QUrl::FullyDecoded));
    if (it == m_refreshTokens.constEnd() || it->expiresMs <= m_running.elapsed())
        return refuse(400, QStringLiteral("invalid_grant"),
                      QStringLiteral("the provided authorization refresh token is invalid or was "
                                     "issued to another client"));
    // A refresh gives the scopes the member agreed to, never more.
    for (const QString& s : scopes)
        if (!it->scopes.contains(s))
            return invalidScope();
    return issueToken(it->member, scopes.isEmpty() ? it->scopes : scopes);
}

Response Server::codeGrant(const QUrlQuery& form) {
    const QString code = form.queryItemValue("code", QUrl::FullyDecoded);
    if (code.isEmpty())
        return refuse(400, QStringLiteral("invalid_request"),
                      QStringLiteral("request is missing a required parameter or malformed."));
    if (form.queryItemValue("redirect_uri", QUrl::FullyDecoded) != m_options.ruName)
        return refuse(400, QStringLiteral("invalid_request"),
                      QStringLiteral("Input redirect URI is not matching the configured "
                                     "redirect URI"));
    // A code works once, whatever comes of it.
    const Grant grant = m_codes.take(code);
    if (grant.member.isEmpty() || grant.expiresMs <= m_running.elapsed())
        return refuse(400, QStringLiteral("invalid_grant"),
                      QStringLiteral("the provided authorization grant code is invalid or was "
                                     "issued to another client"));
    const QString refresh = randomText("v^1.1#i^1#r^1#f^0#I^3#p^3");
    const qint64 lifetimeS = m_options.refreshTokenLifetimeS;
    m_refreshTokens.insert(refresh,
                           {grant.member, grant.scopes, m_running.elapsed() + lifetimeS * 1000});
    m_stats["signins"] += 1;
    return issueToken(grant.member, grant.scopes,
                      {{"refresh_token", refresh}, {"refresh_token_expires_in", lifetimeS}});
}

Response Server::issueToken(const QString& member, const QStringList& scopes,
                            const QJsonObject& more) {
    const QString token = QStringLiteral("v^1.1#i^1#p^%1#r^0#I^3#t^%2")
                              .arg(member.isEmpty() ? 1 : 3)
                              .arg(QString::number(++m_tokenSerial) + QLatin1Char('#') +
                                   QString::number(QRandomGenerator::global()->generate64(), 36));
    m_tokens.insert(token, {m_running.elapsed() + m_options.tokenLifetimeS * 1000, member, scopes});
    QJsonObject answer{{"access_token", token},
                       {"expires_in", m_options.tokenLifetimeS},
                       {"token_type", member.isEmpty() ? QStringLiteral("Application Access Token")
                                                       : QStringLiteral("User Access Token")}};
    for (auto it = more.begin(); it != more.end(); ++it)
        answer.insert(it.key(), it.value());
    // RFC 6749 5.1: an answer holding a token is never cached.
    return {200, json(answer), {{"Cache-Control", "no-store"}, {"Pragma", "no-cache"}}};
}

Response Server::authorize(const Request& request) {
    const QUrlQuery& q = request.query;
    if (q.queryItemValue("client_id", QUrl::FullyDecoded) != m_options.clientId)
        return refuse(400, QStringLiteral("invalid_client"),
                      QStringLiteral("The OAuth client was not found."));
    if (q.queryItemValue("redirect_uri", QUrl::FullyDecoded) != m_options.ruName)
        return refuse(400, QStringLiteral("invalid_request"),
                      QStringLiteral("Input redirect URI is not matching the configured "
                                     "redirect URI"));
    if (q.queryItemValue("response_type") != QLatin1String("code"))
        return refuse(400, QStringLiteral("unsupported_response_type"),
                      QStringLiteral("The authorization server does not support obtaining an "
                                     "authorization code using this method."));
    if (!userScopes(q.queryItemValue("scope", QUrl::FullyDecoded).split(u' ', Qt::SkipEmptyParts)))
        return invalidScope();
    QString member = m_consentMember.isEmpty() ? m_options.refreshTokenMember : m_consentMember;
    if (member.isEmpty() && !m_market->members().isEmpty())
        member = m_market->members().first();
    if (m_consentMode != ConsentMode::Manual)
        return redirectToAccept(q, member, m_consentMode == ConsentMode::Auto);
    const QString form =
        QStringLiteral("<p>Notenschau möchte Ihre Bewertungen lesen und in Ihrem Namen "
                       "beantworten.</p>\n<form method=\"get\" action=\"/oauth2/consent\">\n") +
        hidden(q, "client_id") + hidden(q, "redirect_uri") + hidden(q, "scope") +
        hidden(q, "state") +
        QStringLiteral("<label>Mitglied <input name=\"member\" value=\"%1\"></label>\n"
                       "<button name=\"decision\" value=\"accept\">Zustimmen</button>\n"
                       "<button name=\"decision\" value=\"deny\">Ablehnen</button>\n</form>\n")
            .arg(member.toHtmlEscaped());
    return page(QStringLiteral("Bei eBay anmelden"), form);
}

Response Server::consent(const Request& request) {
    const QUrlQuery& q = request.query;
    const bool agreed = q.queryItemValue("decision") == QLatin1String("accept");
    const QString member = q.queryItemValue("member", QUrl::FullyDecoded).trimmed();
    if (agreed && !m_market->hasMember(member))
        return page(
            QStringLiteral("Bei eBay anmelden"),
            QStringLiteral("<p>Das Mitglied %1 gibt es nicht.</p>\n").arg(member.toHtmlEscaped()));
    return redirectToAccept(q, member, agreed);
}

Response Server::redirectToAccept(const QUrlQuery& asked, const QString& member, bool agreed) {
    QUrlQuery to;
    to.addQueryItem(QStringLiteral("isAuthSuccessful"),
                    agreed ? QStringLiteral("true") : QStringLiteral("false"));
    if (agreed) {
        const QString code = randomText("v^1.1#i^1#f^0#p^3#I^3#r^1");
        m_codes.insert(
            code,
            {member,
             asked.queryItemValue("scope", QUrl::FullyDecoded).split(u' ', Qt::SkipEmptyParts),
             m_running.elapsed() + m_options.codeLifetimeS * 1000});
        to.addQueryItem(QStringLiteral("code"), QString::fromLatin1(QUrl::toPercentEncoding(code)));
        to.addQueryItem(QStringLiteral("expires_in"), QString::number(m_options.codeLifetimeS));
    }
    if (asked.hasQueryItem(QStringLiteral("state")))
        to.addQueryItem(QStringLiteral("state"),
                        QString::fromLatin1(QUrl::toPercentEncoding(
                            asked.queryItemValue("state", QUrl::FullyDecoded))));
    const QByteArray location = "http://127.0.0.1:" + QByteArray::number(port()) + kAcceptPath +
                                '?' + to.query(QUrl::FullyEncoded).toLatin1();
    return {302, {}, {{"Location", location}}};
}

Response Server::acceptPage(const Request& request) {
    const bool agreed = request.query.queryItemValue("isAuthSuccessful") == QLatin1String("true");
    return agreed ? page(QStringLiteral("Anmeldung erfolgreich"),
                         QStringLiteral("<p>Kopieren Sie die Adresse dieser Seite in "
                                        "Notenschau.</p>\n"))
                  : page(QStringLiteral("Anmeldung abgelehnt"),
                         QStringLiteral("<p>Sie haben den Zugriff nicht erlaubt.</p>\n"));
}

Response Server::identity(const Request& request) {
    const auto access = authorise(request, {kIdentityScope});
    if (const Response* refusal = std::get_if<Response>(&access))
        return *refusal;
    const QString& member = std::get<QString>(access);
    return {200,
            json(QJsonObject{{"userId", QStringLiteral("u-") + member.toLower()},
                             {"username", member},
                             {"accountType", "INDIVIDUAL"}}),
            {}};
}

} // namespace marktsim
