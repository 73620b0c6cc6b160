// Signing in with the marketplace: the consent address, what a user pastes,
// the code exchanged against the simulator's consent page, and which token
// each request takes once signed in.
#include "app/modini.h"
#include "marktsimProcess.h"
#include "retrieval/clsTalmBewertungen.h"
#include "retrieval/signIn.h"
#include "talmHarness.h"
#include "testData.h"

#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QtTest>

using retrieval::SignInFailure;
using testsupport::fetch;
using testsupport::row;

namespace {

const QString kRuName = QStringLiteral("Notenschau_Test-RuName");

// What the consent page answers the browser: the accept page's address it
// redirects to, or the page itself; or what the marketplace answers a request
// with that authorization, and with a form a POST.
struct BrowserVisit {
    int status = 0;
    QString location;
    QByteArray body;
};

BrowserVisit visit(const QUrl& url, const QByteArray& auth = {}, const QByteArray& form = {}) {
    QNetworkAccessManager nam;
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    if (!auth.isNull())
        request.setRawHeader("Authorization", auth);
    request.setHeader(QNetworkRequest::ContentTypeHeader, "application/x-www-form-urlencoded");
    QNetworkReply* reply = form.isNull() ? nam.get(request) : nam.post(request, form);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    BrowserVisit v{reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(),
                   QString::fromUtf8(reply->rawHeader("Location")), reply->readAll()};
    reply->deleteLater();
    return v;
}

retrieval::SignInResult exchange(const app::MarktplatzSettings& settings, const QString& code) {
    retrieval::SignInResult result = retrieval::SignInError{SignInFailure::Failed, {}};
    QEventLoop loop;
    retrieval::SignInExchange exchange(settings);
    exchange.start(code, [&](const retrieval::SignInResult& r) {
        result = r;
        loop.quit();
    });
    loop.exec();
    return result;
}

QString failureName(const retrieval::SignInResult& r) {
    if (const auto* e = std::get_if<retrieval::SignInError>(&r))
        return QString::number(int(e->failure)) + QLatin1Char(' ') + e->text;
    return QStringLiteral("signed in as ") + std::get<retrieval::SignedIn>(r).member;
}

} // namespace

class SignInTest : public QObject, talmtest::Fixture {
    Q_OBJECT

    app::MarktplatzSettings settings() const {
        app::MarktplatzSettings s;
        s.apiUrl = s.anmeldeUrl = s.identityUrl = sim.baseUrl();
        s.clientId = QStringLiteral("notenschau");
        s.clientSecret = QStringLiteral("geheim");
        s.ruName = kRuName;
        return s;
    }

    // The code the accept page's address carries after the consent page
    // answered as the simulator was told to.
    QString consentedAddress(const QString& state) {
        const BrowserVisit v = visit(retrieval::consentUrl(settings(), state));
        if (v.status != 302)
            qWarning("consent page: %d %s", v.status, v.body.constData());
        return v.location;
    }

private slots:
    void initTestCase() {
        QVERIFY2(sim.start({"--member", "anna:30", "--member", "bert:20", "--runame", kRuName,
                            "--refresh-token", "rt-anna:anna"}),
                 qPrintable(sim.errorString()));
    }
    void cleanup() {
        reset();
        sim.admin("consent", {{"mode", "manual"}});
    }

    void theConsentAddress() {
        app::MarktplatzSettings s = settings();
        s.anmeldeUrl = QStringLiteral("https://auth.ebay.com/");
        s.clientId = QStringLiteral("Mein Client&1");
        QCOMPARE(retrieval::consentUrl(s, QStringLiteral("a+b")).toString(QUrl::FullyEncoded),
                 QStringLiteral(
                     "https://auth.ebay.com/oauth2/authorize?client_id=Mein%20Client%261"
                     "&redirect_uri=Notenschau_Test-RuName&response_type=code"
                     "&scope=https%3A%2F%2Fapi.ebay.com%2Foauth%2Fapi_scope%2Fcommerce.feedback"
                     "%20https%3A%2F%2Fapi.ebay.com%2Foauth%2Fapi_scope%2F"
                     "commerce.identity.readonly&state=a%2Bb&locale=de-DE"));
        // 128 bits at least, and never the same twice.
        const QString state = retrieval::newSignInState();
        QVERIFY(state.size() >= 22);
        QVERIFY(state != retrieval::newSignInState());
        QCOMPARE(QUrl::toPercentEncoding(state), state.toLatin1());
    }

    // The hosts of production, sandbox and anything else (the simulator).
    void theMarketplaceHosts() {
        QCOMPARE(app::defaultAnmeldeUrl("https://api.ebay.com"), "https://auth.ebay.com");
        QCOMPARE(app::defaultIdentityUrl("https://api.ebay.com/"), "https://apiz.ebay.com");
        QCOMPARE(app::defaultAnmeldeUrl("https://api.sandbox.ebay.com"),
                 "https://auth.sandbox.ebay.com");
        QCOMPARE(app::defaultIdentityUrl("https://api.sandbox.ebay.com"),
                 "https://apiz.sandbox.ebay.com");
        QCOMPARE(app::defaultAnmeldeUrl("http://127.0.0.1:4711/"), "http://127.0.0.1:4711");
        QCOMPARE(app::defaultIdentityUrl("http://api.ebay.com"), "http://api.ebay.com");
    }

    // What a user pastes: the code, decoded once, or why there is none.
    void aPaste_data() {
        QTest::addColumn<QString>("pasted");
        QTest::addColumn<QString>("expected");
        const QString page = "https://auth2.ebay.com/oauth2/ThirdPartyAuthSucessFailure?";
        row("the whole address",
            page + "isAuthSuccessful=true&code=v%5E1.1%23i%5E1%2Bx&expires_in=299&state=s1",
            "v^1.1#i^1+x");
        row("without a state", " " + page + "isAuthSuccessful=true&code=abc%3D&expires_in=299\n",
            "abc=");
        row("the code alone, encoded", "v%5E1.1%23i%5E1", "v^1.1#i^1");
        row("the code alone", "v^1.1#i^1#r^1", "v^1.1#i^1#r^1");
        row("refused", page + "isAuthSuccessful=false&state=s1", "2");
        row("access denied", "https://example.org/cb?error=access_denied&state=s1", "2");
        row("another sign-in's address", page + "isAuthSuccessful=true&code=abc&state=s2", "3");
        row("an address without a code", page + "isAuthSuccessful=true&state=s1", "1");
        row("nothing", "   ", "1");
        row("words", "ich habe zugestimmt", "1");
    }
    void aPaste() {
        const auto code = retrieval::codeFromPaste(fetch<QString>("pasted"), "s1");
        const auto* error = std::get_if<retrieval::SignInError>(&code);
        QCOMPARE(error ? QString::number(int(error->failure)) : std::get<QString>(code),
                 fetch<QString>("expected"));
        if (error)
            QVERIFY(!error->text.isEmpty());
    }

    void theNoticeBeforeTheSignInRunsOut_data() {
        QTest::addColumn<QString>("until");
        QTest::addColumn<QString>("notice");
        const QString notice = "Ihre Anmeldung bei eBay %1. Bitte melden Sie sich neu an.";
        row("31 days ahead", "2027-01-08", "");
        row("30 days ahead", "2027-01-07", notice.arg("läuft am 07.01.2027 ab"));
        row("today", "2026-12-08", notice.arg("läuft am 08.12.2026 ab"));
        row("yesterday", "2026-12-07", notice.arg("ist am 07.12.2026 abgelaufen"));
        row("not signed in", "", "");
        row("broken date", "2027-13-01", "");
    }

    // The expiry alone tells: the token itself may be in the keyring.
    void theNoticeBeforeTheSignInRunsOut() {
        app::MarktplatzSettings s;
        s.anmeldungBis = fetch<QString>("until");
        QCOMPARE(retrieval::signInExpiryNotice(s, QDate(2026, 12, 8)), fetch<QString>("notice"));
    }

    // The consent page refuses what the real one refuses, before anyone agrees.
    void theConsentPageChecksItsParameters_data() {
        QTest::addColumn<QString>("replace");
        QTest::addColumn<QString>("with");
        QTest::addColumn<QString>("error");
        row("read-only scope", "commerce.identity.readonly", "commerce.feedback.readonly",
            "invalid_scope");
        row("other client", "client_id=notenschau", "client_id=x", "invalid_client");
        row("other RuName", "redirect_uri=", "redirect_uri=x", "invalid_request");
        row("no code asked for", "response_type=code", "response_type=token",
            "unsupported_response_type");
    }
    void theConsentPageChecksItsParameters() {
        QString url = retrieval::consentUrl(settings(), "s").toString(QUrl::FullyEncoded);
        url.replace(fetch<QString>("replace"), fetch<QString>("with"));
        const BrowserVisit v = visit(QUrl(url, QUrl::StrictMode));
        QCOMPARE(v.status, 400);
        QVERIFY2(v.body.contains(fetch<QString>("error").toUtf8()), v.body.constData());
        // Asked the right way, it shows the page to agree on.
        const BrowserVisit page = visit(retrieval::consentUrl(settings(), "s"));
        QCOMPARE(page.status, 200);
        QVERIFY(page.body.contains("Zustimmen") && page.body.contains("Ablehnen"));
    }

    // Agreed, the code is exchanged once, for the member who agreed.
    void aCodeWorksOnce() {
        sim.admin("consent", {{"mode", "auto"}, {"member", "bert"}});
        const QString address = consentedAddress("s1");
        const auto code = retrieval::codeFromPaste(address, "s1");
        QVERIFY2(std::holds_alternative<QString>(code), qPrintable(address));
        const retrieval::SignInResult first = exchange(settings(), std::get<QString>(code));
        QCOMPARE(failureName(first), QStringLiteral("signed in as bert"));
        const auto& in = std::get<retrieval::SignedIn>(first);
        QVERIFY(!in.refreshToken.isEmpty());
        // About 18 months, to the second: calendar days would hang on the hour.
        QVERIFY(qAbs(QDateTime::currentDateTimeUtc().secsTo(in.refreshExpires) - 47304000) < 120);
        const retrieval::SignInResult again = exchange(settings(), std::get<QString>(code));
        QCOMPARE(int(std::get<retrieval::SignInError>(again).failure),
                 int(SignInFailure::CodeUnusable));
    }

    void anExchangeThatFails_data() {
        QTest::addColumn<QString>("ruName");
        QTest::addColumn<QString>("code");
        QTest::addColumn<int>("failure");
        row("another RuName", "x", "", int(SignInFailure::WrongRuName));
        row("a made-up code", kRuName, "v^1.1#erfunden", int(SignInFailure::CodeUnusable));
        row("no RuName", "", "", int(SignInFailure::NoKeys));
    }
    void anExchangeThatFails() {
        sim.admin("consent", {{"mode", "auto"}, {"member", "anna"}});
        QString code = fetch<QString>("code");
        if (code.isEmpty())
            code = std::get<QString>(retrieval::codeFromPaste(consentedAddress("s"), "s"));
        app::MarktplatzSettings s = settings();
        s.ruName = fetch<QString>("ruName");
        const retrieval::SignInResult r = exchange(s, code);
        QVERIFY2(std::holds_alternative<retrieval::SignInError>(r), qPrintable(failureName(r)));
        QCOMPARE(int(std::get<retrieval::SignInError>(r).failure), fetch<int>("failure"));
    }

    void refusedOnTheConsentPage() {
        sim.admin("consent", {{"mode", "deny"}});
        const auto code = retrieval::codeFromPaste(consentedAddress("s9"), "s9");
        QCOMPARE(int(std::get<retrieval::SignInError>(code).failure), int(SignInFailure::Refused));
    }

    // Signed in, the own entries come with the user token, unmasked; the
    // summary and other members with the application token, which the
    // marketplace demands for the summary.
    void eachRequestTakesItsToken() {
        talmtest::useSimulator(sim, "rt-anna", "anna");
        const qint64 deniedBefore = sim.stats().value("denied").toInteger();
        retrieval::clsTalmBewertungen source(modini::settings());
        talmtest::Recorder rec(&source);
        QVERIFY(source.getUebersicht("anna"));
        QVERIFY(rec.waitEnd());
        QVERIFY2(rec.events.last() == "Finished 0", qPrintable(rec.events.join(" | ")));
        QCOMPARE(sim.stats().value("denied").toInteger(), deniedBefore);
        // Givers and item numbers (fields 4 and 5) come unmasked for one's own only.
        for (const auto& [member, own] : {std::pair{"ANNA", true}, {"bert", false}}) {
            rec.events.clear();
            rec.ended = false;
            source.resetSeite();
            QVERIFY(source.getSeite(member, 1, 25, false));
            QVERIFY(rec.waitEnd());
            const QStringList line = talmtest::fields(rec.lines().value(0));
            QCOMPARE(line.value(4).contains('*'), !own);
            QCOMPARE(line.value(5).isEmpty(), !own);
        }
    }

    // The marketplace's access error for a token without the scope.
    void theSummaryRefusesAUserToken() {
        const auto send = [&](const QString& path, const QByteArray& auth,
                              const QByteArray& form = {}) {
            return visit(QUrl(sim.baseUrl() + path), auth, form);
        };
        const QByteArray basic = "Basic " + QByteArray("notenschau:geheim").toBase64();
        const QByteArray scope = "https%3A%2F%2Fapi.ebay.com%2Foauth%2Fapi_scope%2Fcommerce.";
        const auto userToken =
            send("/identity/v1/oauth2/token", basic,
                 "grant_type=refresh_token&refresh_token=rt-anna&scope=" + scope + "feedback");
        const auto appToken =
            send("/identity/v1/oauth2/token", basic,
                 "grant_type=client_credentials&scope=" + scope + "feedback.readonly");
        const auto bearer = [](const QByteArray& answer) {
            return "Bearer " + QJsonDocument::fromJson(answer)["access_token"].toString().toUtf8();
        };
        const QString summary = "/commerce/feedback/v1/feedback_rating_summary?user_id=anna&"
                                "filter=ratingType:OVERALL_EXPERIENCE,lookbackPeriodInDays:30";
        const auto refused = send(summary, bearer(userToken.body));
        QCOMPARE(refused.status, 403);
        QCOMPARE(refused.body,
                 QByteArray(R"({"errors":[{"category":"REQUEST","domain":"ACCESS","errorId":1100,)"
                            R"("longMessage":"Insufficient permissions to fulfill the request.",)"
                            R"("message":"Access denied"}]})"));
        QCOMPARE(send(summary, bearer(appToken.body)).status, 200);
        // Nor does a member's grant give the read-only scope.
        const auto wider = send("/identity/v1/oauth2/token", basic,
                                "grant_type=refresh_token&refresh_token=rt-anna&scope=" + scope +
                                    "feedback.readonly");
        QCOMPARE(wider.status, 400);
        QVERIFY(wider.body.contains("invalid_scope"));
        // The identity interface answers the user token only.
        QCOMPARE(send("/commerce/identity/v1/user/", bearer(appToken.body)).status, 403);
    }

    // Revoked, or run out, a refresh token mints nothing any more; the source
    // says to sign in again and never goes on with an application token.
    void aSignInThatRanOut() {
        marktsim::SimProcess shortLived;
        QVERIFY(shortLived.start({"--member", "anna:30", "--refresh-token", "rt-anna:anna",
                                  "--refresh-token-lifetime", "1"}));
        QTest::qWait(1100);
        talmtest::useSimulator(shortLived, "rt-anna", "anna");
        retrieval::clsTalmBewertungen::clearTokenCache();
        QVERIFY(run("anzahl anna"));
        QCOMPARE(rec->events, QStringList{"Fehler 1008"});
        QCOMPARE(rec->fehlerText, QStringLiteral("eBay nimmt Ihre Anmeldung nicht mehr an: Sie ist "
                                                 "abgelaufen oder wurde widerrufen. Bitte melden "
                                                 "Sie sich neu an."));
        QCOMPARE(stat(shortLived, "entries"), 0);

        // A date in the settings already past: not even the token is asked for.
        talmtest::useSimulator(sim, "rt-anna", "anna");
        modini::marktplatz().anmeldungBis = QStringLiteral("2020-01-31");
        const qint64 tokens = stat("token");
        QVERIFY(run("anzahl anna"));
        QCOMPARE(rec->events, QStringList{"Fehler 1008"});
        QVERIFY(
            rec->fehlerText.startsWith("Ihre Anmeldung bei eBay ist am 31.01.2020 abgelaufen."));
        QCOMPARE(stat("token"), tokens);

        // Revoked by the marketplace (last: anna's token is gone after it).
        QCOMPARE(sim.admin("revoke", {{"member", "anna"}}).value("revoked").toInt(), 1);
        modini::marktplatz().anmeldungBis.clear();
        retrieval::clsTalmBewertungen::clearTokenCache();
        QVERIFY(run("anzahl anna"));
        QCOMPARE(rec->events, QStringList{"Fehler 1008"});
    }
};

QTEST_MAIN(SignInTest)
#include "tst_signIn.moc"
