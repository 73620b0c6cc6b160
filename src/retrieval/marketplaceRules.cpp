#include "retrieval/marketplaceRules.h"

#include "retrieval/feedbackJson.h"
#include "retrieval/marktplatzHttp.h"

#include <QHash>
#include <QHostAddress>
#include <QUrl>

namespace retrieval {

namespace {

constexpr int kErrorUserId = 501000;
constexpr int kErrorNoFeedback = 501039;
constexpr int kErrorPeriod = 501037;

QString theirMessage(const feedbackJson::ErrorAnswer& error) {
    return error.message.left(300);
}

} // namespace

std::optional<Endpoint> endpointOf(const QString& apiUrl) {
    const QUrl url(apiUrl.trimmed());
    const QString scheme = url.scheme().toLower();
    const QHostAddress host(url.host());
    const bool loopback = !host.isNull() && host.isLoopback();
    const bool allowed =
        url.isValid() && !url.host().isEmpty() &&
        (scheme == QLatin1String("https") || (scheme == QLatin1String("http") && loopback));
    if (!allowed)
        return std::nullopt;
    // Paths are appended with their own slash; Qt keeps the slash of a bare
    // host ("https://api.ebay.com/"), which would make "//identity/...".
    QString base = url.toString(QUrl::RemoveQuery | QUrl::RemoveFragment);
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    return Endpoint{base, loopback};
}

std::variant<SourceSetup, SourceFault> checkSettings(const app::MarktplatzSettings& settings,
                                                     int defaultDeadlineMs,
                                                     const QString& configPath) {
    if (settings.clientId.isEmpty() || settings.clientSecret.isEmpty())
        return SourceFault{kFehlerZugangsdaten,
                           QStringLiteral("Für den Zugriff auf den Marktplatz fehlen die "
                                          "Zugangsdaten. Bitte tragen Sie ClientId und "
                                          "ClientSecret im Abschnitt [Marktplatz] der Datei %1 "
                                          "ein.")
                               .arg(configPath)};
    const auto endpoint = endpointOf(settings.apiUrl);
    if (!endpoint)
        return SourceFault{kFehlerAdresse,
                           QStringLiteral("Die Adresse \"%1\" des Marktplatzes ist nicht "
                                          "zulässig: erlaubt ist https, unverschlüsseltes http "
                                          "nur zum eigenen Rechner (127.0.0.1). Bitte prüfen Sie "
                                          "ApiUrl im Abschnitt [Marktplatz] der Datei %2.")
                               .arg(settings.apiUrl, configPath)};
    SourceSetup setup{*endpoint, defaultDeadlineMs};
    const auto number = [&](const QString& value, const char* key, int most,
                            const char* what) -> std::optional<SourceFault> {
        bool isNumber = false;
        const int n = value.toInt(&isNumber);
        if (isNumber && n >= 1 && n <= most)
            return std::nullopt;
        return SourceFault{
            kFehlerEinstellung,
            QStringLiteral("Der Wert \"%1\" von %2 im Abschnitt [Marktplatz] der "
                           "Datei %3 ist %4.")
                .arg(value.left(80), QLatin1String(key), configPath, QString::fromUtf8(what))};
    };
    if (!settings.zeitlimit.isEmpty()) {
        if (auto fault = number(settings.zeitlimit, "Zeitlimit", 3600,
                                "keine Zahl von Sekunden zwischen 1 und 3600"))
            return *fault;
        setup.deadlineMs = settings.zeitlimit.toInt() * 1000;
    }
    if (!settings.parallel.isEmpty()) {
        if (auto fault = number(settings.parallel, "Parallel", kMostParallel,
                                "keine Zahl gleichzeitiger Anfragen zwischen 1 und 8"))
            return *fault;
        setup.parallel = settings.parallel.toInt();
    }
    return setup;
}

QString marketplaceIdFor(const QString& plattform) {
    static const QHash<QString, QString> ids{
        {"ebay.de", "EBAY_DE"},  {"ebay.at", "EBAY_AT"},     {"ebay.ch", "EBAY_CH"},
        {"ebay.com", "EBAY_US"}, {"ebay.co.uk", "EBAY_GB"},  {"ebay.fr", "EBAY_FR"},
        {"ebay.it", "EBAY_IT"},  {"ebay.es", "EBAY_ES"},     {"ebay.nl", "EBAY_NL"},
        {"ebay.be", "EBAY_BE"},  {"ebay.pl", "EBAY_PL"},     {"ebay.ie", "EBAY_IE"},
        {"ebay.ca", "EBAY_CA"},  {"ebay.com.au", "EBAY_AU"},
    };
    QString domain = plattform.trimmed().toLower();
    if (domain.startsWith(QLatin1String("www.")))
        domain = domain.mid(4);
    return ids.value(domain, QStringLiteral("EBAY_DE"));
}

AnswerClass classifyAnswer(int status, const QByteArray& body) {
    if (status == 200)
        return AnswerClass::Ok;
    if (status == 404)
        return AnswerClass::UnknownMember;
    if (status != 400)
        return AnswerClass::Refused;
    switch (feedbackJson::parseError(body).errorId) {
    case kErrorUserId:
        return AnswerClass::UnknownMember;
    case kErrorNoFeedback:
        return AnswerClass::NoFeedback;
    case kErrorPeriod:
        return AnswerClass::PeriodNamedOtherwise;
    default:
        return AnswerClass::Refused;
    }
}

SourceFault httpFault(int status, const QByteArray& body, const QString& configPath) {
    QString description =
        QStringLiteral("Der Marktplatz hat die Anfrage mit HTTP-Status %1 abgelehnt.").arg(status);
    if (status == 401)
        description = QStringLiteral("Der Marktplatz hat die Anmeldung abgelehnt (HTTP-Status "
                                     "401). Bitte prüfen Sie die Zugangsdaten im Abschnitt "
                                     "[Marktplatz] der Datei %1.")
                          .arg(configPath);
    else if (status == 429)
        description = QStringLiteral("Der Marktplatz meldet zu viele Anfragen (HTTP-Status 429). "
                                     "Bitte versuchen Sie es später erneut.");
    else if (status >= 500)
        description = QStringLiteral("Der Marktplatz meldet eine Störung (HTTP-Status %1). Bitte "
                                     "versuchen Sie es später erneut.")
                          .arg(status);
    const feedbackJson::ErrorAnswer error = feedbackJson::parseError(body);
    if (!error.message.isEmpty())
        description += QStringLiteral(" Meldung: %1").arg(theirMessage(error));
    return {qint16(status), description};
}

SourceFault tokenFault(int status, const QByteArray& body, const QString& configPath) {
    if (HttpExchange::isRetryableStatus(status))
        return httpFault(status, body, configPath);
    const feedbackJson::ErrorAnswer error = feedbackJson::parseError(body);
    const bool keysRefused =
        (status == 400 || status == 401) && (error.oauthError == QLatin1String("invalid_client") ||
                                             error.oauthError == QLatin1String("invalid_grant"));
    QString description =
        QStringLiteral("Die Anmeldung am Marktplatz ist fehlgeschlagen (HTTP-Status %1%2).")
            .arg(QString::number(status),
                 error.message.isEmpty() ? QString() : QStringLiteral(": ") + theirMessage(error));
    if (keysRefused)
        description += QStringLiteral(" Bitte prüfen Sie ClientId, ClientSecret und RefreshToken "
                                      "im Abschnitt [Marktplatz] der Datei %1.")
                           .arg(configPath);
    return {qint16(status), description};
}

bool refusedSignIn(int status, const QByteArray& body) {
    return status == 400 &&
           feedbackJson::parseError(body).oauthError == QLatin1String("invalid_grant");
}

SourceFault signInRevokedFault() {
    return {kFehlerAnmeldung,
            QStringLiteral("eBay nimmt Ihre Anmeldung nicht mehr an: Sie ist abgelaufen oder "
                           "wurde widerrufen. Bitte melden Sie sich neu an.")};
}

SourceFault signInExpiredFault(const QDate& expired) {
    return {kFehlerAnmeldung, QStringLiteral("Ihre Anmeldung bei eBay ist am %1 abgelaufen. "
                                             "Bitte melden Sie sich neu an.")
                                  .arg(expired.toString(QStringLiteral("dd.MM.yyyy")))};
}

SourceFault vanishedMemberFault(const QString& user, int status) {
    return {qint16(status), QStringLiteral("Der Marktplatz kennt das Mitglied \"%1\" nicht mehr "
                                           "(HTTP-Status %2).")
                                .arg(user.left(80), QString::number(status))};
}

SourceFault malformedFault() {
    return {kFehlerAntwortFormat,
            QStringLiteral("Die Antwort des Marktplatzes hat nicht das erwartete Format.")};
}

} // namespace retrieval
