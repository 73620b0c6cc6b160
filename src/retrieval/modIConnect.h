#pragma once

#include <QString>

// The internet connection check before a load: an ICMP echo to the first
// check host and, when that stays silent, to the second ([Main] PruefHost1
// and PruefHost2). Switched off by checkInet=False.
namespace modIConnect {

// True when a host answered, or the check is switched off.
bool Ping();

// The IPv4 address of Host in network byte order; -1 when the name cannot be
// resolved, 0 when the socket layer does not start.
qint32 GetHost(const QString& Host);

// How an echo goes out. The automatic way takes an unprivileged ICMP
// datagram socket, else a raw socket, else a TCP connection to port 443
// (a refused connection is an answer too: the host is reachable).
enum class EchoWeg { Automatisch, IcmpDatagramm, IcmpRaw, Tcp };
void setEchoWeg(EchoWeg weg);
void setTcpPort(quint16 port); // 443 unless a test needs another
// Echo requests actually sent since start.
int echoVersuche();

// Milliseconds an attempt waits for its answer.
inline constexpr int kTimeoutMs = 2000;

} // namespace modIConnect
