#pragma once

#include <functional>
#include <QByteArray>
#include <QList>
#include <QNetworkRequest>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

class QNetworkAccessManager;
class QNetworkReply;

namespace retrieval {

// Waits and limits of one exchange with the marketplace. Tests shorten them.
struct HttpTiming {
    int inactivityMs = 20000; // no byte for this long: time-out
    int deadlineMs = 60000;   // one attempt, its whole answer included, never takes longer
    QList<int> retryWaitsMs{500, 1000, 2000};
    double jitter = 0.25; // each wait varies by up to this share either way
    int retryAfterCapMs = 30000;
    qint64 maxAnswerBytes = 10 * 1024 * 1024;
};

// Fehler numbers of our own, beside HTTP statuses and network error numbers.
enum FehlerNummer : qint16 {
    kFehlerAntwortFormat = 1001,
    kFehlerAntwortZuGross = 1002,
    kFehlerAntwortUnvollstaendig = 1003,
    kFehlerZugangsdaten = 1004,
    kFehlerAdresse = 1005,
    kFehlerAufruf = 1006,
    kFehlerEinstellung = 1007,
    kFehlerAnmeldung = 1008, // the sign-in ran out or was revoked: sign in again
};

struct HttpResult {
    bool ok = false;     // an HTTP answer arrived complete (any status)
    int status = 0;      // with ok
    QByteArray body;     // with ok
    qint16 number = 0;   // without ok: what went wrong
    QString description; // without ok, German
};

// One request to the marketplace, retried on 429, 500, 502, 503, 504, time-outs
// and broken connections with growing, jittered waits, at least as long as a
// Retry-After asks. HTTP/2 where TLS offers it, no redirects, TLS errors are
// never ignored, and the answer is checked for size and completeness. The
// status is left to the caller.
class HttpExchange : public QObject {
    Q_OBJECT
public:
    using Done = std::function<void(const HttpResult&)>;
    using Progress = std::function<void(qint64 bytes)>;
    using Throttled = std::function<void()>;

    HttpExchange(QNetworkAccessManager* manager, const HttpTiming& timing,
                 QObject* parent = nullptr);
    ~HttpExchange() override;

    // A GET when postBody is null. done is called once, later, unless aborted.
    void start(const QNetworkRequest& request, const QByteArray& postBody, Done done,
               Progress progress = {});
    void abort();
    // Called when the marketplace asks to slow down (429, 503) and the
    // exchange waits to try again.
    void setOnThrottled(Throttled throttled) { m_throttled = std::move(throttled); }

    static bool isRetryableStatus(int status);

private:
    void send();
    void onReadyRead();
    void onMetaData();
    void onFinished();
    void onTimeout();
    void retryOrFail(int waitMs, const HttpResult& failure);
    // A status worth another try: after Retry-After, if the answer asks for one.
    void retryStatus(int baseWaitMs, const HttpResult& answer);
    void finish(const HttpResult& result);
    void dropReply();
    int retryAfterMs() const;

    QNetworkAccessManager* m_manager;
    HttpTiming m_timing;
    QNetworkRequest m_request;
    QByteArray m_postBody;
    bool m_post = false;
    Done m_done;
    Progress m_progress;
    Throttled m_throttled;
    QPointer<QNetworkReply> m_reply;
    QByteArray m_body;
    QTimer m_inactivity;
    QTimer m_deadline;
    QTimer m_wait;
    int m_attempt = 0;
    bool m_timedOut = false;
    bool m_tooLarge = false;
};

} // namespace retrieval
