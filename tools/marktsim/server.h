#pragma once

#include "fault.h"
#include "httpRequest.h"
#include "marketplace.h"

#include <deque>
#include <optional>
#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QJsonObject>
#include <QMap>
#include <QObject>
#include <QRandomGenerator>
#include <QString>
#include <variant>

class QTcpServer;
class QTcpSocket;

namespace marktsim {

struct ServerOptions {
    QString clientId = QStringLiteral("notenschau");
    QString clientSecret = QStringLiteral("geheim");
    QString refreshToken;       // accepted refresh token, when set
    QString refreshTokenMember; // whose token it is
    qint64 tokenLifetimeS = 7200;
    // The redirect name of the application's accept page, as the
    // marketplace's developer account registers it.
    QString ruName = QStringLiteral("Notenschau_Demo-Notensch-Demo-abcdefgh");
    qint64 refreshTokenLifetimeS = 47'304'000; // 18 months
    qint64 codeLifetimeS = 299;
    QString summaryPeriodKey = QStringLiteral("lookbackPeriodInDays");
};

// The marketplace's feedback interface on 127.0.0.1, with an admin interface
// under /admin/ for tests and the demo.
class Server : public QObject {
    Q_OBJECT
public:
    Server(Marketplace* market, const ServerOptions& options, qint64 referenceMs,
           QObject* parent = nullptr);
    ~Server() override;

    bool listen(quint16 port);
    quint16 port() const;

    // The marketplace's own clock: the reference time plus the time running.
    qint64 nowMs() const;

    void addFault(const Fault& fault) { m_faults.push_back(fault); }

    // How the consent page answers: shown to the user, or agreed or refused
    // at once (tests).
    enum class ConsentMode { Manual, Auto, Deny };

private:
    struct Connection {
        QByteArray buffer;
        bool busy = false;
        bool closeAfter = false; // the client asked for "Connection: close"
        bool inFlight = false;   // an API request not yet fully answered
    };

    // connection.cpp
    void onNewConnection();
    void onReadyRead(QTcpSocket* socket);
    void processNext(QTcpSocket* socket);
    void deliver(QTcpSocket* socket, const Response& response, const Fault* fault);
    bool deliverFaulty(QTcpSocket* socket, const QByteArray& head, const QByteArray& body,
                       const Fault& fault);
    void sendOversize(QTcpSocket* socket, const QByteArray& head);
    void drip(QTcpSocket* socket, const QByteArray& whole, const Fault& fault);
    void write(QTcpSocket* socket, const QByteArray& data, bool close);
    void done(QTcpSocket* socket);
    void startInFlight(QTcpSocket* socket);
    void endInFlight(Connection& connection);
    // A delay fault's wait: ms plus or minus up to jitter, never below 0.
    int delayMs(const Fault& fault);

    // server.cpp
    void handle(QTcpSocket* socket, const Request& request);
    std::optional<Fault> takeFault(const QString& category, const Request& request);
    Response answer(const QString& category, const Request& request, const Fault* fault);

    // oauth.cpp
    Response token(const Request& request);
    Response codeGrant(const QUrlQuery& form);
    Response refreshGrant(const QUrlQuery& form, const QStringList& scopes);
    Response issueToken(const QString& member, const QStringList& scopes,
                        const QJsonObject& more = {});
    Response authorize(const Request& request);
    Response consent(const Request& request);
    Response acceptPage(const Request& request);
    Response identity(const Request& request);
    // The accept page's address with a code for the member, or with the refusal.
    Response redirectToAccept(const QUrlQuery& asked, const QString& member, bool agreed);
    // The member a valid token may see unmasked ("" for an application
    // token), or the refusal: 401 for a bad token, 403 for one that holds
    // none of the scopes the request takes.
    std::variant<QString, Response> authorise(const Request& request, const QStringList& scopes);

    // feedback.cpp
    Response entries(const Request& request, const Fault* fault);
    Response summary(const Request& request);

    // sellerWork.cpp
    Response respondToFeedback(const Request& request);
    Response leaveFeedback(const Request& request);
    // The member whose user token with the feedback scope the request
    // carries; an application token is refused like a token without it.
    std::variant<QString, Response> memberAccess(const Request& request);

    // awaiting.cpp
    Response awaitingFeedback(const Request& request);

    // admin.cpp
    Response admin(const Request& request);
    Response adminStats(const Request& request);
    Response adminMember(const Request& request);
    Response adminAdd(const Request& request);
    Response adminWithdraw(const Request& request);
    Response adminState(const Request& request);
    Response adminFault(const Request& request);
    Response adminClear(const Request& request);
    Response adminExpireTokens(const Request& request);
    Response adminConsent(const Request& request);
    Response adminRevoke(const Request& request);
    Response adminAwaiting(const Request& request);

    Marketplace* m_market;
    ServerOptions m_options;
    qint64 m_referenceMs;
    QElapsedTimer m_running;
    QTcpServer* m_server;
    QHash<QTcpSocket*, Connection> m_connections;
    struct TokenInfo {
        qint64 expiresMs;
        QString member; // user token: whose
        QStringList scopes;
    };
    QHash<QString, TokenInfo> m_tokens;
    struct Grant {
        QString member;
        QStringList scopes;
        qint64 expiresMs; // of the running clock
    };
    QHash<QString, Grant> m_codes;         // authorization codes, each used once
    QHash<QString, Grant> m_refreshTokens; // refresh tokens given out
    ConsentMode m_consentMode = ConsentMode::Manual;
    QString m_consentMember; // who agrees when no one is named
    std::deque<Fault> m_faults;
    QMap<QString, qint64> m_stats;
    qint64 m_inFlight = 0;    // API requests received and not yet answered
    qint64 m_maxInFlight = 0; // the most of them at once since the last clear
    // Fixed seed: a run's jitter is the same each time it is run.
    QRandomGenerator m_random{1};
    quint64 m_tokenSerial = 0;
};

} // namespace marktsim
