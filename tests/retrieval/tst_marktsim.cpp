// The marketplace simulator itself: the interface's validation and error
// envelopes, tokens, the seeded marketplace and the admin commands.
#include "marktsimProcess.h"

#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTimer>
#include <QtTest>

namespace {

struct Answer {
    int status = 0;
    QJsonObject json;
    QByteArray body;
};

} // namespace

class MarktsimTest : public QObject {
    Q_OBJECT

    marktsim::SimProcess sim;
    QNetworkAccessManager nam;
    QByteArray token;

    Answer call(const marktsim::SimProcess& s, const QString& pathAndQuery,
                const QByteArray& bearer, const QByteArray& form = {},
                const QByteArray& basic = "notenschau:geheim") {
        QNetworkRequest request(QUrl(s.baseUrl() + pathAndQuery));
        request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
        QNetworkReply* reply;
        if (!form.isNull()) {
            request.setHeader(QNetworkRequest::ContentTypeHeader,
                              "application/x-www-form-urlencoded");
            request.setRawHeader("Authorization", "Basic " + basic.toBase64());
            reply = nam.post(request, form);
        } else {
            if (!bearer.isEmpty())
                request.setRawHeader("Authorization", "Bearer " + bearer);
            reply = nam.get(request);
        }
        QEventLoop loop;
        connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(10000, &loop, &QEventLoop::quit);
        loop.exec();
        Answer a;
        a.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        a.body = reply->readAll();
        a.json = QJsonDocument::fromJson(a.body).object();
        reply->deleteLater();
        return a;
    }
    QByteArray tokenOf(const marktsim::SimProcess& s) {
        return call(s, "/identity/v1/oauth2/token", {},
                    "grant_type=client_credentials&scope=https%3A%2F%2Fapi.ebay.com%2Foauth%2Fapi_"
                    "scope%2Fcommerce.feedback.readonly")
            .json.value("access_token")
            .toString()
            .toUtf8();
    }
    Answer entries(const QString& query) {
        return call(sim, "/commerce/feedback/v1/feedback?" + query, token);
    }
    QJsonArray allEntries(const QString& user, int total) {
        QJsonArray all;
        for (int offset = 0; offset < total; offset += 200)
            for (const QJsonValue& e :
                 entries(QStringLiteral("user_id=%1&feedback_type=FEEDBACK_RECEIVED&limit=200&"
                                        "offset=%2")
                             .arg(user)
                             .arg(offset))
                     .json.value("feedbackEntries")
                     .toArray())
                all.append(e);
        return all;
    }
    static int errorId(const Answer& a) {
        return a.json.value("errors").toArray().first().toObject().value("errorId").toInt();
    }

private slots:
    void initTestCase() {
        QVERIFY2(sim.start({"--seed", "3", "--reference", "2026-01-01T00:00:00Z", "--member",
                            "alice:450", "--member", "riese:250000", "--member", "leer:0"}),
                 qPrintable(sim.errorString()));
        token = tokenOf(sim);
        QVERIFY(token.contains('^') && token.contains('#'));
    }

    void tokenEndpointRefuses_data() {
        QTest::addColumn<QByteArray>("form");
        QTest::addColumn<QByteArray>("basic");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("error");
        QTest::newRow("wrong secret")
            << QByteArray("grant_type=client_credentials&scope=x.commerce.feedback")
            << QByteArray("notenschau:falsch") << 401 << "invalid_client";
        QTest::newRow("no scope") << QByteArray("grant_type=client_credentials")
                                  << QByteArray("notenschau:geheim") << 400 << "invalid_scope";
        QTest::newRow("other grant")
            << QByteArray("grant_type=password") << QByteArray("notenschau:geheim") << 400
            << "unsupported_grant_type";
        QTest::newRow("unknown refresh token")
            << QByteArray("grant_type=refresh_token&refresh_token=x&scope=y")
            << QByteArray("notenschau:geheim") << 400 << "invalid_grant";
    }
    void tokenEndpointRefuses() {
        QFETCH(QByteArray, form);
        QFETCH(QByteArray, basic);
        QFETCH(int, status);
        QFETCH(QString, error);
        const Answer a = call(sim, "/identity/v1/oauth2/token", {}, form, basic);
        QCOMPARE(a.status, status);
        QCOMPARE(a.json.value("error").toString(), error);
    }

    void entriesValidation_data() {
        QTest::addColumn<QString>("query");
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("errorId");
        const QString ok = "user_id=alice&feedback_type=FEEDBACK_RECEIVED";
        QTest::newRow("valid") << ok + "&sort=TIME&limit=25&offset=0" << 200 << 0;
        QTest::newRow("no user") << "feedback_type=FEEDBACK_RECEIVED" << 400 << 501000;
        QTest::newRow("unknown user")
            << "user_id=niemand&feedback_type=FEEDBACK_RECEIVED" << 400 << 501000;
        QTest::newRow("no type") << "user_id=alice" << 400 << 501001;
        QTest::newRow("bad sort") << ok + "&sort=NAME" << 400 << 501035;
        QTest::newRow("limit 24") << ok + "&limit=24" << 400 << 501002;
        QTest::newRow("limit 201") << ok + "&limit=201" << 400 << 501002;
        QTest::newRow("limit text") << ok + "&limit=viele" << 400 << 501002;
        QTest::newRow("negative offset") << ok + "&offset=-1" << 400 << 501002;
        QTest::newRow("bad comment type") << ok + "&filter=commentType:GUT" << 400 << 501036;
        QTest::newRow("no ratings")
            << "user_id=leer&feedback_type=FEEDBACK_RECEIVED" << 400 << 501039;
    }
    void entriesValidation() {
        QFETCH(QString, query);
        QFETCH(int, status);
        QFETCH(int, errorId);
        const Answer a = entries(query);
        QCOMPARE(a.status, status);
        QCOMPARE(MarktsimTest::errorId(a), errorId);
        if (status == 400) {
            const QJsonObject e = a.json.value("errors").toArray().first().toObject();
            QCOMPARE(e.value("domain").toString(), QStringLiteral("API_FEEDBACK"));
            QVERIFY(!e.value("message").toString().isEmpty());
        }
    }

    void tokensAreChecked_data() {
        QTest::addColumn<QByteArray>("bearer");
        QTest::newRow("none") << QByteArray();
        QTest::newRow("unknown") << QByteArray("v^1.1#erfunden");
    }
    void tokensAreChecked() {
        QFETCH(QByteArray, bearer);
        QCOMPARE(call(sim,
                      "/commerce/feedback/v1/feedback?user_id=alice&feedback_type=FEEDBACK_"
                      "RECEIVED",
                      bearer)
                     .status,
                 401);
    }

    void defaultLimitAndPagination() {
        const Answer a = entries("user_id=alice&feedback_type=FEEDBACK_RECEIVED&offset=440");
        const QJsonObject p = a.json.value("pagination").toObject();
        QCOMPARE(p.value("total").toInt(), 450);
        QCOMPARE(p.value("limit").toInt(), 25);
        QCOMPARE(p.value("count").toInt(), 10);
        QVERIFY(!p.contains("next"));
        QVERIFY(p.contains("prev"));
        QCOMPARE(a.json.value("feedbackEntries").toArray().size(), 10);
    }

    void summaryValidation() {
        const QString path = "/commerce/feedback/v1/feedback_rating_summary?";
        Answer a = call(sim,
                        path + "user_id=niemand&filter=ratingType:OVERALL_EXPERIENCE,"
                               "lookbackPeriodInDays:30",
                        token);
        QCOMPARE(a.status, 404);
        QCOMPARE(errorId(a), 501023);
        a = call(sim, path + "user_id=alice&filter=ratingType:OVERALL_EXPERIENCE,period:30", token);
        QCOMPARE(errorId(a), 501037);
        a = call(sim,
                 path + "user_id=alice&filter=ratingType:OVERALL_EXPERIENCE,"
                        "lookbackPeriodInDays:365",
                 token);
        QCOMPARE(a.status, 200);
        qint64 sum = 0;
        const QJsonArray roles = a.json.value("feedbackRatingSummary")
                                     .toArray()
                                     .first()
                                     .toObject()
                                     .value("ratingSummaryByRatingType")
                                     .toArray();
        QVERIFY(!roles.isEmpty());
        for (const QJsonValue& role : roles)
            for (const QJsonValue& d :
                 role.toObject().value("feedbackRatingValueDistribution").toArray())
                sum += d.toObject().value("count").toInteger();
        QVERIFY(sum > 0 && sum < 450);
    }

    void sameSeedSameMarketplace() {
        marktsim::SimProcess twin, other;
        QVERIFY(twin.start(
            {"--seed", "3", "--reference", "2026-01-01T00:00:00Z", "--member", "alice:450"}));
        QVERIFY(other.start(
            {"--seed", "4", "--reference", "2026-01-01T00:00:00Z", "--member", "alice:450"}));
        const QString q = "/commerce/feedback/v1/feedback?user_id=alice&feedback_type=FEEDBACK_"
                          "RECEIVED&limit=200&offset=200";
        const QByteArray mine = call(sim, q, token).body;
        QCOMPARE(call(twin, q, tokenOf(twin)).body, mine);
        QVERIFY(call(other, q, tokenOf(other)).body != mine);
    }

    void aQuarterMillionRatingsOnDemand() {
        const Answer a =
            entries("user_id=riese&feedback_type=FEEDBACK_RECEIVED&limit=200&offset=249900");
        QCOMPARE(a.json.value("pagination").toObject().value("total").toInt(), 250000);
        const QJsonArray list = a.json.value("feedbackEntries").toArray();
        QCOMPARE(list.size(), 100);
        QString previous = "9999";
        for (const QJsonValue& e : list) {
            const QString date = e.toObject().value("feedbackEnteredDate").toString();
            QVERIFY2(date <= previous, qPrintable(date));
            previous = date;
        }
        // Spread over years.
        QVERIFY(previous < "2021");
    }

    void ratingsCarryWhatRealPagesCarry() {
        const QJsonArray all = allEntries("alice", 450);
        QCOMPARE(all.size(), 450);
        QSet<QString> ids, kinds;
        int umlauts = 0, entities = 0, escapes = 0, apostrophes = 0, breaks = 0, blanks = 0,
            masked = 0, emptyNames = 0, noNames = 0;
        for (const QJsonValue& v : all) {
            const QJsonObject e = v.toObject();
            ids.insert(e.value("feedbackId").toString());
            kinds.insert(e.value("commentType").toString());
            const QString text =
                e.value("feedbackComment").toObject().value("commentText").toString();
            umlauts += text.contains(QRegularExpression("[äöüÄÖÜß]"));
            entities += text.contains('&') && text.contains(';');
            escapes += text.contains("%FC");
            apostrophes += text.contains('\'');
            breaks += text.contains('\n');
            blanks += text.contains("  ");
            const QJsonObject giver = e.value("providerUserDetail").toObject();
            if (!giver.contains("userId"))
                ++noNames;
            else if (giver.value("userId").toString().isEmpty())
                ++emptyNames;
            else if (giver.value("userId").toString().contains("***"))
                ++masked;
        }
        QCOMPARE(ids.size(), 450);
        QCOMPARE(kinds, (QSet<QString>{"POSITIVE", "NEUTRAL", "NEGATIVE"}));
        for (int n :
             {umlauts, entities, escapes, apostrophes, breaks, blanks, masked, emptyNames, noNames})
            QVERIFY(n > 0);
    }

    void filterByKind() {
        const QJsonArray all = allEntries("alice", 450);
        int negatives = 0;
        for (const QJsonValue& v : all)
            negatives += v.toObject().value("commentType").toString() == "NEGATIVE";
        const Answer a = entries(
            "user_id=alice&feedback_type=FEEDBACK_RECEIVED&limit=200&filter=commentType:NEGATIVE");
        QCOMPARE(a.json.value("pagination").toObject().value("total").toInt(), negatives);
        for (const QJsonValue& v : a.json.value("feedbackEntries").toArray())
            QCOMPARE(v.toObject().value("commentType").toString(), QStringLiteral("NEGATIVE"));
    }

    void addAndWithdrawWhileRunning() {
        sim.admin("member", {{"user", "wachsend"}, {"count", "30"}});
        const QString q = "user_id=wachsend&feedback_type=FEEDBACK_RECEIVED&limit=25";
        const QString oldNewest = entries(q)
                                      .json.value("feedbackEntries")
                                      .toArray()
                                      .first()
                                      .toObject()
                                      .value("feedbackId")
                                      .toString();
        const QJsonObject added = sim.admin("add", {{"user", "wachsend"}, {"count", "3"}});
        QCOMPARE(added.value("total").toInt(), 33);
        Answer a = entries(q);
        QCOMPARE(a.json.value("pagination").toObject().value("total").toInt(), 33);
        const QJsonArray list = a.json.value("feedbackEntries").toArray();
        QCOMPARE(list.at(0).toObject().value("feedbackId").toString(),
                 added.value("ids").toArray().last().toString());
        QCOMPARE(list.at(3).toObject().value("feedbackId").toString(), oldNewest);

        QVERIFY(sim.admin("withdraw", {{"user", "wachsend"}, {"id", oldNewest}})
                    .value("withdrawn")
                    .toBool());
        QVERIFY(!sim.admin("withdraw", {{"user", "wachsend"}, {"id", oldNewest}})
                     .value("withdrawn")
                     .toBool());
        a = entries(q);
        QCOMPARE(a.json.value("pagination").toObject().value("total").toInt(), 32);
        for (const QJsonValue& v : a.json.value("feedbackEntries").toArray())
            QVERIFY(v.toObject().value("feedbackId").toString() != oldNewest);
    }

    void demoMarketplace() {
        marktsim::SimProcess demo;
        QVERIFY(demo.start({"--demo"}));
        const QByteArray t = tokenOf(demo);
        const Answer a = call(demo,
                              "/commerce/feedback/v1/feedback?user_id=notenschau_demo&"
                              "feedback_type=FEEDBACK_RECEIVED",
                              t);
        QCOMPARE(a.json.value("pagination").toObject().value("total").toInt(), 1234);
    }
};

QTEST_GUILESS_MAIN(MarktsimTest)
#include "tst_marktsim.moc"
