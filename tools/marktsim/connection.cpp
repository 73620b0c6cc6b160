// Connections of the server: requests read one at a time, answers written as
// the fault for them says.
#include "httpRequest.h"
#include "server.h"

#include <memory>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

namespace marktsim {
namespace {

QByteArray framed(const QByteArray& head, const QByteArray& body) {
    return head + "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

} // namespace

void Server::onNewConnection() {
    while (QTcpSocket* socket = m_server->nextPendingConnection()) {
        m_connections.insert(socket, {});
        m_stats["connections"] += 1;
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            // A request dropped, hung or cut short is in flight no more.
            if (auto it = m_connections.find(socket); it != m_connections.end())
                endInFlight(*it);
            m_connections.remove(socket);
            socket->deleteLater();
        });
    }
}

void Server::onReadyRead(QTcpSocket* socket) {
    auto it = m_connections.find(socket);
    if (it == m_connections.end())
        return;
    it->buffer += socket->readAll();
    if (it->buffer.size() > kMaxRequestBytes) {
        socket->abort();
        return;
    }
    processNext(socket);
}

void Server::processNext(QTcpSocket* socket) {
    auto it = m_connections.find(socket);
    if (it == m_connections.end() || it->busy)
        return;
    const auto parsed = parseRequest(it->buffer);
    if (const RequestError* error = std::get_if<RequestError>(&parsed)) {
        if (*error == RequestError::Malformed)
            socket->abort();
        return;
    }
    const auto& [request, size] = std::get<ParsedRequest>(parsed);
    it->buffer.remove(0, size);
    it->busy = true;
    it->closeAfter = request.headers.value("connection").toLower() == "close";
    handle(socket, request);
}

void Server::deliver(QTcpSocket* socket, const Response& response, const Fault* fault) {
    const QByteArray head = responseHead(response);
    if (fault && deliverFaulty(socket, head, response.body, *fault))
        return;
    write(socket, framed(head, response.body), false);
    done(socket);
}

// False when the fault leaves the delivery as it is.
bool Server::deliverFaulty(QTcpSocket* socket, const QByteArray& head, const QByteArray& body,
                           const Fault& fault) {
    switch (fault.kind) {
    case FaultKind::Reset:
        socket->abort();
        return true;
    case FaultKind::Hang:
        return true; // the connection stays open and busy until the client gives up
    case FaultKind::Oversize:
        sendOversize(socket, head);
        return true;
    case FaultKind::Truncated:
        write(socket, framed(head, body).left(head.size() + 30 + body.size() / 2), true);
        return true;
    case FaultKind::Drip:
        drip(socket, framed(head, body), fault);
        return true;
    case FaultKind::Delay:
        QTimer::singleShot(delayMs(fault), socket, [this, socket, whole = framed(head, body)] {
            write(socket, whole, false);
            done(socket);
        });
        return true;
    default:
        return false;
    }
}

// An answer that claims 11 MB and sends them, paced so the socket's buffer stays small.
void Server::sendOversize(QTcpSocket* socket, const QByteArray& head) {
    const qint64 claimed = 11LL * 1024 * 1024;
    write(socket, head + "Content-Length: " + QByteArray::number(claimed) + "\r\n\r\n", false);
    auto* timer = new QTimer(socket);
    auto sent = std::make_shared<qint64>(0);
    connect(timer, &QTimer::timeout, socket, [this, socket, timer, sent, claimed] {
        if (socket->bytesToWrite() > 256 * 1024)
            return;
        const qint64 chunk = std::min<qint64>(64 * 1024, claimed - *sent);
        write(socket, QByteArray(chunk, ' '), false);
        *sent += chunk;
        if (*sent >= claimed) {
            timer->stop();
            timer->deleteLater();
            done(socket);
        }
    });
    timer->start(1);
}

void Server::drip(QTcpSocket* socket, const QByteArray& whole, const Fault& fault) {
    auto* timer = new QTimer(socket);
    auto offset = std::make_shared<qsizetype>(0);
    const int bytes = std::max(1, fault.bytes);
    connect(timer, &QTimer::timeout, socket, [this, socket, timer, offset, whole, bytes] {
        write(socket, whole.mid(*offset, bytes), false);
        *offset += bytes;
        if (*offset >= whole.size()) {
            timer->stop();
            timer->deleteLater();
            done(socket);
        }
    });
    timer->start(std::max(1, fault.ms));
}

void Server::write(QTcpSocket* socket, const QByteArray& data, bool close) {
    socket->write(data);
    if (close)
        socket->disconnectFromHost();
}

void Server::done(QTcpSocket* socket) {
    auto it = m_connections.find(socket);
    if (it == m_connections.end())
        return;
    endInFlight(*it);
    if (it->closeAfter) {
        socket->disconnectFromHost();
        return;
    }
    it->busy = false;
    // The next request may already wait in the buffer.
    QTimer::singleShot(0, socket, [this, socket] { processNext(socket); });
}

void Server::startInFlight(QTcpSocket* socket) {
    auto it = m_connections.find(socket);
    if (it == m_connections.end() || it->inFlight)
        return;
    it->inFlight = true;
    m_maxInFlight = std::max(m_maxInFlight, ++m_inFlight);
}

void Server::endInFlight(Connection& connection) {
    if (!connection.inFlight)
        return;
    connection.inFlight = false;
    --m_inFlight;
}

int Server::delayMs(const Fault& fault) {
    const int jitter = std::max(0, fault.jitter);
    const int offset = jitter > 0 ? m_random.bounded(-jitter, jitter + 1) : 0;
    return std::max(0, fault.ms + offset);
}

} // namespace marktsim
