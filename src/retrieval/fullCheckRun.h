#pragma once

#include "retrieval/loadRun.h"

#include <QSet>
#include <QStringList>

namespace store {
struct ListingReport;
}

namespace retrieval {

// The full check of the standard user's own ratings: reads the member's
// whole list at the marketplace, page by page, and collects the id and state
// of every rating it lists (result().listed). It stores nothing; the caller
// hands the listing to store::applyListing when the run ended as Stored.
//
// A rating missed would be taken as withdrawn, so the list must not move
// under the run: each page overlaps the one before by a few entries, and a
// page that shares none with it ends the check as Failed.
class FullCheckRun : public LoadRun {
    Q_OBJECT
public:
    explicit FullCheckRun(const app::Settings& settings, QObject* parent = nullptr);

    // Starts the first request and returns at once.
    void start();
    void cmdabort_Click() override;

    // Entries two pages share.
    static constexpr qint32 kOverlap = 10;

private:
    void AnzahlseitenBewertungen(qint32 AnzahlBewertungen, qint32 Seiten) override;
    void Finished(bool cAbort) override;
    void BewertungenText(const QString& TextZeile) override;
    void bytesloaded(qint32 bytes) override;
    void Fehler(qint16 Number, const QString& Description) override;
    void pageArrived(const retrieval::FeedbackPage& page) override;
    void request();
    void collectMissing(const retrieval::FeedbackPage& page);

    qint64 m_offset = 0;
    qint32 m_delivered = 0; // entries of the last page
    qint64 m_total = 0;     // the member's total, as the last page gave it
    QStringList m_previous; // ids of the page before
    bool m_moved = false;
    QSet<QString> m_withoutId;
    QSet<QString> m_withoutKind;
    QSet<QString> m_missing; // listed ratings the store lacks, collected in m_result.ratings
};

// Stores what a full check found: the listing of every stored rating, then
// the listed ratings the store lacked, with placeholders made up to the
// total. Padded entries the marketplace delivers after all come in this way.
[[nodiscard]] store::ListingReport storeFullCheck(const FetchResult& fetched,
                                                  const QString& member);

// What the user is told after a full check was stored (or failed to be).
QString fullCheckMessage(const store::ListingReport& report, const FetchResult& fetched);

} // namespace retrieval
