// The connection check: on loopback it answers, names that cannot be
// resolved fail without sending, and switched off it touches no network.
#include "answerers.h"
#include "app/modGlobal.h"
#include "app/modini.h"
#include "retrieval/modIConnect.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <QTcpServer>
#include <QtTest>
#include <sys/socket.h>
#include <unistd.h>

using modIConnect::EchoWeg;

namespace {

bool socketAvailable(int type) {
    const int fd = ::socket(AF_INET, type, IPPROTO_ICMP);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

void hosts(const QString& first, const QString& second) {
    modini::marktplatz().pruefHost1 = first;
    modini::marktplatz().pruefHost2 = second;
}

} // namespace

class ModIConnectTest : public QObject {
    Q_OBJECT

    testsupport::MessageBoxAnswerer boxes;

private slots:
    void init() {
        modGlobal::bCheckInet = true;
        modIConnect::setEchoWeg(EchoWeg::Automatisch);
        modIConnect::setTcpPort(443);
    }
    void cleanup() { QCOMPARE(boxes.shown.size(), 0); }

    void switchedOffSendsNothing() {
        modGlobal::bCheckInet = false;
        hosts("127.0.0.1", "127.0.0.1");
        const int before = modIConnect::echoVersuche();
        QVERIFY(modIConnect::Ping());
        QCOMPARE(modIConnect::echoVersuche(), before);
    }

    void loopbackAnswers_data() {
        QTest::addColumn<EchoWeg>("weg");
        QTest::newRow("automatic") << EchoWeg::Automatisch;
        QTest::newRow("ICMP datagram") << EchoWeg::IcmpDatagramm;
        QTest::newRow("raw ICMP") << EchoWeg::IcmpRaw;
        QTest::newRow("TCP") << EchoWeg::Tcp;
    }
    void loopbackAnswers() {
        QFETCH(EchoWeg, weg);
        if (weg == EchoWeg::IcmpDatagramm && !socketAvailable(SOCK_DGRAM))
            QSKIP("no unprivileged ICMP sockets here (net.ipv4.ping_group_range)");
        if (weg == EchoWeg::IcmpRaw && !socketAvailable(SOCK_RAW))
            QSKIP("no raw sockets without CAP_NET_RAW");
        QTcpServer listener;
        QVERIFY(listener.listen(QHostAddress::LocalHost));
        modIConnect::setTcpPort(listener.serverPort());
        modIConnect::setEchoWeg(weg);
        hosts("127.0.0.1", "127.0.0.1");
        const int before = modIConnect::echoVersuche();
        QVERIFY(modIConnect::Ping());
        QCOMPARE(modIConnect::echoVersuche(), before + 1); // the second host is not asked
    }

    void refusedConnectionIsAnAnswer() {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        const quint16 closed = probe.serverPort();
        probe.close();
        modIConnect::setEchoWeg(EchoWeg::Tcp);
        modIConnect::setTcpPort(closed);
        hosts("127.0.0.1", "");
        QVERIFY(modIConnect::Ping());
    }

    void unresolvableFirstHostFallsToTheSecond() {
        hosts("kein gültiger name", "127.0.0.1");
        const int before = modIConnect::echoVersuche();
        QVERIFY(modIConnect::Ping());
        QCOMPARE(modIConnect::echoVersuche(), before + 1);
    }

    void neitherHostResolvable() {
        hosts("", "nicht/aufloesbar");
        const int before = modIConnect::echoVersuche();
        QVERIFY(!modIConnect::Ping());
        // Nothing went out, not even to the broadcast address.
        QCOMPARE(modIConnect::echoVersuche(), before);
    }

    void getHost_data() {
        QTest::addColumn<QString>("host");
        QTest::addColumn<qint32>("expected");
        QTest::newRow("dotted") << "127.0.0.1" << qint32(htonl(0x7F000001));
        QTest::newRow("dotted, blanks") << " 10.1.2.3 " << qint32(htonl(0x0A010203));
        QTest::newRow("localhost") << "localhost" << qint32(htonl(0x7F000001));
        QTest::newRow("empty") << "" << -1;
        QTest::newRow("blank inside") << "zwei worte" << -1;
        QTest::newRow("slash") << "a/b" << -1;
        QTest::newRow("reserved for failing") << "nirgendwo.INVALID" << -1;
    }
    void getHost() {
        QFETCH(QString, host);
        QFETCH(qint32, expected);
        QCOMPARE(modIConnect::GetHost(host), expected);
    }
};

QTEST_GUILESS_MAIN(ModIConnectTest)
#include "tst_modIConnect.moc"
