#pragma once

#include "fault.h"
#include "httpRequest.h"
#include "marketplace.h"

#include <deque>
#include <optional>
#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QMap>
#include <QObject>
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

private:
    struct Connection {
        QByteArray buffer;
        bool busy = false;
        bool closeAfter = false; // the client asked for "Connection: close"
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

    // server.cpp
    void handle(QTcpSocket* socket, const Request& request);
    std::optional<Fault> takeFault(const QString& category);
    Response token(const Request& request);
    // The member a valid token may see unmasked ("" for an application
    // token), or the refusal: 401 for a bad token, 403 for one that holds
    // none of the scopes the request takes.
    std::variant<QString, Response> authorise(const Request& request, const QStringList& scopes);

    // feedback.cpp
    Response entries(const Request& request, const Fault* fault);
    Response summary(const Request& request);

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
    std::deque<Fault> m_faults;
    QMap<QString, qint64> m_stats;
    quint64 m_tokenSerial = 0;
};

} // namespace marktsim
