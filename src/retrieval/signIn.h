#pragma once

#include "app/settings.h"

#include <functional>
#include <memory>
#include <QDateTime>
#include <QNetworkAccessManager>
#include <QObject>
#include <QString>
#include <QUrl>
#include <variant>

namespace retrieval {

class HttpExchange;

// The scopes a member grants on the consent page, space-separated. Never the
// read-only feedback scope: that one is the application token's, and a
// member's grant refuses it.
QString userGrantScopes();

// At least 128 random bits as URL-safe text, new for every sign-in: the
// accept page's address must carry it back.
QString newSignInState();

// "Ihre Anmeldung bei eBay läuft am TT.MM.JJJJ ab. …" from 30 days before the
// sign-in runs out, "… ist am TT.MM.JJJJ abgelaufen. …" after; empty before
// then, and without a sign-in.
QString signInExpiryNotice(const app::MarktplatzSettings& settings, const QDate& today);

// The marketplace's consent page for this application.
QUrl consentUrl(const app::MarktplatzSettings& settings, const QString& state);

// Why a sign-in did not work out; each is said in its own words.
enum class SignInFailure {
    NoKeys,       // ClientId, ClientSecret or RuName missing
    BadPaste,     // neither the accept page's address nor a code
    Refused,      // the member did not agree on the consent page
    WrongState,   // the address belongs to another sign-in
    CodeUnusable, // expired or used already
    WrongRuName,  // the marketplace knows the application by another RuName
    NoConnection, // the marketplace could not be reached
    Failed,       // any other answer
};
struct SignInError {
    SignInFailure failure;
    QString text; // German, for the user
};

// What the user pasted: the accept page's whole address, or the code alone.
// The code comes URL-decoded. A state in the address must be ours.
std::variant<QString, SignInError> codeFromPaste(const QString& pasted, const QString& state);

// The member who signed in and the tokens the code was exchanged for.
struct SignedIn {
    QString member;
    QString refreshToken;
    QDateTime refreshExpires; // UTC
    QString accessToken;
    qint64 accessExpiresIn = 0;
};
using SignInResult = std::variant<SignedIn, SignInError>;

// The exchange of a code for tokens, then the question who signed in. The
// code lives minutes and works once: it is sent at once and never again.
class SignInExchange : public QObject {
    Q_OBJECT
public:
    using Done = std::function<void(const SignInResult&)>;
    explicit SignInExchange(const app::MarktplatzSettings& settings, QObject* parent = nullptr);
    ~SignInExchange() override;

    // done is called once, later.
    void start(const QString& code, Done done);

private:
    void askIdentity(SignedIn signedIn);
    void fail(SignInFailure failure, const QString& text);

    app::MarktplatzSettings m_settings;
    QNetworkAccessManager m_nam;
    std::unique_ptr<HttpExchange> m_http;
    Done m_done;
};

} // namespace retrieval
