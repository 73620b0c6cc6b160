#include "launcherServer.h"

#include "app/desktopOpen.h"
#include "app/launcherLink.h"

#include <cstdio>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>

using launcher::Message;

namespace {

void send(QLocalSocket* socket, const Message& message) {
    socket->write(launcher::encode(message));
    socket->flush();
}

// One line per command, whatever the command holds.
QByteArray printable(const QString& text) {
    QString line = text;
    for (QChar& c : line)
        if (c.category() == QChar::Other_Control)
            c = QChar::ReplacementCharacter;
    return line.toUtf8();
}

} // namespace

LauncherServer::LauncherServer(QObject* parent) : QObject(parent) {
    connect(&m_server, &QLocalServer::newConnection, this, &LauncherServer::accept);
}

bool LauncherServer::listen(QString* error) {
    const QString path = launcher::socketPath();
    const QString folder = QFileInfo(path).path();
    if (!QFileInfo::exists(folder)) {
        QDir().mkpath(folder);
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    // Others must neither reach the socket nor put their own in its place.
    if (!launcher::privateFolder(folder)) {
        *error = QStringLiteral("Der Ordner %1 gehört nicht Ihnen allein.").arg(folder);
        return false;
    }
    if (QFileInfo::exists(path)) {
        QLocalSocket probe;
        probe.connectToServer(path);
        if (probe.waitForConnected(1000)) {
            *error = QStringLiteral("Ein Starter läuft bereits (%1).").arg(path);
            return false;
        }
        // Left behind by a launcher that did not end cleanly.
        QLocalServer::removeServer(path);
    }
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server.listen(path)) {
        *error = m_server.errorString();
        return false;
    }
    return true;
}

void LauncherServer::accept() {
    while (QLocalSocket* client = m_server.nextPendingConnection()) {
        connect(client, &QLocalSocket::readyRead, this, [this, client] { read(client); });
        connect(client, &QLocalSocket::disconnected, this, [this, client] {
            m_linked.removeAll(client);
            client->deleteLater();
        });
        read(client);
    }
}

void LauncherServer::read(QLocalSocket* client) {
    while (client->canReadLine()) {
        const Message m = launcher::decode(client->readLine(launcher::kMaxLine + 1));
        const QString item = QLatin1String(launcher::kItem);
        if (m.kind == QStringLiteral("LINK")) {
            const bool ours = m.fields == QStringList{QLatin1String(launcher::kApplication),
                                                      QLatin1String(launcher::kTopic), item};
            send(client, {ours ? QStringLiteral("LINKED") : QStringLiteral("REFUSED"),
                          {m.fields.value(2)}});
            if (ours) {
                m_linked << client;
                send(client, {QStringLiteral("VALUE"), {item, m_value}});
            }
        } else if (m.kind == QStringLiteral("EXECUTE")) {
            command(m.fields[0]);
        } else if (m.kind == QStringLiteral("POKE") && m.fields[0] == item) {
            push(m.fields[1]);
            send(client, {QStringLiteral("POKED"), {item}});
        }
    }
    if (client->bytesAvailable() > launcher::kMaxLine)
        client->abort();
}

void LauncherServer::command(const QString& text) {
    std::printf("%s\n", printable(text).constData());
    std::fflush(stdout);
    if (!text.startsWith(QStringLiteral("AWBR:")))
        return;
    const QString address = text.mid(5);
    switch (app::openAddress(address, true)) {
    case app::OpenResult::Opened:
        return;
    case app::OpenResult::Refused:
        std::fprintf(stderr, "notenschau-launcher: Adresse abgelehnt: %s\n",
                     printable(address).constData());
        return;
    case app::OpenResult::NoBrowser:
        std::fprintf(stderr, "notenschau-launcher: kein Standardbrowser eingerichtet\n");
        return;
    case app::OpenResult::NotStarted:
        std::fprintf(stderr, "notenschau-launcher: Browser startet nicht\n");
        return;
    }
}

void LauncherServer::push(const QString& value) {
    const QString item = QLatin1String(launcher::kItem);
    for (const QString& v : {value, QStringLiteral("nix")}) {
        m_value = v;
        for (QLocalSocket* client : std::as_const(m_linked))
            send(client, {QStringLiteral("VALUE"), {item, v}});
    }
}
