#include "retrieval/marktplatzHttp.h"

#include <algorithm>
#include <QDateTime>
#include <QLocale>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRandomGenerator>

namespace retrieval {

HttpExchange::HttpExchange(QNetworkAccessManager* manager, const HttpTiming& timing,
                           QObject* parent)
    : QObject(parent), m_manager(manager), m_timing(timing) {
    for (QTimer* t : {&m_inactivity, &m_deadline, &m_wait})
        t->setSingleShot(true);
    connect(&m_inactivity, &QTimer::timeout, this, &HttpExchange::onTimeout);
    connect(&m_deadline, &QTimer::timeout, this, &HttpExchange::onTimeout);
    connect(&m_wait, &QTimer::timeout, this, &HttpExchange::send);
}

HttpExchange::~HttpExchange() {
    abort();
}

bool HttpExchange::isRetryableStatus(int status) {
    return status == 429 || status == 500 || status == 502 || status == 503 || status == 504;
}

void HttpExchange::start(const QNetworkRequest& request, const QByteArray& postBody, Done done,
                         Progress progress) {
    abort();
    m_request = request;
    // Over TLS several requests share one HTTP/2 connection; a reply left
    // hanging is ended by the time-outs. Redirects are not followed, and the
    // body must arrive as sent so that its length can be checked.
    m_request.setAttribute(QNetworkRequest::Http2AllowedAttribute,
                           request.url().scheme() == QLatin1String("https"));
    m_request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                           QNetworkRequest::ManualRedirectPolicy);
    m_request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                           QNetworkRequest::AlwaysNetwork);
    m_request.setRawHeader("Accept-Encoding", "identity");
    m_post = !postBody.isNull();
    m_postBody = postBody;
    m_done = std::move(done);
    m_progress = std::move(progress);
    m_attempt = 0;
    send();
}

void HttpExchange::send() {
    dropReply();
    m_body.clear();
    m_timedOut = false;
    m_tooLarge = false;
    ++m_attempt;
    QNetworkReply* reply =
        m_post ? m_manager->post(m_request, m_postBody) : m_manager->get(m_request);
    m_reply = reply;
    connect(reply, &QNetworkReply::readyRead, this, &HttpExchange::onReadyRead);
    connect(reply, &QNetworkReply::metaDataChanged, this, &HttpExchange::onMetaData);
    connect(reply, &QNetworkReply::uploadProgress, this, [this] { m_inactivity.start(); });
    connect(reply, &QNetworkReply::finished, this, &HttpExchange::onFinished);
    m_inactivity.start(m_timing.inactivityMs);
    m_deadline.start(m_timing.deadlineMs);
}

void HttpExchange::onReadyRead() {
    if (!m_reply)
        return;
    m_inactivity.start();
    m_body += m_reply->readAll();
    if (m_body.size() > m_timing.maxAnswerBytes) {
        m_tooLarge = true;
        m_reply->abort(); // finished follows at once
        return;
    }
    // A copy: the callback may abort this exchange.
    if (const Progress progress = m_progress)
        progress(m_body.size());
}

void HttpExchange::onMetaData() {
    if (!m_reply)
        return;
    m_inactivity.start();
    bool known = false;
    const qint64 length = m_reply->header(QNetworkRequest::ContentLengthHeader).toLongLong(&known);
    if (known && length > m_timing.maxAnswerBytes) {
        m_tooLarge = true;
        m_reply->abort();
    } else if (known && length > m_body.capacity()) {
        m_body.reserve(length);
    }
}

void HttpExchange::onTimeout() {
    if (!m_reply)
        return;
    m_timedOut = true;
    m_reply->abort();
}

int HttpExchange::retryAfterMs() const {
    if (!m_reply || !m_reply->hasRawHeader("Retry-After"))
        return -1;
    const QByteArray value = m_reply->rawHeader("Retry-After").trimmed();
    bool isNumber = false;
    const qint64 seconds = value.toLongLong(&isNumber);
    if (isNumber)
        return int(std::clamp<qint64>(seconds, 0, 24 * 3600) * 1000);
    if (!value.endsWith(" GMT"))
        return -1;
    const QDateTime when = QLocale::c().toDateTime(QString::fromLatin1(value).chopped(4),
                                                   QStringLiteral("ddd, dd MMM yyyy hh:mm:ss"));
    if (!when.isValid())
        return -1;
    QDateTime utc = when;
    utc.setTimeSpec(Qt::UTC);
    return int(std::clamp<qint64>(QDateTime::currentDateTimeUtc().msecsTo(utc), 0, 24 * 3600000));
}

void HttpExchange::onFinished() {
    QNetworkReply* reply = m_reply;
    if (!reply)
        return;
    m_inactivity.stop();
    m_deadline.stop();
    if (m_tooLarge) {
        finish({false,
                0,
                {},
                kFehlerAntwortZuGross,
                QStringLiteral("Die Antwort des Marktplatzes ist zu groß (mehr als %1 MB).")
                    .arg(m_timing.maxAnswerBytes / (1024 * 1024))});
        return;
    }
    const int waitIndex = std::min<int>(m_attempt - 1, int(m_timing.retryWaitsMs.size()) - 1);
    const int baseWait = waitIndex >= 0 ? m_timing.retryWaitsMs[waitIndex] : 0;
    if (m_timedOut) {
        retryOrFail(baseWait, {false,
                               0,
                               {},
                               qint16(QNetworkReply::TimeoutError),
                               QStringLiteral("Zeitüberschreitung: der Marktplatz hat nicht "
                                              "rechtzeitig geantwortet.")});
        return;
    }
    m_body += reply->readAll();
    const QNetworkReply::NetworkError error = reply->error();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    // Errors from 200 up are Qt's names for HTTP statuses: the answer itself is whole.
    const bool answered = status > 0 && (error == QNetworkReply::NoError || int(error) >= 200);
    if (answered) {
        bool known = false;
        const qint64 length =
            reply->header(QNetworkRequest::ContentLengthHeader).toLongLong(&known);
        if (known && length != m_body.size()) {
            retryOrFail(baseWait, {false,
                                   0,
                                   {},
                                   kFehlerAntwortUnvollstaendig,
                                   QStringLiteral("Die Antwort des Marktplatzes ist unvollständig "
                                                  "(%1 von %2 Bytes).")
                                       .arg(m_body.size())
                                       .arg(length)});
            return;
        }
        HttpResult result{true, status, m_body, 0, {}};
        if (isRetryableStatus(status))
            return retryStatus(baseWait, result);
        finish(result);
        return;
    }
    HttpResult failure{false,
                       0,
                       {},
                       qint16(error),
                       QStringLiteral("Die Verbindung zum Marktplatz ist fehlgeschlagen: %1")
                           .arg(reply->errorString())};
    // A certificate or protocol fault does not mend itself by waiting.
    if (error == QNetworkReply::SslHandshakeFailedError ||
        error == QNetworkReply::ProtocolUnknownError ||
        error == QNetworkReply::ProtocolInvalidOperationError) {
        finish(failure);
        return;
    }
    retryOrFail(baseWait, failure);
}

void HttpExchange::retryStatus(int baseWaitMs, const HttpResult& answer) {
    int wait = baseWaitMs;
    const bool throttled = answer.status == 429 || answer.status == 503;
    const int retryAfter = throttled ? retryAfterMs() : -1;
    if (retryAfter >= 0)
        wait = std::max(wait, std::min(retryAfter, m_timing.retryAfterCapMs));
    if (throttled && m_attempt <= m_timing.retryWaitsMs.size())
        if (const Throttled slowDown = m_throttled)
            slowDown();
    retryOrFail(wait, answer);
}

void HttpExchange::retryOrFail(int waitMs, const HttpResult& failure) {
    dropReply();
    if (m_attempt > m_timing.retryWaitsMs.size()) {
        finish(failure);
        return;
    }
    const double spread = m_timing.jitter * (QRandomGenerator::global()->generateDouble() * 2 - 1);
    m_wait.start(std::max(0, int(waitMs * (1.0 + spread))));
}

void HttpExchange::finish(const HttpResult& result) {
    dropReply();
    Done done = std::move(m_done);
    m_done = {};
    m_progress = {};
    // Last: done may abort or restart this exchange.
    if (done)
        done(result);
}

void HttpExchange::abort() {
    m_done = {};
    m_progress = {};
    m_inactivity.stop();
    m_deadline.stop();
    m_wait.stop();
    dropReply();
}

void HttpExchange::dropReply() {
    if (!m_reply)
        return;
    QNetworkReply* reply = m_reply;
    m_reply = nullptr;
    disconnect(reply, nullptr, this, nullptr);
    if (reply->isRunning())
        reply->abort();
    reply->deleteLater();
}

} // namespace retrieval
