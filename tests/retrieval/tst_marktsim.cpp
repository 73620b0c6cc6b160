// The marketplace simulator where the feedback source never takes it: bytes no
// client sends whole, and the demo. Requests the source does not send are
// tst_contract's; what the source does send is tested through the source.
#include "httpRequest.h"
#include "marktsimProcess.h"
#include "testData.h"

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
