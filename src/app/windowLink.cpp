#include "app/windowLink.h"

#include "app/launcherLink.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QLocalSocket>

namespace app {

QByteArray encodeWindowCommand(WindowCommand command) {
    switch (command) {
    case WindowCommand::Neu:
        return QByteArrayLiteral("NEU\n");
    case WindowCommand::Zeigen:
        return QByteArrayLiteral("ZEIGEN\n");
    case WindowCommand::Neueste:
        break;
    }
    return QByteArrayLiteral("NEUESTE\n");
}

std::optional<WindowCommand> decodeWindowCommand(QByteArray line) {
    line = line.trimmed();
    if (line == "NEU")
        return WindowCommand::Neu;
    if (line == "ZEIGEN")
        return WindowCommand::Zeigen;
    if (line == "NEUESTE")
        return WindowCommand::Neueste;
    return std::nullopt;
}

QString windowSocketPath(const QString& programFolder) {
    const QFileInfo info(programFolder);
    const QString folder =
        info.canonicalFilePath().isEmpty() ? info.absoluteFilePath() : info.canonicalFilePath();
    const QByteArray hash =
        QCryptographicHash::hash(folder.toUtf8(), QCryptographicHash::Sha256).toHex().left(16);
    return QFileInfo(launcher::socketPath()).path() + QStringLiteral("/notenschau-") +
           QString::fromLatin1(hash);
}

bool sendToWindow(const QString& programFolder, WindowCommand command, int timeoutMs) {
    const QString path = windowSocketPath(programFolder);
    // A socket of someone else's in our place is not our window.
    if (!launcher::ownedByCurrentUser(path))
        return false;
    const QDeadlineTimer deadline(timeoutMs);
    QLocalSocket socket;
    socket.connectToServer(path);
    if (!socket.waitForConnected(int(deadline.remainingTime())) ||
        !launcher::peerIsCurrentUser(socket.socketDescriptor()))
        return false;
    socket.write(encodeWindowCommand(command));
    while (socket.bytesToWrite() > 0)
        if (!socket.waitForBytesWritten(int(deadline.remainingTime())))
            return false;
    socket.disconnectFromServer();
    return true;
}

} // namespace app
