#pragma once

#include "httpRequest.h"
#include "marketplace.h"

#include <QJsonObject>

// What the endpoints have in common in their answers.
namespace marktsim {

QByteArray json(const QJsonObject& object);

// The API's error envelope.
QJsonObject errorEnvelope(int errorId, const QString& message, const QString& domain,
                          const QString& category = QStringLiteral("REQUEST"));
// The API's answer to a missing, unknown or expired token.
Response invalidToken();
// The API's answer to a valid token without the scope the request needs.
Response accessDenied();

// The OAuth scopes of the feedback interface.
inline const QString kFeedbackScope =
    QStringLiteral("https://api.ebay.com/oauth/api_scope/commerce.feedback");
inline const QString kReadonlyScope =
    QStringLiteral("https://api.ebay.com/oauth/api_scope/commerce.feedback.readonly");
inline const QString kIdentityScope =
    QStringLiteral("https://api.ebay.com/oauth/api_scope/commerce.identity.readonly");

// RFC 6749 5.2: what the token endpoint answers instead of a token.
QByteArray oauthError(const QString& error, const QString& description);

// POSITIVE, NEUTRAL or NEGATIVE.
QString kindName(Kind kind);

} // namespace marktsim
