#pragma once

#include "app/settings.h"

#include <optional>
#include <QByteArray>
#include <QNetworkRequest>
#include <QString>

namespace retrieval {

// Which access token a source asks for: an application token reads any
// member's ratings, a user token (from a refresh token) one's own unmasked.
enum class TokenKind { Application, User };

// The kind a request about a member's entries needs: the user token for the
// signed-in member's own, when there is one; the rating summary and other
// members always take the application token, as the marketplace demands.
TokenKind tokenKindFor(const app::Settings& settings, const QString& member);

// The access tokens of one kind for one marketplace and client. Tokens are
// kept per process for their lifetime: the marketplace allows only so many
// token requests a day.
class TokenSource {
public:
    TokenSource() = default;
    TokenSource(TokenKind kind, const QString& base, const app::MarktplatzSettings& settings);

    // A token still valid, if one is kept.
    std::optional<QString> cached() const;
    // The request for a new token: its address and headers, and the form to post.
    QNetworkRequest request() const;
    QByteArray form() const;
    // Keeps the token of a 200 answer, renewed marginS before it runs out (at
    // most a tenth of its life); nothing when the answer is not a token.
    std::optional<QString> accept(const QByteArray& body, int marginS);
    // The marketplace refused the kept token.
    void forget();

    static void clearCache();

private:
    QString key() const;

    TokenKind m_kind = TokenKind::Application;
    QString m_base;
    QString m_clientId;
    QString m_clientSecret;
    QString m_refreshToken;
};

} // namespace retrieval
