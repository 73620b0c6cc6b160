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

const QString kFeedback = QStringLiteral("/commerce/feedback/v1/feedback?");
const QString kSummary = QStringLiteral("/commerce/feedback/v1/feedback_rating_summary?");

struct Answer {
    int status = 0;
    QJsonObject json;
    QByteArray body;

    int total() const { return json["pagination"]["total"].toInt(); }
    QJsonArray list() const { return json["feedbackEntries"].toArray(); }
    QString id(int at) const { return list().at(at)["feedbackId"].toString(); }
    int errorId() const { return json["errors"][0]["errorId"].toInt(); }
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
            .json["access_token"]
            .toString()
            .toUtf8();
    }
    Answer entries(const QString& query) { return call(sim, kFeedback + query, token); }
    // The ratings a member received; `more` adds to the query.
    Answer received(const QString& user, const QString& more = {}) {
        return entries("user_id=" + user + "&feedback_type=FEEDBACK_RECEIVED" + more);
    }
    QJsonArray allEntries(const QString& user, int total) {
        QJsonArray all;
        for (int offset = 0; offset < total; offset += 200)
            for (const QJsonValue& e :
                 received(user, "&limit=200&offset=" + QString::number(offset)).list())
                all.append(e);
        return all;
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
        const QByteArray ok = "notenschau:geheim";
        QTest::newRow("wrong secret")
            << QByteArray("grant_type=client_credentials&scope=x.commerce.feedback")
            << QByteArray("notenschau:falsch") << 401 << "invalid_client";
        QTest::newRow("no scope") << QByteArray("grant_type=client_credentials") << ok << 400
                                  << "invalid_scope";
        QTest::newRow("other grant")
            << QByteArray("grant_type=password") << ok << 400 << "unsupported_grant_type";
        QTest::newRow("unknown refresh token")
            << QByteArray("grant_type=refresh_token&refresh_token=x&scope=y") << ok << 400
            << "invalid_grant";
    }
    void tokenEndpointRefuses() {
        QFETCH(QByteArray, form);
        QFETCH(QByteArray, basic);
        QFETCH(int, status);
        QFETCH(QString, error);
        const Answer a = call(sim, "/identity/v1/oauth2/token", {}, form, basic);
        QCOMPARE(a.status, status);
        QCOMPARE(a.json["error"].toString(), error);
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
        QCOMPARE(a.errorId(), errorId);
        if (status == 400) {
            QCOMPARE(a.json["errors"][0]["domain"].toString(), QStringLiteral("API_FEEDBACK"));
            QVERIFY(!a.json["errors"][0]["message"].toString().isEmpty());
        }
    }

    void tokensAreChecked() {
        for (const QByteArray& bearer : {QByteArray(), QByteArray("v^1.1#erfunden")})
            QCOMPARE(call(sim, kFeedback + "user_id=alice&feedback_type=FEEDBACK_RECEIVED", bearer)
                         .status,
                     401);
    }

    void defaultLimitAndPagination() {
        const Answer a = received("alice", "&offset=440");
        const QJsonObject p = a.json["pagination"].toObject();
        QCOMPARE(p["total"].toInt(), 450);
        QCOMPARE(p["limit"].toInt(), 25);
        QCOMPARE(p["count"].toInt(), 10);
        QVERIFY(!p.contains("next"));
        QVERIFY(p.contains("prev"));
        QCOMPARE(a.list().size(), 10);
    }

    void summaryValidation() {
        const QString filter = "&filter=ratingType:OVERALL_EXPERIENCE,";
        Answer a =
            call(sim, kSummary + "user_id=niemand" + filter + "lookbackPeriodInDays:30", token);
        QCOMPARE(a.status, 404);
        QCOMPARE(a.errorId(), 501023);
        QCOMPARE(call(sim, kSummary + "user_id=alice" + filter + "period:30", token).errorId(),
                 501037);
        a = call(sim, kSummary + "user_id=alice" + filter + "lookbackPeriodInDays:365", token);
        QCOMPARE(a.status, 200);
        qint64 sum = 0;
        const QJsonArray roles =
            a.json["feedbackRatingSummary"][0]["ratingSummaryByRatingType"].toArray();
        QVERIFY(!roles.isEmpty());
        for (const QJsonValue& role : roles)
            for (const QJsonValue& d : role["feedbackRatingValueDistribution"].toArray())
                sum += d["count"].toInteger();
        QVERIFY(sum > 0 && sum < 450);
    }

    void sameSeedSameMarketplace() {
        marktsim::SimProcess twin, other;
        const QStringList alice{"--reference", "2026-01-01T00:00:00Z", "--member", "alice:450"};
        QVERIFY(twin.start(QStringList{"--seed", "3"} + alice));
        QVERIFY(other.start(QStringList{"--seed", "4"} + alice));
        const QString q =
            kFeedback + "user_id=alice&feedback_type=FEEDBACK_RECEIVED&limit=200&offset=200";
        const QByteArray mine = call(sim, q, token).body;
        QCOMPARE(call(twin, q, tokenOf(twin)).body, mine);
        QVERIFY(call(other, q, tokenOf(other)).body != mine);
    }

    void aQuarterMillionRatingsOnDemand() {
        const Answer a = received("riese", "&limit=200&offset=249900");
        QCOMPARE(a.total(), 250000);
        QCOMPARE(a.list().size(), 100);
        QString previous = "9999";
        for (const QJsonValue& e : a.list()) {
            const QString date = e["feedbackEnteredDate"].toString();
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
        for (const QJsonValue& e : all) {
            ids.insert(e["feedbackId"].toString());
            kinds.insert(e["commentType"].toString());
            const QString text = e["feedbackComment"]["commentText"].toString();
            umlauts += text.contains(QRegularExpression("[äöüÄÖÜß]"));
            entities += text.contains('&') && text.contains(';');
            escapes += text.contains("%FC");
            apostrophes += text.contains('\'');
            breaks += text.contains('\n');
            blanks += text.contains("  ");
            const QJsonValue giver = e["providerUserDetail"]["userId"];
            noNames += giver.isUndefined();
            emptyNames += !giver.isUndefined() && giver.toString().isEmpty();
            masked += giver.toString().contains("***");
        }
        QCOMPARE(ids.size(), 450);
        QCOMPARE(kinds, (QSet<QString>{"POSITIVE", "NEUTRAL", "NEGATIVE"}));
        for (int n :
             {umlauts, entities, escapes, apostrophes, breaks, blanks, masked, emptyNames, noNames})
            QVERIFY(n > 0);
    }

    void filterByKind() {
        int negatives = 0;
        for (const QJsonValue& v : allEntries("alice", 450))
            negatives += v["commentType"].toString() == "NEGATIVE";
        const Answer a = received("alice", "&limit=200&filter=commentType:NEGATIVE");
        QCOMPARE(a.total(), negatives);
        for (const QJsonValue& v : a.list())
            QCOMPARE(v["commentType"].toString(), QStringLiteral("NEGATIVE"));
    }

    void addAndWithdrawWhileRunning() {
        sim.admin("member", {{"user", "wachsend"}, {"count", "30"}});
        const QString oldNewest = received("wachsend").id(0);
        const QJsonObject added = sim.admin("add", {{"user", "wachsend"}, {"count", "3"}});
        QCOMPARE(added["total"].toInt(), 33);
        Answer a = received("wachsend");
        QCOMPARE(a.total(), 33);
        QCOMPARE(a.id(0), added["ids"].toArray().last().toString());
        QCOMPARE(a.id(3), oldNewest);

        const QUrlQuery withdraw{{"user", "wachsend"}, {"id", oldNewest}};
        QVERIFY(sim.admin("withdraw", withdraw)["withdrawn"].toBool());
        QVERIFY(!sim.admin("withdraw", withdraw)["withdrawn"].toBool());
        a = received("wachsend");
        QCOMPARE(a.total(), 32);
        for (int i = 0; i < a.list().size(); ++i)
            QVERIFY(a.id(i) != oldNewest);
    }

    void demoMarketplace() {
        marktsim::SimProcess demo;
        QVERIFY(demo.start({"--demo"}));
        const Answer a =
            call(demo, kFeedback + "user_id=notenschau_demo&feedback_type=FEEDBACK_RECEIVED",
                 tokenOf(demo));
        QCOMPARE(a.total(), 1234);
    }
};

QTEST_GUILESS_MAIN(MarktsimTest)
#include "tst_marktsim.moc"
