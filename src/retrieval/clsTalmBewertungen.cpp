#include "retrieval/clsTalmBewertungen.h"

#include "errors/procedure.h"
#include "retrieval/feedbackJson.h"

#include <QMetaObject>
#include <QPointer>
#include <QUrl>

using retrieval::AnswerClass;

namespace retrieval {

namespace {

constexpr char kEntriesPath[] = "/commerce/feedback/v1/feedback";
constexpr char kSummaryPath[] = "/commerce/feedback/v1/feedback_rating_summary";
constexpr int kPerioden[3] = {30, 180, 365};

clsTalmBewertungen::Timing& defaults() {
    static clsTalmBewertungen::Timing timing;
    return timing;
}

// Which name of the summary's period filter the marketplace took last.
bool& summaryUsesPeriodKey() {
    static bool period = false;
    return period;
}

QString enc(const QString& value) {
    return QString::fromLatin1(QUrl::toPercentEncoding(value));
}

// A page asked for with few entries takes the smallest request.
int requestLimit(qint32 limit) {
    return limit <= feedback::kSmallestRequest ? feedback::kSmallestRequest
                                               : clsTalmBewertungen::kSeite;
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
    retrieval::TokenSource::clearCache();
    summaryUsesPeriodKey() = false;
}

clsTalmBewertungen::clsTalmBewertungen(const app::Settings& settings, QObject* parent)
    : QObject(parent), m_timing(defaults()), m_settings(settings),
      m_marketplaceId(retrieval::marketplaceIdFor(settings.plattform)) {}

clsTalmBewertungen::~clsTalmBewertungen() {
    ++m_generation;
    m_pool.cancelAll();
}

void clsTalmBewertungen::setTiming(const Timing& timing) {
    m_timing = timing;
    m_poolReady = false;
}

bool clsTalmBewertungen::begin() {
    ++m_generation;
    // What a replaced operation still waits for; what was read ahead stays.
    m_pool.cancel(m_call);
    m_call = 0;
    m_busy = true;
    m_reportBytes = false;
    const app::MarktplatzSettings& settings = m_settings.marktplatz;
    const auto checked =
        retrieval::checkSettings(settings, m_timing.http.deadlineMs, m_settings.file);
    if (const auto* fault = std::get_if<retrieval::SourceFault>(&checked)) {
        later([this, fault = *fault] { fail(fault); });
        return false;
    }
    if (m_poolReady)
        return true;
    const auto& setup = std::get<retrieval::SourceSetup>(checked);
    retrieval::HttpTiming http = m_timing.http;
    http.deadlineMs = setup.deadlineMs;
    m_pool.setup({setup.endpoint.base, setup.endpoint.loopback, m_marketplaceId, settings,
                  m_settings.file, http, m_timing.tokenMarginS, setup.parallel});
    m_poolReady = true;
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
    later([this, number, description] { fail({number, description}); });
}

void clsTalmBewertungen::fail(const retrieval::SourceFault& fault) {
    ++m_generation;
    // Nothing more goes out, nothing read ahead is used.
    m_pool.cancelAll();
    m_call = 0;
    m_busy = false;
    emit Fehler(fault.number, fault.description);
}

void clsTalmBewertungen::finish() {
    ++m_generation;
    m_busy = false;
    emit Finished(false);
}

void clsTalmBewertungen::httpFehler(int status, const QByteArray& body) {
    fail(retrieval::httpFault(status, body, m_settings.file));
}

void clsTalmBewertungen::apiGet(const retrieval::ApiCall& call, const Answer& onAnswer,
                                bool readAhead) {
    const Current now = current();
    retrieval::RequestPool::Reply reply = [this, now, onAnswer](const retrieval::CallAnswer& a) {
        if (!now.holds())
            return;
        m_call = 0;
        if (a.fault)
            return fail(*a.fault);
        onAnswer(a.status, a.body);
    };
    retrieval::RequestPool::Progress progress = [this, now](qint64 bytes) {
        if (m_reportBytes && now.holds())
            emit bytesloaded(qint32(std::min<qint64>(bytes, INT32_MAX)));
    };
    if (readAhead) {
        if (const auto id = m_pool.takeAhead(call, reply, progress)) {
            m_call = *id;
            return;
        }
    }
    m_call = m_pool.send(call, std::move(reply), std::move(progress));
}

retrieval::ApiCall clsTalmBewertungen::entriesCall(const QString& user, int limit,
                                                   qint64 offset) const {
    // One multi-argument arg(): an encoded name holds "%2..." itself.
    return {
        retrieval::tokenKindFor(m_settings, user),
        QLatin1String(kEntriesPath),
        QStringLiteral("user_id=%1&feedback_type=FEEDBACK_RECEIVED&sort=TIME&limit=%2&offset=%3")
            .arg(enc(user), QString::number(limit), QString::number(offset)),
        {}};
}

retrieval::ApiCall clsTalmBewertungen::summaryCall(const QString& user, int periodIndex,
                                                   bool otherKey) const {
    const QString filter =
        QStringLiteral("ratingType:OVERALL_EXPERIENCE,%1:%2")
            .arg(otherKey ? QStringLiteral("period") : QStringLiteral("lookbackPeriodInDays"))
            .arg(kPerioden[periodIndex]);
    // The summary takes only the application token's read-only scope.
    return {retrieval::TokenKind::Application,
            QLatin1String(kSummaryPath),
            QStringLiteral("user_id=%1&filter=%2").arg(enc(user), enc(filter)),
            {}};
}

void clsTalmBewertungen::planEntries(const QString& user,
                                     const std::vector<retrieval::PageWalk::Request>& pages) {
    std::vector<retrieval::ApiCall> calls;
    for (const auto& page : pages)
        if (page.count > 0 && page.offset >= 0)
            calls.push_back(entriesCall(user, requestLimit(page.count), page.offset));
    m_pool.planAhead(calls);
}

std::optional<clsTalmBewertungen::Count> clsTalmBewertungen::readCount(int status,
                                                                       const QByteArray& body) {
    Count count;
    switch (retrieval::classifyAnswer(status, body)) {
    case AnswerClass::UnknownMember:
        count.total = kUnbekannt;
        return count;
    case AnswerClass::NoFeedback:
        return count;
    case AnswerClass::Ok:
        break;
    default:
        httpFehler(status, body);
        return std::nullopt;
    }
    const auto answer = feedbackJson::parseEntries(body);
    if (!answer || !answer->total || *answer->total > INT32_MAX) {
        fail(retrieval::malformedFault());
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
        apiGet(entriesCall(sUser, feedback::kSmallestRequest, 0),
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
    Q_UNUSED(bSpaeter);
    return startPage("[clsTalmBewertungen] Public Function getSeite(sUser As String, lSeite As "
                     "Long, lLimit As Long, bSpaeter As Boolean) As Boolean",
                     sUser, lSeite, lLimit, std::nullopt);
}

bool clsTalmBewertungen::getSeiteFilter(const QString& sUser, qint32 lSeite, bool bNegativ,
                                        bool bPositiv, bool bNeutral, qint32 lLimit,
                                        bool bSpaeter) {
    Q_UNUSED(bSpaeter);
    return startPage(
        "[clsTalmBewertungen] Public Function getSeiteFilter(sUser As String, lSeite As Long, "
        "bNegativ As Boolean, bPositiv As Boolean, bNeutral As Boolean, lLimit As Long, "
        "bSpaeter As Boolean) As Boolean",
        sUser, lSeite, lLimit, Kinds{bNegativ, bPositiv, bNeutral});
}

bool clsTalmBewertungen::startPage(const char* signature, const QString& user, qint32 page,
                                   qint32 limit, const std::optional<Kinds>& kinds) {
    errors::Procedure p(signature);
    bool result = false;
    p.step([&] {
        if (!begin())
            return;
        if (page < 1)
            return queueFehler(
                retrieval::kFehlerAufruf,
                QStringLiteral("Ungültige Seitennummer %1: die erste Seite ist 1.").arg(page));
        requestPage(user, qint64(kSeite) * (page - 1), limit, kinds);
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
    requestPage(user, offset, count, std::nullopt);
    return true;
}

void clsTalmBewertungen::requestPage(const QString& user, qint64 offset, qint32 limit,
                                     const std::optional<Kinds>& kinds) {
    if (limit <= 0) {
        // Nothing may be reported from this page: no request.
        later([this] { finish(); });
        return;
    }
    m_reportBytes = true;
    apiGet(
        entriesCall(user, requestLimit(limit), offset),
        [=, this](int status, const QByteArray& body) {
            if (const auto page = readPage(status, body, user, offset, limit, kinds))
                reportPage(*page);
        },
        true);
}

std::optional<retrieval::FeedbackPage>
clsTalmBewertungen::readPage(int status, const QByteArray& body, const QString& user, qint64 offset,
                             qint32 limit, const std::optional<Kinds>& kinds) {
    retrieval::FeedbackPage page;
    page.offset = offset;
    switch (retrieval::classifyAnswer(status, body)) {
    case AnswerClass::UnknownMember:
        // The count knew the member a moment ago: not an empty list, a failed request.
        fail(retrieval::vanishedMemberFault(user, status));
        return std::nullopt;
    case AnswerClass::NoFeedback:
        return page;
    case AnswerClass::Ok:
        break;
    default:
        httpFehler(status, body);
        return std::nullopt;
    }
    const auto answer = feedbackJson::parseEntries(body);
    if (!answer) {
        fail(retrieval::malformedFault());
        return std::nullopt;
    }
    page.total = answer->total.value_or(offset + answer->entries.size());
    page.delivered = qint32(answer->entries.size());
    const qsizetype take = std::min<qsizetype>(limit, answer->entries.size());
    page.ratings.reserve(size_t(take));
    for (qsizetype i = 0; i < take; ++i) {
        store::FetchedRating r = feedbackJson::parseRating(answer->entries.at(i).toObject());
        if (!kinds || (r.kind == feedback::kPositive && kinds->positiv) ||
            (r.kind == feedback::kNeutral && kinds->neutral) ||
            (r.kind == feedback::kNegative && kinds->negativ))
            page.ratings.push_back(std::move(r));
    }
    return page;
}

void clsTalmBewertungen::reportPage(const retrieval::FeedbackPage& page) {
    if (!stillAfter([&] { emit pageArrived(page); }))
        return;
    if (page.ratings.empty() &&
        !stillAfter([&] { emit BewertungenText(QLatin1String(feedback::kNoRating)); }))
        return;
    for (const store::FetchedRating& r : page.ratings)
        if (!stillAfter([&] { emit BewertungenText(feedbackJson::feedbackLine(r)); }))
            return;
    finish();
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
        const bool key = summaryUsesPeriodKey();
        apiGet(
            entriesCall(sUser, feedback::kSmallestRequest, 0),
            [this, user = sUser, key](int status, const QByteArray& body) {
                const auto count = readCount(status, body);
                if (!count)
                    return;
                if (count->total == kUnbekannt) {
                    m_pool.planAhead({});
                    if (stillAfter([&] { emit AnzahlseitenBewertungen(kUnbekannt, kUnbekannt); }))
                        finish();
                    return;
                }
                m_total = count->total;
                m_score = count->score;
                if (stillAfter(
                        [&] { emit AnzahlseitenBewertungen(qint32(m_total), pagesOf(m_total)); }))
                    requestSummary(user, 0, key);
            });
        // The three periods go out beside the count.
        m_pool.planAhead(
            {summaryCall(sUser, 0, key), summaryCall(sUser, 1, key), summaryCall(sUser, 2, key)});
        result = true;
    });
    return result;
}

void clsTalmBewertungen::requestSummary(const QString& user, int periodIndex, bool otherKey) {
    apiGet(
        summaryCall(user, periodIndex, otherKey),
        [=, this](int status, const QByteArray& body) {
            const AnswerClass answer = retrieval::classifyAnswer(status, body);
            if (answer == AnswerClass::PeriodNamedOtherwise && !m_periodKeySwitched) {
                // The marketplace names the period filter the other way; once only.
                m_periodKeySwitched = true;
                summaryUsesPeriodKey() = !otherKey;
                return requestSummary(user, periodIndex, !otherKey);
            }
            if (answer != AnswerClass::Ok)
                return httpFehler(status, body);
            const auto summary = feedbackJson::parseSummary(body);
            if (!summary)
                return fail(retrieval::malformedFault());
            m_counts[periodIndex][0] = summary->positive;
            m_counts[periodIndex][1] = summary->neutral;
            m_counts[periodIndex][2] = summary->negative;
            if (periodIndex < 2)
                return requestSummary(user, periodIndex + 1, otherKey);

            if (summary->percent)
                m_prozent = feedbackJson::prozentText(*summary->percent);
            else if (summary->positive + summary->negative > 0)
                m_prozent =
                    feedbackJson::prozentText(100.0 * double(summary->positive) /
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
        },
        true);
    // The periods after this one go out beside it.
    std::vector<retrieval::ApiCall> rest;
    for (int i = periodIndex + 1; i < 3; ++i)
        rest.push_back(summaryCall(user, i, otherKey));
    m_pool.planAhead(rest);
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
        m_pool.cancelAll();
        m_call = 0;
        m_busy = false;
        later([this] { emit Finished(true); });
    });
}

} // namespace retrieval
