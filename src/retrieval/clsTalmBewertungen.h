#pragma once

#include "app/settings.h"
#include "base/feedbackConstants.h"
#include "retrieval/marketplaceRules.h"
#include "retrieval/marktplatzHttp.h"
#include "retrieval/pageWalk.h"
#include "retrieval/requestPool.h"
#include "store/fetchedRating.h"

#include <functional>
#include <optional>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <vector>

namespace retrieval {

// A page of a member's entries as the marketplace answered it.
struct FeedbackPage {
    qint64 offset = 0;                         // position of the first entry, 0 the newest
    qint64 total = 0;                          // the marketplace's count of the member's entries
    qint32 delivered = 0;                      // entries in the answer
    std::vector<store::FetchedRating> ratings; // those reported: filtered, up to the limit
};

// The feedback source: reads a member's ratings from the marketplace's REST
// feedback interface and reports them through its signals.
//
// A get… operation only starts its requests and returns; every signal arrives
// later from the event loop. An operation ends with Finished, or with Fehler
// (and then no Finished). abbrechen() ends a running operation with
// Finished(true) and nothing after it; a new get… silently replaces a running
// one. Destroying the object cancels what is in flight without a late signal.
//
// Every entry is read once into a store::FetchedRating; pageArrived hands a
// page of them over before the same ratings follow as feedback lines: kind,
// text, K/V, date, giver, item number and the rating's marketplace id, joined
// by "#//#" (see feedbackJson::feedbackLine).
class clsTalmBewertungen : public QObject {
    Q_OBJECT
public:
    struct Timing {
        retrieval::HttpTiming http;
        int tokenMarginS = 60; // a token is renewed this long before it runs out
    };
    // The waits every new instance starts with (tests shorten them).
    static Timing defaultTiming();
    static void setDefaultTiming(const Timing& timing);
    // Tokens are kept per process for their lifetime; this forgets them.
    static void clearTokenCache();

    // Every operation works with these settings.
    explicit clsTalmBewertungen(const app::Settings& settings, QObject* parent = nullptr);
    ~clsTalmBewertungen() override;

    void setTiming(const Timing& timing);

    bool getAnzahl(const QString& sUser);
    bool getUebersicht(const QString& sUser);
    bool getSeite(const QString& sUser, qint32 lSeite, qint32 lLimit, bool bSpaeter);
    bool getSeiteFilter(const QString& sUser, qint32 lSeite, bool bNegativ, bool bPositiv,
                        bool bNeutral, qint32 lLimit, bool bSpaeter);
    // Up to `count` entries from `offset` on (0 the newest), as getSeite
    // reports a page.
    bool getEntries(const QString& user, qint64 offset, qint32 count);
    // The pages likely asked for after the one just asked for, by offset and
    // count as getEntries takes them. Up to [Marktplatz] Parallel of them are
    // fetched ahead; their answers wait for the pages to be asked for, so
    // pages are still reported in the order they are asked for.
    void planEntries(const QString& user, const std::vector<retrieval::PageWalk::Request>& pages);
    // Called before every page request; raises nothing.
    void resetSeite();
    void abbrechen();

    bool isBusy() const { return m_busy; }

    // Ratings a page holds.
    static constexpr qint32 kSeite = feedback::kPageSize;
    // Total and pages of a member the marketplace does not know.
    static constexpr qint32 kUnbekannt = -9000;

signals:
    // Before the lines of a page, and with the newest entries of a count.
    void pageArrived(const retrieval::FeedbackPage& page);
    void AnzahlseitenBewertungen(qint32 AnzahlBewertungen, qint32 Seiten);
    void BewertungenText(const QString& TextZeile);
    void bytesloaded(qint32 bytes);
    // Positive, neutral, negative counts for 30, 180 and 365 days, the score,
    // the positive percentage as text ("99,3").
    void UebersichtBewertung(const QStringList& colBewertung);
    void Finished(bool cAbort);
    void Fehler(qint16 Number, const QString& Description);

private:
    using Answer = std::function<void(int status, const QByteArray& body)>;

    // The operation an answer or a handler belongs to. A handler of one of
    // our signals may cancel it, start the next one or delete this object:
    // after every emit, holds() says whether to go on.
    struct Current {
        QPointer<clsTalmBewertungen> self;
        quint64 generation;
        bool holds() const { return self && self->m_generation == generation; }
    };
    Current current() { return {this, m_generation}; }
    // Runs f (which emits) and says whether the operation still holds.
    template <class F> bool stillAfter(F&& f) {
        const Current now = current();
        f();
        return now.holds();
    }
    // Calls f from the event loop, if the operation still holds then.
    void later(std::function<void()> f);

    // What a count request's answer says: the total (kUnbekannt for a member
    // the marketplace does not know), the newest entries and the score.
    struct Count {
        qint32 total = 0;
        qint64 score = 0;
        retrieval::FeedbackPage head;
    };
    // Nothing after failing the operation with the reason.
    std::optional<Count> readCount(int status, const QByteArray& body);

    // The kinds a filtered page keeps.
    struct Kinds {
        bool negativ = true;
        bool positiv = true;
        bool neutral = true;
    };

    bool begin();
    void queueFehler(qint16 number, const QString& description);
    void fail(const retrieval::SourceFault& fault);
    void finish();
    void httpFehler(int status, const QByteArray& body);
    // Sends a call of this operation, or takes it from those read ahead.
    void apiGet(const retrieval::ApiCall& call, const Answer& onAnswer, bool readAhead = false);
    retrieval::ApiCall entriesCall(const QString& user, int limit, qint64 offset) const;
    retrieval::ApiCall summaryCall(const QString& user, int periodIndex, bool otherKey) const;
    // getSeite and getSeiteFilter: a page by its number, all kinds without a filter.
    bool startPage(const char* signature, const QString& user, qint32 page, qint32 limit,
                   const std::optional<Kinds>& kinds);
    void requestPage(const QString& user, qint64 offset, qint32 limit,
                     const std::optional<Kinds>& kinds);
    // Nothing after failing the operation with the reason.
    std::optional<retrieval::FeedbackPage> readPage(int status, const QByteArray& body,
                                                    const QString& user, qint64 offset,
                                                    qint32 limit,
                                                    const std::optional<Kinds>& kinds);
    void reportPage(const retrieval::FeedbackPage& page);
    void requestSummary(const QString& user, int periodIndex, bool otherKey);

    retrieval::RequestPool m_pool;
    bool m_poolReady = false;
    quint64 m_call = 0; // the operation's call in flight
    Timing m_timing;
    app::Settings m_settings;
    QString m_marketplaceId;
    quint64 m_generation = 0;
    bool m_busy = false;
    bool m_reportBytes = false; // only page requests report bytes

    // Profile being gathered.
    qint64 m_total = 0;
    qint64 m_score = 0;
    qint64 m_counts[3][3] = {}; // [period][kind]
    QString m_prozent;
    bool m_periodKeySwitched = false;
};

} // namespace retrieval
