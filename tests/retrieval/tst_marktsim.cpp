// The marketplace simulator where the feedback source never takes it: bytes no
// client sends whole, and the demo. Requests the source does not send are
// tst_contract's; what the source does send is tested through the source.
#include "httpRequest.h"
#include "marktsimProcess.h"
#include "testData.h"

#include <functional>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTimer>
#include <QtTest>
#include <variant>

using testsupport::fetch;
using testsupport::row;

class MarktsimTest : public QObject {
    Q_OBJECT

    marktsim::SimProcess sim;
    QNetworkAccessManager nam;

    // A GET with the bearer token, or with a form a POST with the client's
    // credentials.
    QJsonObject call(const marktsim::SimProcess& s, const QString& pathAndQuery,
                     const QByteArray& bearer, const QByteArray& form = {}) {
        QNetworkRequest request(QUrl(s.baseUrl() + pathAndQuery));
        request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
        QNetworkReply* reply;
        if (!form.isNull()) {
            request.setHeader(QNetworkRequest::ContentTypeHeader,
                              "application/x-www-form-urlencoded");
            request.setRawHeader("Authorization",
                                 "Basic " + QByteArray("notenschau:geheim").toBase64());
            reply = nam.post(request, form);
        } else {
            request.setRawHeader("Authorization", "Bearer " + bearer);
            reply = nam.get(request);
        }
        QEventLoop loop;
        connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(10000, &loop, &QEventLoop::quit);
        loop.exec();
        const QJsonObject json = QJsonDocument::fromJson(reply->readAll()).object();
        reply->deleteLater();
        return json;
    }
    QByteArray tokenOf(const marktsim::SimProcess& s) {
        return call(s, "/identity/v1/oauth2/token", {},
                    "grant_type=client_credentials&scope=https%3A%2F%2Fapi.ebay.com%2Foauth%2Fapi_"
                    "scope%2Fcommerce.feedback.readonly")["access_token"]
            .toString()
            .toUtf8();
    }

    QNetworkRequest entriesOfAlice(const QByteArray& token) const {
        QNetworkRequest request(QUrl(sim.baseUrl() + "/commerce/feedback/v1/feedback?user_id="
                                                     "alice&feedback_type=FEEDBACK_RECEIVED"));
        request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
        request.setRawHeader("Authorization", "Bearer " + token);
        return request;
    }
    // n GETs of alice's entries on a manager of their own (so on connections
    // of their own), all at once or each after the one before; the answers
    // with 200. Once all but `hung` have finished, the rest are given up.
    int getEntries(const QByteArray& token, int n, bool atOnce, int hung) {
        QNetworkAccessManager manager;
        const QNetworkRequest request = entriesOfAlice(token);
        QList<QNetworkReply*> replies;
        int finished = 0;
        int answered = 0;
        QEventLoop loop;
        std::function<void()> send = [&] {
            QNetworkReply* reply = manager.get(request);
            replies.append(reply);
            connect(reply, &QNetworkReply::finished, &loop, [&, reply] {
                answered +=
                    reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() == 200;
                if (++finished >= n - hung)
                    loop.quit();
                else if (!atOnce)
                    send();
            });
        };
        for (int i = 0; i < (atOnce ? n : 1); ++i)
            send();
        QTimer::singleShot(10000, &loop, &QEventLoop::quit);
        loop.exec();
        for (QNetworkReply* reply : replies) {
            reply->disconnect(&loop);
            reply->abort();
        }
        return answered;
    }

private slots:
    void initTestCase() {
        QVERIFY2(sim.start({"--seed", "3", "--reference", "2026-01-01T00:00:00Z", "--member",
                            "alice:450"}),
                 qPrintable(sim.errorString()));
        const QByteArray token = tokenOf(sim);
        // Characters a bearer header must carry unchanged.
        QVERIFY(token.contains('^') && token.contains('#'));
    }

    // The request parser, on what one read of a connection may hold.
    void requestParser_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("outcome"); // request, incomplete or malformed
        QTest::addColumn<QByteArray>("method");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QByteArray>("authorization");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("size");
        const QByteArray get = "GET /a%2Fb?user_id=a%20b HTTP/1.1\r\nHost: h\r\n"
                               "AUTHORIZATION:  Bearer t \r\n\r\n";
        const QByteArray post = "POST /t HTTP/1.1\r\nContent-Length: 3\r\n\r\nabc";
        const auto failed = [](const char* name, const QByteArray& bytes, const char* outcome) {
            row(name, bytes, QString(outcome), QByteArray(), QString(), QString(), QByteArray(),
                QByteArray(), 0);
        };
        row("get", get, QStringLiteral("request"), QByteArray("GET"), QStringLiteral("/a/b"),
            QStringLiteral("a b"), QByteArray("Bearer t"), QByteArray(), int(get.size()));
        row("post, the next request behind it", post + "GET / HTTP/1.1\r\n\r\n",
            QStringLiteral("request"), QByteArray("POST"), QStringLiteral("/t"), QString(),
            QByteArray(), QByteArray("abc"), int(post.size()));
        failed("head incomplete", "GET / HTTP/1.1\r\nHost: h\r\n", "incomplete");
        failed("body incomplete", post.chopped(1), "incomplete");
        failed("two words in the first line", "GET /\r\n\r\n", "malformed");
        failed("negative length", "POST / HTTP/1.1\r\nContent-Length: -1\r\n\r\n", "malformed");
        failed("length beyond the cap", "POST / HTTP/1.1\r\nContent-Length: 1048577\r\n\r\n",
               "malformed");
    }
    void requestParser() {
        const auto parsed = marktsim::parseRequest(fetch<QByteArray>("bytes"));
        if (const auto* error = std::get_if<marktsim::RequestError>(&parsed)) {
            QCOMPARE(QString::fromLatin1(
                         *error == marktsim::RequestError::Incomplete ? "incomplete" : "malformed"),
                     fetch<QString>("outcome"));
            return;
        }
        QCOMPARE(QStringLiteral("request"), fetch<QString>("outcome"));
        const auto& [request, size] = std::get<marktsim::ParsedRequest>(parsed);
        QCOMPARE(request.method, fetch<QByteArray>("method"));
        QCOMPARE(request.path, fetch<QString>("path"));
        QCOMPARE(request.query.queryItemValue("user_id", QUrl::FullyDecoded),
                 fetch<QString>("user"));
        QCOMPARE(request.headers.value("authorization"), fetch<QByteArray>("authorization"));
        QCOMPARE(request.body, fetch<QByteArray>("body"));
        QCOMPARE(size, fetch<int>("size"));
    }

    // Answers side by side, and the most requests in flight at once.
    void inFlight_data() {
        QTest::addColumn<QStringList>("fault"); // kind, then its parameters
        QTest::addColumn<int>("requests");
        QTest::addColumn<bool>("atOnce");
        QTest::addColumn<int>("hung"); // requests that get no answer
        QTest::addColumn<int>("answered");
        QTest::addColumn<int>("maxInFlight");
        row("four at once, delayed with jitter",
            QStringList{"delay", "ms=400", "jitter=200", "count=4"}, 4, true, 0, 4, 4);
        row("one hangs, the other answers", QStringList{"hang"}, 2, true, 1, 1, 2);
        row("one after another", QStringList{}, 3, false, 0, 3, 1);
        row("jitter beyond the delay", QStringList{"delay", "ms=0", "jitter=300", "count=4"}, 4,
            false, 0, 4, 1);
        // Qt may send a request cut short once more.
        row("reset", QStringList{"reset", "count=2"}, 1, false, 0, 0, 1);
    }
    void inFlight() {
        const QByteArray token = tokenOf(sim);
        sim.admin("clear");
        const QStringList fault = fetch<QStringList>("fault");
        if (!fault.isEmpty())
            QVERIFY(sim.fault(fault.first(), fault.mid(1)));
        QCOMPARE(
            getEntries(token, fetch<int>("requests"), fetch<bool>("atOnce"), fetch<int>("hung")),
            fetch<int>("answered"));
        const QJsonObject stats = sim.stats();
        QCOMPARE(stats["maxInFlight"].toInt(), fetch<int>("maxInFlight"));
        QCOMPARE_GE(stats["connections"].toInt(), fetch<int>("maxInFlight"));
        // Once every connection is answered or gone, none stays counted.
        QTRY_COMPARE((sim.admin("clear"), sim.stats()["maxInFlight"].toInt()), 0);
    }

    void clearKeepsWhatIsInFlight() {
        const QByteArray token = tokenOf(sim);
        sim.admin("clear");
        QVERIFY(sim.fault("hang"));
        QNetworkReply* reply = nam.get(entriesOfAlice(token));
        QTRY_COMPARE(sim.stats()["entries"].toInt(), 1);
        sim.admin("clear");
        QCOMPARE(sim.stats()["maxInFlight"].toInt(), 1);
        reply->abort();
        reply->deleteLater();
        QTRY_COMPARE((sim.admin("clear"), sim.stats()["maxInFlight"].toInt()), 0);
    }

    void demoMarketplace() {
        marktsim::SimProcess demo;
        QVERIFY(demo.start({"--demo"}));
        const QJsonObject a = call(demo,
                                   "/commerce/feedback/v1/feedback?user_id=notenschau_demo&"
                                   "feedback_type=FEEDBACK_RECEIVED",
                                   tokenOf(demo));
        QCOMPARE(a["pagination"]["total"].toInt(), 1234);
    }
};

QTEST_GUILESS_MAIN(MarktsimTest)
#include "tst_marktsim.moc"
