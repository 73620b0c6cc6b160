#include "replies.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace marktsim {

QByteArray json(const QJsonObject& object) {
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QJsonObject errorEnvelope(int errorId, const QString& message, const QString& domain,
                          const QString& category) {
    QJsonObject error{
        {"errorId", errorId}, {"domain", domain}, {"category", category}, {"message", message}};
    return QJsonObject{{"errors", QJsonArray{error}}};
}

Response invalidToken() {
    return {
        401,
        json(errorEnvelope(1001, QStringLiteral("Invalid access token"), QStringLiteral("OAuth"))),
        {}};
}

Response accessDenied() {
    QJsonObject error{{"errorId", 1100},
                      {"domain", "ACCESS"},
                      {"category", "REQUEST"},
                      {"message", "Access denied"},
                      {"longMessage", "Insufficient permissions to fulfill the request."}};
    return {403, json(QJsonObject{{"errors", QJsonArray{error}}}), {}};
}

QByteArray oauthError(const QString& error, const QString& description) {
    return json(QJsonObject{{"error", error}, {"error_description", description}});
}

QString kindName(Kind kind) {
    return kind == Positive  ? QStringLiteral("POSITIVE")
           : kind == Neutral ? QStringLiteral("NEUTRAL")
                             : QStringLiteral("NEGATIVE");
}

} // namespace marktsim
