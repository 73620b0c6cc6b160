// What the feedback source allows of its settings and what it makes of the
// marketplace's refusals, without a marketplace.
#include "retrieval/marketplaceRules.h"
#include "testData.h"

#include <QtTest>

using retrieval::AnswerClass;
using testsupport::fetch;
using testsupport::row;

namespace {

const QString kIni = QStringLiteral("/x/Bin/config.INI");

QByteArray envelope(int errorId, const char* message = "nein") {
    return QStringLiteral(R"({"errors":[{"errorId":%1,"message":"%2"}]})")
        .arg(errorId)
        .arg(QLatin1String(message))
        .toUtf8();
}

QByteArray oauth(const char* error) {
    return QStringLiteral(R"({"error":"%1","error_description":"d"})")
        .arg(QLatin1String(error))
        .toUtf8();
}

} // namespace

class SourceRulesTest : public QObject {
    Q_OBJECT
private slots:
    // A fault's number 0: the settings pass, with that base and deadline.
    void settings_data() {
        QTest::addColumn<QString>("apiUrl");
        QTest::addColumn<QString>("secret");
        QTest::addColumn<QString>("zeitlimit");
        QTest::addColumn<QString>("parallel");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("result"); // the base and deadline, or the fault's text
        row("https", " https://api.example/v1/?q=1#f ", "s", QString(), QString(), 0,
            "https://api.example/v1 60000 4 at once");
        row("loopback http", "http://127.0.0.1:8080/sim/", "s", "5", "1", 0,
            "http://127.0.0.1:8080/sim 5000 loopback 1 at once");
        row("a host with its slash", "https://api.example/", "s", QString(), "8", 0,
            "https://api.example 60000 8 at once");
        row("no secret", "https://api.example", QString(), QString(), QString(), 1004,
            QString("Für den Zugriff auf den Marktplatz fehlen die Zugangsdaten. Bitte tragen Sie "
                    "ClientId und ClientSecret im Abschnitt [Marktplatz] der Datei %1 ein.")
                .arg(kIni));
        const QString address =
            QStringLiteral("Die Adresse \"%1\" des Marktplatzes ist nicht zulässig: erlaubt ist "
                           "https, unverschlüsseltes http nur zum eigenen Rechner (127.0.0.1). "
                           "Bitte prüfen Sie ApiUrl im Abschnitt [Marktplatz] der Datei %2.");
        for (const char* url : {"http://192.0.2.10:8080", "http://api.ebay.com", "ftp://127.0.0.1/",
                                "https://", "api.ebay.com"})
            row(url, url, "s", QString(), QString(), 1005, address.arg(url, kIni));
        const QString deadline =
            QStringLiteral("Der Wert \"%1\" von Zeitlimit im Abschnitt [Marktplatz] der Datei %2 "
                           "ist keine Zahl von Sekunden zwischen 1 und 3600.");
        for (const char* value : {"bald", "0", "3601"})
            row(value, "https://api.example", "s", value, QString(), 1007,
                deadline.arg(value, kIni));
        const QString parallel =
            QStringLiteral("Der Wert \"%1\" von Parallel im Abschnitt [Marktplatz] der Datei %2 "
                           "ist keine Zahl gleichzeitiger Anfragen zwischen 1 und 8.");
        for (const char* value : {"viele", "0", "9", "2,5"})
            row((QByteArray("Parallel ") + value).constData(), "https://api.example", "s", "5",
                value, 1007, parallel.arg(value, kIni));
    }
    void settings() {
        app::MarktplatzSettings settings;
        settings.apiUrl = fetch<QString>("apiUrl");
        settings.clientId = QStringLiteral("id");
        settings.clientSecret = fetch<QString>("secret");
        settings.zeitlimit = fetch<QString>("zeitlimit");
        settings.parallel = fetch<QString>("parallel");
        const auto checked = retrieval::checkSettings(settings, 60000, kIni);
        QString result;
        qint16 number = 0;
        if (const auto* fault = std::get_if<retrieval::SourceFault>(&checked)) {
            number = fault->number;
            result = fault->description;
        } else {
            const auto& setup = std::get<retrieval::SourceSetup>(checked);
            result = QStringLiteral("%1 %2%3 %4 at once")
                         .arg(setup.endpoint.base)
                         .arg(setup.deadlineMs)
                         .arg(setup.endpoint.loopback ? " loopback" : "")
                         .arg(setup.parallel);
        }
        QCOMPARE(number, fetch<int>("number"));
        QCOMPARE(result, fetch<QString>("result"));
    }

    // token: a token request's answer.
    void refusals_data() {
        QTest::addColumn<bool>("token");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<AnswerClass>("kind");
        QTest::addColumn<QString>("text");
        const QString refused =
            QStringLiteral("Der Marktplatz hat die Anfrage mit HTTP-Status %1 abgelehnt.");
        const QString later = QStringLiteral("Der Marktplatz meldet eine Störung (HTTP-Status "
                                             "%1). Bitte versuchen Sie es später erneut.");
        const QString login =
            QStringLiteral("Die Anmeldung am Marktplatz ist fehlgeschlagen (HTTP-Status %1).");
        const QString keys = QStringLiteral(" Bitte prüfen Sie ClientId, ClientSecret und "
                                            "RefreshToken im Abschnitt [Marktplatz] der Datei ") +
                             kIni + u'.';
        row("unknown member", false, 404, QByteArray(), AnswerClass::UnknownMember,
            refused.arg(404));
        const QString nein = refused.arg(400) + " Meldung: nein";
        row("unknown user id", false, 400, envelope(501000), AnswerClass::UnknownMember, nein);
        row("no feedback", false, 400, envelope(501039), AnswerClass::NoFeedback, nein);
        row("period key", false, 400, envelope(501037), AnswerClass::PeriodNamedOtherwise, nein);
        row("other 400", false, 400, envelope(1), AnswerClass::Refused, nein);
        row("403", false, 403, QByteArray("{}"), AnswerClass::Refused, refused.arg(403));
        row("401", false, 401, QByteArray(), AnswerClass::Refused,
            QStringLiteral("Der Marktplatz hat die Anmeldung abgelehnt (HTTP-Status 401). Bitte "
                           "prüfen Sie die Zugangsdaten im Abschnitt [Marktplatz] der Datei ") +
                kIni + u'.');
        row("429", false, 429, QByteArray(), AnswerClass::Refused,
            QStringLiteral("Der Marktplatz meldet zu viele Anfragen (HTTP-Status 429). Bitte "
                           "versuchen Sie es später erneut."));
        row("500 with a long message", false, 500, envelope(1, qPrintable(QString(400, u'x'))),
            AnswerClass::Refused, later.arg(500) + " Meldung: " + QString(300, u'x'));
        row("token 503", true, 503, oauth("temporarily_unavailable"), AnswerClass::Refused,
            later.arg(503) + " Meldung: temporarily_unavailable (d)");
        row("token, bad client", true, 401, oauth("invalid_client"), AnswerClass::Refused,
            login.arg("401: invalid_client (d)") + keys);
        row("token, bad refresh", true, 400, oauth("invalid_grant"), AnswerClass::Refused,
            login.arg("400: invalid_grant (d)") + keys);
        row("token, bad scope", true, 400, oauth("invalid_scope"), AnswerClass::Refused,
            login.arg("400: invalid_scope (d)"));
        row("token 403", true, 403, QByteArray(), AnswerClass::Refused, login.arg(403));
    }
    void refusals() {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QCOMPARE(retrieval::classifyAnswer(status, body), fetch<AnswerClass>("kind"));
        const retrieval::SourceFault fault = fetch<bool>("token")
                                                 ? retrieval::tokenFault(status, body, kIni)
                                                 : retrieval::httpFault(status, body, kIni);
        QCOMPARE(fault.number, qint16(status));
        QCOMPARE(fault.description, fetch<QString>("text"));
    }
};

QTEST_GUILESS_MAIN(SourceRulesTest)
#include "tst_sourceRules.moc"
