#include "retrieval/modIConnect.h"

#include "app/modGlobal.h"
#include "app/modini.h"
#include "app/msgBox.h"
#include "errors/procedure.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/ip_icmp.h>
#include <poll.h>
#include <QDeadlineTimer>
#include <QRegularExpression>
#include <QUrl>
#include <sys/socket.h>
#include <unistd.h>

namespace modIConnect {
namespace {

EchoWeg g_weg = EchoWeg::Automatisch;
quint16 g_tcpPort = 443;
int g_versuche = 0;

constexpr char kPayload[] = "check"; // 5 bytes

quint16 checksum(const unsigned char* data, size_t length) {
    quint32 sum = 0;
    for (size_t i = 0; i + 1 < length; i += 2)
        sum += quint32(data[i] << 8 | data[i + 1]);
    if (length % 2)
        sum += quint32(data[length - 1] << 8);
    while (sum >> 16)
        sum = (sum & 0xFFFF) + (sum >> 16);
    return quint16(~sum);
}

// What IcmpCreateFile hands out: an open echo socket, or the TCP stand-in.
class EchoHandle {
public:
    static EchoHandle create() {
        EchoHandle h;
        if (g_weg == EchoWeg::Automatisch || g_weg == EchoWeg::IcmpDatagramm) {
            h.m_fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_ICMP);
            h.m_weg = EchoWeg::IcmpDatagramm;
        }
        if (h.m_fd < 0 && (g_weg == EchoWeg::Automatisch || g_weg == EchoWeg::IcmpRaw)) {
            h.m_fd = ::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP);
            h.m_weg = EchoWeg::IcmpRaw;
        }
        if (h.m_fd < 0)
            h.m_weg = EchoWeg::Tcp;
        return h;
    }
    EchoHandle() = default;
    EchoHandle(EchoHandle&& other) noexcept { *this = std::move(other); }
    EchoHandle& operator=(EchoHandle&& other) noexcept {
        close();
        m_fd = std::exchange(other.m_fd, -1);
        m_weg = other.m_weg;
        return *this;
    }
    ~EchoHandle() { close(); }

    // IcmpCloseHandle
    void close() {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

    // IcmpSendEcho: true when the host answered within the time.
    bool send(qint32 address) {
        // An unresolved name is no address to send to.
        if (address == -1 || address == 0)
            return false;
        if (m_weg != EchoWeg::Tcp && m_fd < 0)
            return false;
        ++g_versuche;
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_addr.s_addr = in_addr_t(address);
        return m_weg == EchoWeg::Tcp ? tcp(to) : icmp(to);
    }

private:
    bool icmp(const sockaddr_in& to) {
        static quint16 sequence = 0;
        const quint16 seq = ++sequence;
        const quint16 id = quint16(::getpid());
        unsigned char packet[8 + sizeof kPayload - 1] = {};
        packet[0] = ICMP_ECHO;
        packet[4] = id >> 8;
        packet[5] = id & 0xFF;
        packet[6] = seq >> 8;
        packet[7] = seq & 0xFF;
        memcpy(packet + 8, kPayload, sizeof kPayload - 1);
        const quint16 sum = checksum(packet, sizeof packet);
        packet[2] = sum >> 8;
        packet[3] = sum & 0xFF;
        if (::sendto(m_fd, packet, sizeof packet, 0, reinterpret_cast<const sockaddr*>(&to),
                     sizeof to) < 0)
            return false;
        QDeadlineTimer deadline(kTimeoutMs);
        while (!deadline.hasExpired()) {
            pollfd p{m_fd, POLLIN, 0};
            if (::poll(&p, 1, int(deadline.remainingTime())) <= 0)
                continue;
            unsigned char reply[1500];
            sockaddr_in from{};
            socklen_t fromLength = sizeof from;
            const ssize_t n = ::recvfrom(m_fd, reply, sizeof reply, 0,
                                         reinterpret_cast<sockaddr*>(&from), &fromLength);
            if (n <= 0)
                continue;
            const unsigned char* icmp = reply;
            ssize_t length = n;
            if (m_weg == EchoWeg::IcmpRaw) {
                // A raw socket sees the IP header, and every echo of the machine.
                const int header = (reply[0] & 0x0F) * 4;
                if (n < header + 8 || from.sin_addr.s_addr != to.sin_addr.s_addr)
                    continue;
                icmp = reply + header;
                length = n - header;
                if ((icmp[4] << 8 | icmp[5]) != id)
                    continue;
            }
            if (length >= 8 && icmp[0] == ICMP_ECHOREPLY && (icmp[6] << 8 | icmp[7]) == seq)
                return true;
        }
        return false;
    }

    bool tcp(sockaddr_in to) {
        to.sin_port = htons(g_tcpPort);
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd < 0)
            return false;
        bool answered = false;
        // A refusal is an answer too: the host is there.
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0 ||
            errno == ECONNREFUSED) {
            answered = true;
        } else if (errno == EINPROGRESS) {
            pollfd p{fd, POLLOUT, 0};
            if (::poll(&p, 1, kTimeoutMs) > 0) {
                int error = 0;
                socklen_t length = sizeof error;
                ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length);
                answered = error == 0 || error == ECONNREFUSED;
            }
        }
        ::close(fd);
        return answered;
    }

    int m_fd = -1;
    EchoWeg m_weg = EchoWeg::Tcp;
};

// There is no socket library to start here; both keep their place in the
// check's order and their messages.
bool SocketsInitialize() {
    errors::Procedure p("[modIConnect] Private Function SocketsInitialize() As Boolean");
    bool result = false;
    p.step([&] { result = true; });
    return result;
}

bool SocketsCleanup() {
    errors::Procedure p("[modIConnect] Private Function SocketsCleanup() As Boolean");
    bool result = false;
    p.step([&] { result = true; });
    return result;
}

} // namespace

void setEchoWeg(EchoWeg weg) {
    g_weg = weg;
}

void setTcpPort(quint16 port) {
    g_tcpPort = port;
}

int echoVersuche() {
    return g_versuche;
}

qint32 GetHost(const QString& Host) {
    errors::Procedure p("[modIConnect] Public Function GetHost(ByVal Host$) As Long");
    qint32 result = 0;
    p.step([&] {
        if (!SocketsInitialize()) {
            app::MsgBox(QStringLiteral("Fehler bei der SocketInitialisierung!"), app::vbOKOnly);
            result = 0;
            return p.exit();
        }
        result = -1;
        const QByteArray name = QUrl::toAce(Host.trimmed());
        // Only a well-formed name goes to the resolver.
        static const QRegularExpression valid(QStringLiteral("^[A-Za-z0-9]([A-Za-z0-9.-]*)$"));
        if (name.isEmpty() || name.size() > 253 ||
            !valid.match(QString::fromLatin1(name)).hasMatch())
            return p.exit();
        in_addr dotted{};
        if (::inet_aton(name.constData(), &dotted) != 0) {
            result = qint32(dotted.s_addr);
            return p.exit();
        }
        // Names under "invalid" never resolve (RFC 6761): no need to ask.
        const QByteArray folded = name.toLower();
        if (folded == "invalid" || folded.endsWith(".invalid") || folded.endsWith(".invalid."))
            return p.exit();
        addrinfo hints{};
        hints.ai_family = AF_INET;
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* found = nullptr;
        if (::getaddrinfo(name.constData(), nullptr, &hints, &found) != 0 || !found)
            return p.exit();
        result = qint32(reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr);
        ::freeaddrinfo(found);
    });
    return result;
}

bool Ping() {
    errors::Procedure p("[modIConnect] Public Function Ping() As Boolean");
    bool result = false;
    EchoHandle handle;
    p.step([&] {
        if (!modGlobal::bCheckInet) {
            result = true;
            p.exit();
        }
    });
    p.step([&] {
        const qint32 address = GetHost(modini::marktplatz().pruefHost1);
        handle = EchoHandle::create();
        result = handle.send(address);
    });
    p.step([&] {
        if (result)
            return;
        handle.close();
        SocketsCleanup();
        const qint32 address = GetHost(modini::marktplatz().pruefHost2);
        handle = EchoHandle::create();
        result = handle.send(address);
    });
    p.step([&] {
        handle.close();
        SocketsCleanup();
    });
    return result;
}

} // namespace modIConnect
