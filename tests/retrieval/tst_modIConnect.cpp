// The connection check: on loopback it answers, names that cannot be
// resolved fail without sending, and switched off it touches no network.
#include "answerers.h"
#include "app/modGlobal.h"
#include "app/modini.h"
#include "retrieval/modIConnect.h"
#include "testData.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <QTcpServer>
#include <QtTest>
#include <sys/socket.h>
#include <unistd.h>

using modIConnect::EchoWeg;

using testsupport::fetch;

namespace {

bool socketAvailable(int type) {
    const int fd = ::socket(AF_INET, type, IPPROTO_ICMP);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

} // namespace

class ModIConnectTest : public QObject {
    Q_OBJECT

    testsupport::MessageBoxAnswerer boxes;

private slots:
    void cleanup() { QCOMPARE(boxes.shown.size(), 0); }

    // Which hosts are asked and what counts as an answer. echoes: the attempts
    // sent; the TCP port listens unless the row says it is closed.
    void ping_data() {
        QTest::addColumn<EchoWeg>("weg");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::addColumn<bool>("answered");
        QTest::addColumn<int>("echoes");
        QTest::addColumn<bool>("checkInet");
        QTest::addColumn<bool>("listening");
        const auto row = [](const char* name, EchoWeg weg, const char* first, const char* second,
                            bool answered, int echoes, bool checkInet = true,
                            bool listening = true) {
            QTest::newRow(name) << weg << QString::fromUtf8(first) << QString::fromUtf8(second)
                                << answered << echoes << checkInet << listening;
        };
        const char* loopback = "127.0.0.1";
        row("switched off", EchoWeg::Automatisch, loopback, loopback, true, 0, false);
        // The second host is not asked once the first answers.
        row("automatic", EchoWeg::Automatisch, loopback, loopback, true, 1);
        row("ICMP datagram", EchoWeg::IcmpDatagramm, loopback, loopback, true, 1);
        row("raw ICMP", EchoWeg::IcmpRaw, loopback, loopback, true, 1);
        row("TCP", EchoWeg::Tcp, loopback, loopback, true, 1);
        row("a refused connection is an answer", EchoWeg::Tcp, loopback, "", true, 1, true, false);
        row("unresolvable first host", EchoWeg::Automatisch, "kein gültiger name", loopback, true,
            1);
        // Nothing goes out, not even to the broadcast address.
        row("neither host resolvable", EchoWeg::Automatisch, "", "nicht/aufloesbar", false, 0);
    }
    void ping() {
        QFETCH(EchoWeg, weg);
        if (weg == EchoWeg::IcmpDatagramm && !socketAvailable(SOCK_DGRAM))
            QSKIP("no unprivileged ICMP sockets here (net.ipv4.ping_group_range)");
        if (weg == EchoWeg::IcmpRaw && !socketAvailable(SOCK_RAW))
            QSKIP("no raw sockets without CAP_NET_RAW");
        QTcpServer listener;
        QVERIFY(listener.listen(QHostAddress::LocalHost));
        modIConnect::setTcpPort(listener.serverPort());
        if (!fetch<bool>("listening"))
            listener.close();
        modIConnect::setEchoWeg(weg);
        modGlobal::bCheckInet = fetch<bool>("checkInet");
        modini::marktplatz().pruefHost1 = fetch<QString>("first");
        modini::marktplatz().pruefHost2 = fetch<QString>("second");
        const int before = modIConnect::echoVersuche();
        QTEST(modIConnect::Ping(), "answered");
        QCOMPARE(modIConnect::echoVersuche() - before, fetch<int>("echoes"));
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
        QCOMPARE(modIConnect::GetHost(fetch<QString>("host")), fetch<qint32>("expected"));
    }
};

QTEST_GUILESS_MAIN(ModIConnectTest)
#include "tst_modIConnect.moc"
