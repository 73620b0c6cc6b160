#include "ui/main/windowServer.h"

#include "app/launcherLink.h"
#include "base/privateFiles.h"

#include <QFileInfo>
#include <QLocalSocket>

namespace ui {

WindowServer::WindowServer(QObject* parent) : QObject(parent) {
    connect(&m_server, &QLocalServer::newConnection, this, &WindowServer::accept);
}

bool WindowServer::listen(const QString& programFolder) {
    const QString path = app::windowSocketPath(programFolder);
    const QString folder = QFileInfo(path).path();
    // Others must neither reach the socket nor put their own in its place.
    if (!base::makePrivateFolder(folder) || !launcher::privateFolder(folder))
        return false;
    if (QFileInfo::exists(path)) {
        QLocalSocket probe;
        probe.connectToServer(path);
        if (probe.waitForConnected(200))
            return false;
        // Left by a window that did not end cleanly.
        QLocalServer::removeServer(path);
    }
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    return m_server.listen(path);
}

void WindowServer::accept() {
    while (QLocalSocket* client = m_server.nextPendingConnection()) {
        if (!launcher::peerIsCurrentUser(client->socketDescriptor())) {
            client->abort();
            client->deleteLater();
            continue;
        }
        connect(client, &QLocalSocket::readyRead, this, [this, client] { read(client); });
        connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
        read(client);
    }
}

void WindowServer::read(QLocalSocket* client) {
    while (client->canReadLine())
        if (const auto command =
                app::decodeWindowCommand(client->readLine(app::kMaxWindowLine + 1)))
            emit received(*command);
    if (client->bytesAvailable() > app::kMaxWindowLine)
        client->abort();
}

} // namespace ui
