// The simulator where the feedback source never takes it: bytes no client sends
// whole, and the demo. Requests the source does not send are tst_contract's.
#include "httpRequest.h"
#include "marktsimProcess.h"
#include "testData.h"

#include <algorithm>
#include <functional>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTimer>
#include <QtTest>
#include <tuple>
#include <variant>

using testsupport::fetch;
using testsupport::row;

static const QString kDemoFeedback =
    QStringLiteral("/feedback?user_id=notenschau_demo&feedback_type=FEEDBACK_RECEIVED");
static const QString kAliceFeedback =
    QStringLiteral("/feedback?user_id=alice&feedback_type=FEEDBACK_RECEIVED");

class MarktsimTest : public QObject {
    Q_OBJECT

    marktsim::SimProcess sim;
    QNetworkAccessManager nam;

    // A reply to its end, or given up after ten seconds.
    QNetworkReply* awaited(QNetworkReply* reply) {
        QEventLoop loop;
        connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(10000, &loop, &QEventLoop::quit);
        loop.exec();
        reply->deleteLater();
        return reply;
    }
    // A token for the client's credentials and the grant.
    QByteArray token(const marktsim::SimProcess& s, const QByteArray& grant) {
        QNetworkRequest request(QUrl(s.baseUrl() + "/identity/v1/oauth2/token"));
        request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
        request.setHeader(QNetworkRequest::ContentTypeHeader, "application/x-www-form-urlencoded");
        request.setRawHeader("Authorization",
                             "Basic " + QByteArray("notenschau:geheim").toBase64());
        const QByteArray answer = awaited(nam.post(request, grant))->readAll();
        return QJsonDocument::fromJson(answer)["access_token"].toString().toUtf8();
    }
    QByteArray tokenOf(const marktsim::SimProcess& s) {
        return token(s, "grant_type=client_credentials&scope=https%3A%2F%2Fapi.ebay.com%2Foauth%2F"
                        "api_scope%2Fcommerce.feedback.readonly");
    }
    QByteArray userToken(const marktsim::SimProcess& s, const char* refreshToken) {
        return token(s, QByteArray("grant_type=refresh_token&refresh_token=") + refreshToken);
    }

    // A request of the feedback interface as the marketplace answers it.
    struct Answer {
        int status = 0;
        const QJsonObject json;
    };
    QNetworkRequest request(const marktsim::SimProcess& s, const QString& path,
                            const QByteArray& bearer) const {
        QNetworkRequest request(QUrl(s.baseUrl() + "/commerce/feedback/v1" + path));
        request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
        if (!bearer.isEmpty())
            request.setRawHeader("Authorization", "Bearer " + bearer);
        request.setHeader(QNetworkRequest::ContentTypeHeader, "application/json");
        return request;
    }
    Answer send(const marktsim::SimProcess& s, const QString& path, const QByteArray& bearer,
                const QJsonObject& body = {}) {
        const QNetworkRequest r = request(s, path, bearer);
        QNetworkReply* reply =
            awaited(body.isEmpty() ? nam.get(r) : nam.post(r, QJsonDocument(body).toJson()));
        return {reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(),
                QJsonDocument::fromJson(reply->readAll()).object()};
    }
    static int errorId(const Answer& a) { return a.json["errors"][0]["errorId"].toInt(); }
    const QJsonObject demoRating(const QString& id) {
        return send(demo, kDemoFeedback + "&feedback_id=" + id, demoToken)
            .json["feedbackEntries"][0]
            .toObject();
    }
    Answer demoAwaiting() {
        return send(demo, "/awaiting_feedback?filter=userRole:SELLER", demoToken);
    }

    // The demo marketplace without new ratings arriving; its member's user
    // token and the sales awaiting a rating as it starts.
    marktsim::SimProcess demo;
    QByteArray demoToken;
    QJsonArray demoItems;

    // n GETs of alice's entries on a manager of their own (so on connections
    // of their own), all at once or each after the one before; the answers
    // with 200. Once all but `hung` have finished, the rest are given up.
    int getEntries(const QByteArray& token, int n, bool atOnce, int hung) {
        QNetworkAccessManager manager;
        const QNetworkRequest request = this->request(sim, kAliceFeedback, token);
        QList<QNetworkReply*> replies;
        int finished = 0, answered = 0;
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
                            "alice:450", "--refresh-token", "alice-token:alice"}),
                 qPrintable(sim.errorString()));
        const QByteArray token = tokenOf(sim);
        // Characters a bearer header must carry unchanged.
        QVERIFY(token.contains('^') && token.contains('#'));
        QVERIFY(demo.start({"--demo", "--demo-interval", "0"}));
        demoToken = userToken(demo, "demo-refresh-token");
        demoItems = demoAwaiting().json["lineItems"].toArray();
        // Three to reply to, and one the marketplace itself left.
        for (const QString id : {"antwort-1", "antwort-2", "antwort-3", "auto-1"}) {
            const QJsonObject rating{{"feedbackId", id},
                                     {"commentType", "NEGATIVE"},
                                     {"commentText", "Kam nie an"},
                                     {"giver", "kaeufer_1"},
                                     {"automated", id.startsWith("auto")}};
            demo.admin("add", QUrlQuery("user=notenschau_demo"), QJsonDocument(rating).toJson());
        }
    }

    // The request parser, on what one read of a connection may hold.
    void requestParser_data() {
        QTest::addColumn<QByteArray>("bytes");
        // incomplete, malformed, or the request: method|path|user_id|authorization|body|size
        QTest::addColumn<QString>("outcome");
        const QByteArray get = "GET /a%2Fb?user_id=a%20b HTTP/1.1\r\nHost: h\r\n"
                               "AUTHORIZATION:  Bearer t \r\n\r\n";
        const QByteArray post = "POST /t HTTP/1.1\r\nContent-Length: 3\r\n\r\nabc";
        row("get", get, QString("GET|/a/b|a b|Bearer t||%1").arg(get.size()));
        row("post, the next request behind it", post + "GET / HTTP/1.1\r\n\r\n",
            QString("POST|/t|||abc|%1").arg(post.size()));
        row("head incomplete", QByteArray("GET / HTTP/1.1\r\nHost: h\r\n"), QString("incomplete"));
        row("body incomplete", post.chopped(1), QString("incomplete"));
        row("two words in the first line", QByteArray("GET /\r\n\r\n"), QString("malformed"));
        row("negative length", QByteArray("POST / HTTP/1.1\r\nContent-Length: -1\r\n\r\n"),
            QString("malformed"));
        row("length beyond the cap",
            QByteArray("POST / HTTP/1.1\r\nContent-Length: 1048577\r\n\r\n"), QString("malformed"));
    }
    void requestParser() {
        const auto parsed = marktsim::parseRequest(fetch<QByteArray>("bytes"));
        QString outcome;
        if (const auto* error = std::get_if<marktsim::RequestError>(&parsed)) {
            outcome = *error == marktsim::RequestError::Incomplete ? "incomplete" : "malformed";
        } else {
            const auto& [r, size] = std::get<marktsim::ParsedRequest>(parsed);
            const QString user = r.query.queryItemValue("user_id", QUrl::FullyDecoded);
            const QByteArray authorization = r.headers.value("authorization");
            outcome = QStringList{r.method, r.path, user, authorization, r.body}.join(u'|') + u'|' +
                      QString::number(size);
        }
        QTEST(outcome, "outcome");
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
        QTEST(getEntries(token, fetch<int>("requests"), fetch<bool>("atOnce"), fetch<int>("hung")),
              "answered");
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
        QNetworkReply* reply = nam.get(request(sim, kAliceFeedback, token));
        QTRY_COMPARE(sim.stats()["entries"].toInt(), 1);
        sim.admin("clear");
        QCOMPARE(sim.stats()["maxInFlight"].toInt(), 1);
        reply->abort();
        reply->deleteLater();
        QTRY_COMPARE((sim.admin("clear"), sim.stats()["maxInFlight"].toInt()), 0);
    }

    void demoMarketplace() {
        const QJsonObject a = send(demo, kDemoFeedback, tokenOf(demo)).json;
        // 1,234 and the four added by initTestCase.
        QCOMPARE(a["pagination"]["total"].toInt(), 1238);
        // Replies to a positive, a neutral and a negative one; the negative
        // one followed up; one left by the marketplace itself.
        QCOMPARE(demoRating("1000000000001")["replyComment"]["commentText"].toString(),
                 QStringLiteral("Vielen Dank für den netten Kauf!"));
        QVERIFY(demoRating("1000000000003").contains("replyComment"));
        const QJsonObject negative = demoRating("1000000000007");
        QCOMPARE(negative["commentType"].toString(), QStringLiteral("NEGATIVE"));
        QCOMPARE(negative["followupComment"]["state"].toString(), QStringLiteral("ENTERED"));
        QCOMPARE(negative["replyComment"]["commentPeriod"]["value"].toInt(), 30);
        QCOMPARE(negative["repliedBeforeFollowup"].toBool(), true);
        QCOMPARE(demoRating("1000000000020")["automatedFeedback"].toBool(), true);
        QVERIFY(!demoRating("1000000000002").contains("replyComment"));
    }

    // Replies and follow-ups, in order: what one row stores the next finds.
    void respond_data() {
        QTest::addColumn<QString>("feedbackId");
        QTest::addColumn<QString>("recipient");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("type");
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("errorId"); // 0 on success
        const QString id = QStringLiteral("antwort-1");
        const QString giver = QStringLiteral("kaeufer_1");
        const QString thanks = QStringLiteral("Danke für die Rückmeldung");
        const QString reply = QStringLiteral("REPLY");
        const QString followup = QStringLiteral("FOLLOW_UP");
        row("reply", id, giver, thanks, reply, 200, 0);
        row("second reply", id, giver, thanks, reply, 409, 501032);
        row("follow-up", id, QString("KAEUFER_1"), QString("Alles geklärt"), followup, 200, 0);
        row("second follow-up", id, giver, thanks, followup, 409, 501033);
        row("demo rating already replied to", QStringLiteral("1000000000001"),
            QStringLiteral("briefmarken_fan"), thanks, reply, 409, 501032);
        row("automated, from the demo", QString("1000000000020"), QString("fahrrad-kurt"), thanks,
            reply, 403, 501031);
        row("automated, added", QStringLiteral("auto-1"), giver, thanks, reply, 403, 501031);
        row("500 characters", QString("antwort-2"), giver, QString(500, u'a'), reply, 200, 0);
        const QString other = QStringLiteral("antwort-3");
        row("501 characters", other, giver, QString(501, u'a'), reply, 400, 501013);
        row("blank text", other, giver, QStringLiteral("  "), reply, 400, 501028);
        row("web address", other, giver, QString("Siehe www.beispiel.de"), reply, 400, 501014);
        row("e-mail address", other, giver, QStringLiteral("Schreiben Sie an a.b@c.de"), reply, 400,
            501014);
        row("markup", other, giver, QStringLiteral("<b>Danke</b>"), reply, 400, 501014);
        row("profanity", other, giver, QStringLiteral("So ein Idiot!"), reply, 400, 501015);
        row("unknown rating", QStringLiteral("gibt-es-nicht"), giver, thanks, reply, 400, 501026);
        row("no rating", QString(), giver, thanks, reply, 400, 501026);
        row("someone else's rating", other, QStringLiteral("jemand"), thanks, reply, 400, 501029);
        row("no recipient", other, QString(), thanks, reply, 400, 501029);
        row("no type", other, giver, thanks, QString(), 400, 501027);
    }
    void respond() {
        const QString id = fetch<QString>("feedbackId");
        const QString type = fetch<QString>("type");
        const Answer a = send(demo, "/respond_to_feedback", demoToken,
                              {{"feedbackId", id},
                               {"recipientUserId", fetch<QString>("recipient")},
                               {"responseText", fetch<QString>("text")},
                               {"responseType", type}});
        QCOMPARE(a.status, fetch<int>("status"));
        QCOMPARE(errorId(a), fetch<int>("errorId"));
        if (a.status != 200)
            return;
        QCOMPARE(a.json, QJsonObject());
        const QString field = type == QLatin1String("REPLY") ? QStringLiteral("replyComment")
                                                             : QStringLiteral("followupComment");
        QCOMPARE(demoRating(id)[field]["commentText"].toString(), fetch<QString>("text"));
    }

    void awaiting_data() {
        QTest::addColumn<QString>("query");
        QTest::addColumn<int>("total");
        QTest::addColumn<int>("count");
        QTest::addColumn<bool>("next");
        QTest::addColumn<bool>("prev");
        QTest::addColumn<int>("first"); // which of the sales at the start leads the page
        const QString seller = QStringLiteral("filter=userRole:SELLER");
        row("sales of the demo member", seller, 12, 12, false, false, 0);
        row("from the eleventh", seller + "&offset=10", 12, 2, false, true, 10);
        row("past the end", QStringLiteral("offset=12&limit=25"), 12, 0, false, true, -1);
        row("purchases", QStringLiteral("filter=userRole:BUYER"), 0, 0, false, false, -1);
        row("oldest first", QString("sort=END_TIME_ASC&limit=200"), 12, 12, false, false, 11);
    }
    void awaiting() {
        const Answer a = send(demo, "/awaiting_feedback?" + fetch<QString>("query"), demoToken);
        QCOMPARE(a.status, 200);
        QCOMPARE(a.json["pagination"]["total"].toInt(), fetch<int>("total"));
        QCOMPARE(a.json["lineItems"].toArray().size(), fetch<int>("count"));
        QCOMPARE(a.json["pagination"]["count"].toInt(), fetch<int>("count"));
        QCOMPARE(a.json["pagination"].toObject().contains("next"), fetch<bool>("next"));
        QCOMPARE(a.json["pagination"].toObject().contains("prev"), fetch<bool>("prev"));
        // Both roles' counts, whatever the filter.
        QCOMPARE(a.json["itemsAwaitingFeedbackCount"]["asSeller"].toInt(), 12);
        QCOMPARE(a.json["itemsAwaitingFeedbackCount"]["asBuyer"].toInt(), 0);
        const QJsonObject first = a.json["lineItems"][0].toObject();
        QCOMPARE(first.isEmpty(), fetch<int>("first") < 0);
        if (first.isEmpty())
            return;
        QCOMPARE(first["orderLineItemId"].toString(),
                 first["listingId"].toString() + '-' + first["transactionId"].toString());
        QCOMPARE(first["ratingTemplates"][1]["maximumCharactersAllowed"].toInt(), 500);
        QCOMPARE(first["listingPrice"]["currency"].toString(), QStringLiteral("EUR"));
        QCOMPARE(first["orderLineItemId"], demoItems.at(fetch<int>("first"))["orderLineItemId"]);
    }

    void awaitingPagesOfMany() {
        const QUrlQuery thirty("user=alice&count=30&role=BUYER");
        QCOMPARE(sim.admin("awaiting", thirty)["orderLineItemIds"].toArray().size(), 30);
        const QByteArray alice = userToken(sim, "alice-token");
        const Answer a = send(sim, "/awaiting_feedback?limit=25&offset=25", alice);
        QCOMPARE(a.json["pagination"]["total"].toInt(), 30);
        QCOMPARE(a.json["lineItems"].toArray().size(), 5);
        QCOMPARE(a.json["itemsAwaitingFeedbackCount"]["asBuyer"].toInt(), 30);
        const Answer sales = send(sim, "/awaiting_feedback?filter=userRole:SELLER", alice);
        QCOMPARE(sales.json["pagination"]["total"].toInt(), 0);
        QCOMPARE(errorId(send(sim, "/awaiting_feedback?filter=userRole:KUNDE", alice)), 501025);
        QCOMPARE(errorId(send(sim, "/awaiting_feedback?sort=PREIS", alice)), 501024);
    }

    // Ratings for the demo member's buyers, in order; item: which of the sales
    // awaiting a rating at the start, -1 for none of them.
    void leave_data() {
        QTest::addColumn<int>("item");
        QTest::addColumn<bool>("byLineItem"); // else by listing and transaction
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("errorId");
        QTest::addColumn<int>("awaitingAfter");
        const QString positive = QStringLiteral("POSITIVE");
        const QString good = QStringLiteral("Schnelle Zahlung, gerne wieder");
        row("negative for a buyer", 0, true, QStringLiteral("NEGATIVE"), good, 409, 501020, 12);
        row("neutral for a buyer", 0, true, QStringLiteral("NEUTRAL"), good, 409, 501020, 12);
        row("positive", 0, true, positive, good, 200, 0, 11);
        row("second for the same item", 0, true, positive, good, 409, 501008, 11);
        row("by listing and transaction", 1, false, positive, good, 200, 0, 10);
        row("unknown item", -1, true, positive, good, 400, 501003, 10);
        row("no such kind", 2, true, QStringLiteral("SUPER"), good, 400, 501006, 10);
        row("no comment", 2, true, positive, QString(), 400, 501005, 10);
        row("501 characters", 2, true, positive, QString(501, u'x'), 400, 501013, 10);
        row("phone number", 2, true, positive, QString("Ruf an: 0171 2345678"), 400, 501014, 10);
        row("international phone number", 2, true, positive, QString("Ruf an: +49 171 2345678"),
            400, 501014, 10);
        row("item number", 2, true, positive, QString("Artikel 123456789012 kam gut an"), 200, 0,
            9);
    }
    void leave() {
        const int item = fetch<int>("item");
        const QJsonObject none{
            {"orderLineItemId", "1-2"}, {"listingId", "1"}, {"transactionId", "2"}};
        const QJsonObject sale = item >= 0 ? demoItems.at(item).toObject() : none;
        QJsonObject body{{"commentType", fetch<QString>("type")},
                         {"commentText", fetch<QString>("text")}};
        for (const QString& key : fetch<bool>("byLineItem")
                                      ? QStringList{"orderLineItemId"}
                                      : QStringList{"listingId", "transactionId"})
            body.insert(key, sale[key]);
        const Answer a = send(demo, "/feedback", demoToken, body);
        QCOMPARE(a.status, fetch<int>("status"));
        QCOMPARE(errorId(a), fetch<int>("errorId"));
        QCOMPARE(a.status == 200, !a.json["feedbackId"].toString().isEmpty());
        const QJsonArray left = demoAwaiting().json["lineItems"].toArray();
        QCOMPARE(left.size(), fetch<int>("awaitingAfter"));
        if (a.status == 200)
            QVERIFY(std::none_of(left.begin(), left.end(), [&](const QJsonValue& v) {
                return v["orderLineItemId"] == sale["orderLineItemId"];
            }));
    }

    // What a member writes and reads needs the member's own token.
    void writesNeedAUserToken_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("post");
        QTest::addColumn<bool>("appToken"); // else none
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("errorId");
        for (const bool app : {true, false})
            for (const auto& [what, path, post] :
                 {std::tuple{"reply", "/respond_to_feedback", true},
                  {"rating", "/feedback", true},
                  {"awaiting", "/awaiting_feedback", false}})
                row(((app ? "application token, " : "no token, ") + QByteArray(what)).constData(),
                    QString(path), post, app, app ? 403 : 401, app ? 1100 : 1001);
    }
    void writesNeedAUserToken() {
        const QJsonObject body{{"feedbackId", "1000000000002"}};
        const Answer a = send(demo, fetch<QString>("path"),
                              fetch<bool>("appToken") ? tokenOf(demo) : QByteArray(),
                              fetch<bool>("post") ? body : QJsonObject());
        QCOMPARE(a.status, fetch<int>("status"));
        QCOMPARE(errorId(a), fetch<int>("errorId"));
    }

    // Faults name the new endpoints; the counters count them apart.
    void faultsAndCountersOfWrites() {
        demo.admin("clear");
        QVERIFY(demo.fault("status", {"on=respond_to_feedback", "status=503"}));
        QCOMPARE(send(demo, "/respond_to_feedback", demoToken, {{"feedbackId", "x"}}).status, 503);
        QCOMPARE(send(demo, "/respond_to_feedback", demoToken, {{"feedbackId", "x"}}).status, 400);
        QCOMPARE(send(demo, "/feedback", demoToken, {{"commentType", "POSITIVE"}}).status, 400);
        demoAwaiting();
        const QJsonObject stats = demo.stats();
        QCOMPARE(stats["respond_to_feedback"].toInt(), 2);
        QCOMPARE(stats["leave_feedback"].toInt(), 1);
        QCOMPARE(stats["awaiting_feedback"].toInt(), 1);
        QCOMPARE(stats["faults"].toInt(), 1);
    }
};

QTEST_GUILESS_MAIN(MarktsimTest)
#include "tst_marktsim.moc"
