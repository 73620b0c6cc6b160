#include "app/launcherLink.h"

#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace launcher {
namespace {

struct Shape {
    const char* kind;
    int fields;
};
constexpr Shape kShapes[] = {{"LINK", 3},    {"LINKED", 1}, {"REFUSED", 1}, {"VALUE", 2},
                             {"EXECUTE", 1}, {"POKE", 2},   {"POKED", 1}};

int fieldsOf(const QString& kind) {
    for (const Shape& s : kShapes)
        if (kind == QLatin1String(s.kind))
            return s.fields;
    return -1;
}

QByteArray encodeField(const QString& field) {
    QByteArray out;
    for (const char c : field.toUtf8()) {
        const auto u = static_cast<unsigned char>(c);
        if (u <= 0x20 || u == 0x7f || c == '%')
            out += '%' + QByteArray::number(u, 16).rightJustified(2, '0').toUpper();
        else
            out += c;
    }
    return out;
}

} // namespace

QString socketPath() {
    QString dir = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (dir.isEmpty())
        dir = QDir::tempPath() + QStringLiteral("/notenschau-") + QString::number(::getuid());
    return dir + QLatin1Char('/') + QLatin1String(kApplication);
}

QByteArray encode(const Message& message) {
    QByteArray line = message.kind.toLatin1();
    for (const QString& field : message.fields)
        line += ' ' + encodeField(field);
    return line + '\n';
}

Message decode(QByteArray line) {
    if (line.endsWith('\n'))
        line.chop(1);
    const QList<QByteArray> parts = line.split(' ');
    Message m{QString::fromLatin1(parts.first()), {}};
    if (fieldsOf(m.kind) != parts.size() - 1)
        return {};
    for (qsizetype i = 1; i < parts.size(); ++i)
        m.fields << QString::fromUtf8(QByteArray::fromPercentEncoding(parts[i]));
    return m;
}

bool ownedByCurrentUser(const QString& path) {
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return false;
    return S_ISSOCK(st.st_mode) && st.st_uid == ::getuid();
}

bool privateFolder(const QString& path) {
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return false;
    return S_ISDIR(st.st_mode) && st.st_uid == ::getuid() && (st.st_mode & 077) == 0;
}

bool peerIsCurrentUser(qintptr socketDescriptor) {
    ucred cred{};
    socklen_t size = sizeof cred;
    if (::getsockopt(int(socketDescriptor), SOL_SOCKET, SO_PEERCRED, &cred, &size) != 0)
        return false;
    return cred.uid == ::getuid();
}

bool isMemberName(const QString& text) {
    if (text.isEmpty() || text.size() > 64)
        return false;
    for (const QChar c : text)
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format)
            return false;
    return true;
}

LauncherLink::LauncherLink(QObject* parent) : QObject(parent) {}

LauncherLink::~LauncherLink() {
    close();
}

bool LauncherLink::isConnected() const {
    return m_socket && m_socket->state() == QLocalSocket::ConnectedState;
}

void LauncherLink::open() {
    close();
    const QString path = socketPath();
    // The runtime folder is the user's own; a socket there that belongs to
    // someone else is not our launcher.
    if (!ownedByCurrentUser(path))
        return;
    m_socket = new QLocalSocket(this);
    connect(m_socket, &QLocalSocket::readyRead, this, &LauncherLink::readLines);
    connect(m_socket, &QLocalSocket::disconnected, this, [this] { m_mode = None; });
    connect(m_socket, &QLocalSocket::errorOccurred, this, [this] {
        if (!isConnected())
            m_mode = None;
    });
    connect(m_socket, &QLocalSocket::connected, this, [this] {
        if (!peerIsCurrentUser(m_socket->socketDescriptor())) {
            drop();
            return;
        }
        m_socket->write(
            encode({QStringLiteral("LINK"),
                    {QLatin1String(kApplication), QLatin1String(kTopic), QLatin1String(kItem)}}));
        m_socket->flush();
    });
    m_socket->connectToServer(path);
}

void LauncherLink::drop() {
    m_mode = None;
    if (!m_socket)
        return;
    m_socket->disconnect(this);
    m_socket->abort();
    m_socket->deleteLater();
    m_socket = nullptr;
}

void LauncherLink::close() {
    m_mode = None;
    if (m_socket && m_socket->bytesToWrite() > 0)
        m_socket->waitForBytesWritten(1000);
    drop();
}

bool LauncherLink::execute(const QString& command) {
    if (m_mode != Automatic || !isConnected())
        return false;
    m_socket->write(encode({QStringLiteral("EXECUTE"), {command}}));
    m_socket->flush();
    return true;
}

void LauncherLink::readLines() {
    while (m_socket && m_socket->canReadLine()) {
        const Message m = decode(m_socket->readLine(kMaxLine + 1));
        const QString item = m.fields.value(0);
        if (m.kind == QStringLiteral("LINKED") && item == QLatin1String(kItem)) {
            m_mode = Automatic;
            emit linked();
        } else if (m.kind == QStringLiteral("REFUSED")) {
            drop();
        } else if (m.kind == QStringLiteral("VALUE") && item == QLatin1String(kItem) &&
                   m_mode == Automatic && m.fields[1] != m_text) {
            m_text = m.fields[1];
            emit changed();
        }
    }
    if (m_socket && m_socket->bytesAvailable() > kMaxLine)
        drop();
}

} // namespace launcher
