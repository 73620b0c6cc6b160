#include "retrieval/clsTalmBewertungen.h"

#include "app/modGlobal.h"
#include "errors/procedure.h"
#include "retrieval/feedbackJson.h"

#include <QDeadlineTimer>
#include <QHash>
#include <QHostAddress>
#include <QMetaObject>
#include <QNetworkProxy>
#include <QNetworkRequest>
#include <QPointer>
#include <QUrl>

namespace {

constexpr char kTokenPath[] = "/identity/v1/oauth2/token";
constexpr char kEntriesPath[] = "/commerce/feedback/v1/feedback";
constexpr char kSummaryPath[] = "/commerce/feedback/v1/feedback_rating_summary";
constexpr char kAppScope[] = "https://api.ebay.com/oauth/api_scope/commerce.feedback.readonly";
constexpr char kUserScope[] = "https://api.ebay.com/oauth/api_scope/commerce.feedback";
constexpr int kPerioden[3] = {30, 180, 365};

constexpr int kErrorUserId = 501000;
constexpr int kErrorNoFeedback = 501039;
constexpr int kErrorPeriod = 501037;

struct CachedToken {
    QString token;
    QDeadlineTimer validUntil; // monotonic: a wall-clock jump does not stretch a token
};

QHash<QString, CachedToken>& tokenCache() {
    static QHash<QString, CachedToken> cache;
    return cache;
}

clsTalmBewertungen::Timing& defaults() {
    static clsTalmBewertungen::Timing timing;
    return timing;
}

// Which name of the summary's period filter the marketplace took last.
bool& summaryUsesPeriodKey() {
    static bool period = false;
    return period;
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

QString enc(const QString& value) {
    return QString::fromLatin1(QUrl::toPercentEncoding(value));
}

qint32 pagesOf(qint64 total) {
    return qint32((total + clsTalmBewertungen::kSeite - 1) / clsTalmBewertungen::kSeite);
}

} // namespace

clsTalmBewertungen::Timing clsTalmBewertungen::defaultTiming() {
    return defaults();
}

void clsTalmBewertungen::setDefaultTiming(const Timing& timing) {
    defaults() = timing;
}

void clsTalmBewertungen::clearTokenCache() {
    tokenCache().clear();
    summaryUsesPeriodKey() = false;
}

clsTalmBewertungen::clsTalmBewertungen(QObject* parent) : QObject(parent), m_timing(defaults()) {
    m_http = std::make_unique<retrieval::HttpExchange>(&m_nam, m_timing.http);
}

clsTalmBewertungen::~clsTalmBewertungen() {
    ++m_generation;
    m_http.reset();
}

void clsTalmBewertungen::setTiming(const Timing& timing) {
    m_timing = timing;
    m_http = std::make_unique<retrieval::HttpExchange>(&m_nam, m_timing.http);
}

bool clsTalmBewertungen::begin() {
    ++m_generation;
    m_http->abort();
    m_busy = true;
    m_reportBytes = false;
    m_settings = modini::marktplatz();
    m_marketplaceId = marketplaceIdFor(modGlobal::sPlattform);

    if (m_settings.clientId.isEmpty() || m_settings.clientSecret.isEmpty()) {
        queueFehler(retrieval::kFehlerZugangsdaten,
                    QStringLiteral("Für den Zugriff auf den Marktplatz fehlen die Zugangsdaten. "
                                   "Bitte tragen Sie ClientId und ClientSecret im Abschnitt "
                                   "[Marktplatz] der Datei %1 ein.")
                        .arg(modini::configPath()));
        return false;
    }
    const QUrl url(m_settings.apiUrl.trimmed());
    const QString scheme = url.scheme().toLower();
    const QHostAddress host(url.host());
    const bool loopback = !host.isNull() && host.isLoopback();
    const bool allowed =
        url.isValid() && !url.host().isEmpty() &&
        (scheme == QLatin1String("https") || (scheme == QLatin1String("http") && loopback));
    if (!allowed) {
        queueFehler(retrieval::kFehlerAdresse,
                    QStringLiteral("Die Adresse \"%1\" des Marktplatzes ist nicht zulässig: "
                                   "erlaubt ist https, unverschlüsseltes http nur zum eigenen "
                                   "Rechner (127.0.0.1). Bitte prüfen Sie ApiUrl im Abschnitt "
                                   "[Marktplatz] der Datei %2.")
                        .arg(m_settings.apiUrl, modini::configPath()));
        return false;
    }
    int deadlineMs = m_timing.http.deadlineMs;
    if (!m_settings.zeitlimit.isEmpty()) {
        bool number = false;
        const int seconds = m_settings.zeitlimit.toInt(&number);
        if (!number || seconds < 1 || seconds > 3600) {
            queueFehler(retrieval::kFehlerEinstellung,
                        QStringLiteral("Der Wert \"%1\" von Zeitlimit im Abschnitt [Marktplatz] "
                                       "der Datei %2 ist keine Zahl von Sekunden zwischen 1 und "
                                       "3600.")
                            .arg(m_settings.zeitlimit.left(80), modini::configPath()));
            return false;
        }
        deadlineMs = seconds * 1000;
    }
    m_http->setDeadlineMs(deadlineMs);
    // A proxy from the environment must not see loopback traffic.
    const auto proxy = loopback ? QNetworkProxy::NoProxy : QNetworkProxy::DefaultProxy;
    if (m_nam.proxy().type() != proxy)
        m_nam.setProxy(QNetworkProxy(proxy));
    m_base = url.toString(QUrl::RemoveQuery | QUrl::RemoveFragment | QUrl::StripTrailingSlash);
    return true;
}

void clsTalmBewertungen::later(std::function<void()> f) {
    QMetaObject::invokeMethod(
        this,
        [now = current(), f = std::move(f)] {
            if (now.holds())
                f();
        },
        Qt::QueuedConnection);
}

void clsTalmBewertungen::queueFehler(qint16 number, const QString& description) {
    later([this, number, description] { fail(number, description); });
}

void clsTalmBewertungen::fail(qint16 number, const QString& description) {
    ++m_generation;
    m_http->abort();
    m_busy = false;
    emit Fehler(number, description);
}

void clsTalmBewertungen::finish() {
    ++m_generation;
    m_busy = false;
    emit Finished(false);
}

void clsTalmBewertungen::httpFehler(int status, const QByteArray& body) {
    const feedbackJson::ErrorAnswer error = feedbackJson::parseError(body);
    QString description =
        QStringLiteral("Der Marktplatz hat die Anfrage mit HTTP-Status %1 abgelehnt.").arg(status);
    if (status == 401)
        description = QStringLiteral("Der Marktplatz hat die Anmeldung abgelehnt (HTTP-Status "
                                     "401). Bitte prüfen Sie die Zugangsdaten im Abschnitt "
                                     "[Marktplatz] der Datei %1.")
                          .arg(modini::configPath());
    else if (status == 429)
        description = QStringLiteral("Der Marktplatz meldet zu viele Anfragen (HTTP-Status 429). "
                                     "Bitte versuchen Sie es später erneut.");
    else if (status >= 500)
        description = QStringLiteral("Der Marktplatz meldet eine Störung (HTTP-Status %1). Bitte "
                                     "versuchen Sie es später erneut.")
                          .arg(status);
    if (!error.message.isEmpty())
        description += QStringLiteral(" Meldung: %1").arg(error.message.left(300));
    fail(qint16(status), description);
}

void clsTalmBewertungen::tokenFehler(int status, const QByteArray& body) {
    // A fault of the marketplace, retried like any request's, says nothing
    // of the keys; only a refusal of the client or its refresh token does.
    if (retrieval::HttpExchange::isRetryableStatus(status))
        return httpFehler(status, body);
    const feedbackJson::ErrorAnswer error = feedbackJson::parseError(body);
    const bool keysRefused =
        (status == 400 || status == 401) && (error.oauthError == QLatin1String("invalid_client") ||
                                             error.oauthError == QLatin1String("invalid_grant"));
    QString description =
        QStringLiteral("Die Anmeldung am Marktplatz ist fehlgeschlagen (HTTP-Status %1%2).")
            .arg(QString::number(status), error.message.isEmpty()
                                              ? QString()
                                              : QStringLiteral(": ") + error.message.left(300));
    if (keysRefused)
        description += QStringLiteral(" Bitte prüfen Sie ClientId, ClientSecret und RefreshToken "
                                      "im Abschnitt [Marktplatz] der Datei %1.")
                           .arg(modini::configPath());
    fail(qint16(status), description);
}

void clsTalmBewertungen::malformed() {
    fail(retrieval::kFehlerAntwortFormat,
         QStringLiteral("Die Antwort des Marktplatzes hat nicht das erwartete Format."));
}

QString clsTalmBewertungen::tokenKey() const {
    return m_base + QLatin1Char('\n') + m_settings.clientId + QLatin1Char('\n') +
           m_settings.refreshToken;
}

void clsTalmBewertungen::withToken(const std::function<void(const QString& token)>& then) {
    const QString key = tokenKey();
    const auto cached = tokenCache().constFind(key);
    if (cached != tokenCache().constEnd() && !cached->validUntil.hasExpired()) {
        then(cached->token);
        return;
    }
    tokenCache().remove(key);

    QNetworkRequest request(QUrl(m_base + QLatin1String(kTokenPath)));
    request.setHeader(QNetworkRequest::ContentTypeHeader,
                      QStringLiteral("application/x-www-form-urlencoded"));
    request.setRawHeader("Accept", "application/json");
    request.setRawHeader(
        "Authorization",
        "Basic " +
            (m_settings.clientId + QLatin1Char(':') + m_settings.clientSecret).toUtf8().toBase64());
    QString form;
    if (m_settings.refreshToken.isEmpty())
        form = QStringLiteral("grant_type=client_credentials&scope=") + enc(kAppScope);
    else
        form = QStringLiteral("grant_type=refresh_token&refresh_token=") +
               enc(m_settings.refreshToken) + QStringLiteral("&scope=") + enc(kUserScope);

    m_http->start(request, form.toUtf8(), [this, now = current(), key, then](const auto& result) {
        if (!now.holds())
            return;
        if (!result.ok)
            return fail(result.number, result.description);
        if (result.status != 200)
            return tokenFehler(result.status, result.body);
        const auto token = feedbackJson::parseToken(result.body);
        if (!token)
            return malformed();
        const qint64 margin =
            std::min<qint64>(m_timing.tokenMarginS, std::max<qint64>(0, token->expiresIn / 10));
        tokenCache().insert(
            key, {token->accessToken, QDeadlineTimer((token->expiresIn - margin) * 1000)});
        then(token->accessToken);
    });
}

void clsTalmBewertungen::apiGet(const QString& path, const QString& query, const Answer& onAnswer,
                                bool repeated) {
    const Current now = current();
    withToken([=, this](const QString& token) {
        QUrl url(m_base + path);
        url.setQuery(query, QUrl::StrictMode);
        QNetworkRequest request(url);
        request.setRawHeader("Authorization", "Bearer " + token.toUtf8());
        request.setRawHeader("Accept", "application/json");
        request.setRawHeader("X-EBAY-C-MARKETPLACE-ID", m_marketplaceId.toLatin1());
        m_http->start(
            request, QByteArray(),
            [=, this](const retrieval::HttpResult& result) {
                if (!now.holds())
                    return;
                if (!result.ok)
                    return fail(result.number, result.description);
                if (result.status == 401) {
                    tokenCache().remove(tokenKey());
                    if (!repeated)
                        return apiGet(path, query, onAnswer, true);
                }
                onAnswer(result.status, result.body);
            },
            [this, now](qint64 bytes) {
                if (m_reportBytes && now.holds())
                    emit bytesloaded(qint32(std::min<qint64>(bytes, INT32_MAX)));
            });
    });
}

QString clsTalmBewertungen::entriesQuery(const QString& user, int limit, qint64 offset) const {
    // One multi-argument arg(): an encoded name holds "%2..." itself.
    return QStringLiteral("user_id=%1&feedback_type=FEEDBACK_RECEIVED&sort=TIME&limit=%2&offset=%3")
        .arg(enc(user), QString::number(limit), QString::number(offset));
}

std::optional<clsTalmBewertungen::Count> clsTalmBewertungen::readCount(int status,
                                                                       const QByteArray& body) {
    const feedbackJson::ErrorAnswer error = feedbackJson::parseError(body);
    Count count;
    if (status == 404 || (status == 400 && error.errorId == kErrorUserId)) {
        count.total = kUnbekannt;
        return count;
    }
    if (status == 400 && error.errorId == kErrorNoFeedback)
        return count;
    if (status != 200) {
        httpFehler(status, body);
        return std::nullopt;
    }
    const auto answer = feedbackJson::parseEntries(body);
    if (!answer || !answer->total || *answer->total > INT32_MAX) {
        malformed();
        return std::nullopt;
    }
    count.total = qint32(*answer->total);
    count.score = answer->firstScore.value_or(0);
    count.head.total = count.total;
    count.head.delivered = qint32(answer->entries.size());
    for (const auto& entry : std::as_const(answer->entries))
        count.head.ratings.push_back(feedbackJson::parseRating(entry.toObject()));
    return count;
}

bool clsTalmBewertungen::getAnzahl(const QString& sUser) {
    errors::Procedure p(
        "[clsTalmBewertungen] Public Function getAnzahl(sUser As String) As Boolean");
    bool result = false;
    p.step([&] {
        if (!begin())
            return;
        apiGet(QLatin1String(kEntriesPath), entriesQuery(sUser, feedback::kSmallestRequest, 0),
               [this](int status, const QByteArray& body) {
                   const auto count = readCount(status, body);
                   if (!count)
                       return;
                   if (!count->head.ratings.empty() || count->total > 0) {
                       if (!stillAfter([&] { emit pageArrived(count->head); }))
                           return;
                   }
                   const qint32 total = count->total;
                   const qint32 pages = total == kUnbekannt ? kUnbekannt : pagesOf(total);
                   if (stillAfter([&] { emit AnzahlseitenBewertungen(total, pages); }))
                       finish();
               });
        result = true;
    });
    return result;
}

bool clsTalmBewertungen::getSeite(const QString& sUser, qint32 lSeite, qint32 lLimit,
                                  bool bSpaeter) {
    errors::Procedure p("[clsTalmBewertungen] Public Function getSeite(sUser As String, lSeite As "
                        "Long, lLimit As Long, bSpaeter As Boolean) As Boolean");
    bool result = false;
    Q_UNUSED(bSpaeter);
    p.step([&] {
        if (!begin())
            return;
        if (lSeite < 1)
            return queueFehler(
                retrieval::kFehlerAufruf,
                QStringLiteral("Ungültige Seitennummer %1: die erste Seite ist 1.").arg(lSeite));
        requestPage(sUser, qint64(kSeite) * (lSeite - 1), lLimit, false, true, true, true);
        result = true;
    });
    return result;
}

bool clsTalmBewertungen::getSeiteFilter(const QString& sUser, qint32 lSeite, bool bNegativ,
                                        bool bPositiv, bool bNeutral, qint32 lLimit,
                                        bool bSpaeter) {
    errors::Procedure p(
        "[clsTalmBewertungen] Public Function getSeiteFilter(sUser As String, lSeite As Long, "
        "bNegativ As Boolean, bPositiv As Boolean, bNeutral As Boolean, lLimit As Long, "
        "bSpaeter As Boolean) As Boolean");
    bool result = false;
    Q_UNUSED(bSpaeter);
    p.step([&] {
        if (!begin())
            return;
        if (lSeite < 1)
            return queueFehler(
                retrieval::kFehlerAufruf,
                QStringLiteral("Ungültige Seitennummer %1: die erste Seite ist 1.").arg(lSeite));
        requestPage(sUser, qint64(kSeite) * (lSeite - 1), lLimit, true, bNegativ, bPositiv,
                    bNeutral);
        result = true;
    });
    return result;
}

bool clsTalmBewertungen::getEntries(const QString& user, qint64 offset, qint32 count) {
    if (!begin())
        return false;
    if (offset < 0) {
        queueFehler(retrieval::kFehlerAufruf,
                    QStringLiteral("Ungültige Position %1: die neueste ist 0.").arg(offset));
        return true;
    }
    requestPage(user, offset, count, false, true, true, true);
    return true;
}

void clsTalmBewertungen::requestPage(const QString& user, qint64 offset, qint32 limit,
                                     bool filtered, bool negativ, bool positiv, bool neutral) {
    if (limit <= 0) {
        // Nothing may be reported from this page: no request.
        later([this] { finish(); });
        return;
    }
    m_reportBytes = true;
    const int requestLimit =
        limit <= feedback::kSmallestRequest ? feedback::kSmallestRequest : kSeite;
    apiGet(QLatin1String(kEntriesPath), entriesQuery(user, requestLimit, offset),
           [=, this](int status, const QByteArray& body) {
               const feedbackJson::ErrorAnswer error = feedbackJson::parseError(body);
               retrieval::FeedbackPage page;
               page.offset = offset;
               if (status == 404 || (status == 400 && error.errorId == kErrorUserId)) {
                   // The count knew the member a moment ago: not an empty
                   // list, a failed request.
                   return fail(qint16(status),
                               QStringLiteral("Der Marktplatz kennt das Mitglied \"%1\" "
                                              "nicht mehr (HTTP-Status %2).")
                                   .arg(user.left(80), QString::number(status)));
               }
               if (status == 400 && error.errorId == kErrorNoFeedback) {
                   // An empty list.
               } else if (status != 200) {
                   return httpFehler(status, body);
               } else {
                   const auto answer = feedbackJson::parseEntries(body);
                   if (!answer)
                       return malformed();
                   page.total = answer->total.value_or(offset + answer->entries.size());
                   page.delivered = qint32(answer->entries.size());
                   const qsizetype take = std::min<qsizetype>(limit, answer->entries.size());
                   page.ratings.reserve(size_t(take));
                   for (qsizetype i = 0; i < take; ++i) {
                       store::FetchedRating r =
                           feedbackJson::parseRating(answer->entries.at(i).toObject());
                       if (filtered) {
                           const bool wanted = (r.kind == feedback::kPositive && positiv) ||
                                               (r.kind == feedback::kNeutral && neutral) ||
                                               (r.kind == feedback::kNegative && negativ);
                           if (!wanted)
                               continue;
                       }
                       page.ratings.push_back(std::move(r));
                   }
               }
               if (!stillAfter([&] { emit pageArrived(page); }))
                   return;
               if (page.ratings.empty() &&
                   !stillAfter([&] { emit BewertungenText(QLatin1String(feedback::kNoRating)); }))
                   return;
               for (const store::FetchedRating& r : page.ratings)
                   if (!stillAfter([&] { emit BewertungenText(feedbackJson::feedbackLine(r)); }))
                       return;
               finish();
           });
}

bool clsTalmBewertungen::getUebersicht(const QString& sUser) {
    errors::Procedure p(
        "[clsTalmBewertungen] Public Function getUebersicht(sUser As String) As Boolean");
    bool result = false;
    p.step([&] {
        if (!begin())
            return;
        m_total = 0;
        m_score = 0;
        for (auto& period : m_counts)
            std::fill(std::begin(period), std::end(period), 0);
        m_prozent.clear();
        m_periodKeySwitched = false;
        apiGet(
            QLatin1String(kEntriesPath), entriesQuery(sUser, feedback::kSmallestRequest, 0),
            [this, user = sUser](int status, const QByteArray& body) {
                const auto count = readCount(status, body);
                if (!count)
                    return;
                if (count->total == kUnbekannt) {
                    if (stillAfter([&] { emit AnzahlseitenBewertungen(kUnbekannt, kUnbekannt); }))
                        finish();
                    return;
                }
                m_total = count->total;
                m_score = count->score;
                if (stillAfter(
                        [&] { emit AnzahlseitenBewertungen(qint32(m_total), pagesOf(m_total)); }))
                    requestSummary(user, 0, summaryUsesPeriodKey());
            });
        result = true;
    });
    return result;
}

void clsTalmBewertungen::requestSummary(const QString& user, int periodIndex, bool otherKey) {
    const QString filter =
        QStringLiteral("ratingType:OVERALL_EXPERIENCE,%1:%2")
            .arg(otherKey ? QStringLiteral("period") : QStringLiteral("lookbackPeriodInDays"))
            .arg(kPerioden[periodIndex]);
    const QString query = QStringLiteral("user_id=%1&filter=%2").arg(enc(user), enc(filter));
    apiGet(QLatin1String(kSummaryPath), query, [=, this](int status, const QByteArray& body) {
        if (status == 400 && feedbackJson::parseError(body).errorId == kErrorPeriod &&
            !m_periodKeySwitched) {
            // The marketplace names the period filter the other way; once only.
            m_periodKeySwitched = true;
            summaryUsesPeriodKey() = !otherKey;
            return requestSummary(user, periodIndex, !otherKey);
        }
        if (status != 200)
            return httpFehler(status, body);
        const auto summary = feedbackJson::parseSummary(body);
        if (!summary)
            return malformed();
        m_counts[periodIndex][0] = summary->positive;
        m_counts[periodIndex][1] = summary->neutral;
        m_counts[periodIndex][2] = summary->negative;
        if (periodIndex < 2)
            return requestSummary(user, periodIndex + 1, otherKey);

        if (summary->percent)
            m_prozent = feedbackJson::prozentText(*summary->percent);
        else if (summary->positive + summary->negative > 0)
            m_prozent = feedbackJson::prozentText(100.0 * double(summary->positive) /
                                                  double(summary->positive + summary->negative));
        else
            m_prozent = QStringLiteral("-");
        QStringList profile;
        for (int kind = 0; kind < 3; ++kind)
            for (int period = 0; period < 3; ++period)
                profile << QString::number(m_counts[period][kind]);
        profile << QString::number(m_score) << m_prozent;
        if (stillAfter([&] { emit UebersichtBewertung(profile); }))
            finish();
    });
}

void clsTalmBewertungen::resetSeite() {
    // Every page is fetched and reported whole; nothing is carried from one
    // page to the next, so there is nothing to reset.
    errors::Procedure p("[clsTalmBewertungen] Public Sub resetSeite()");
}

void clsTalmBewertungen::abbrechen() {
    errors::Procedure p("[clsTalmBewertungen] Public Sub abbrechen()");
    p.step([&] {
        if (!m_busy)
            return;
        ++m_generation;
        m_http->abort();
        m_busy = false;
        later([this] { emit Finished(true); });
    });
}
