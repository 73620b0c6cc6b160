#pragma once

#include "retrieval/loadRun.h"
#include "retrieval/pageWalk.h"

#include <optional>

namespace retrieval {

// The update run of the standard user's own ratings: asks the feedback source
// how many ratings the member has and which of the newest the store knows,
// asks whether to load the new ones, and collects them, newest first, until
// it has found as many as were missing or the member's list ends. Known
// ratings are skipped by their ids. It stores nothing; result() holds what it
// fetched when it has closed. The lines of the new ratings go to
// modGlobal::colNeueBewertungen. The source's signals carry it; the progress
// window (or a console) shows what it says and closes when it reports closed().
class OwnUpdateRun : public LoadRun {
    Q_OBJECT
public:
    explicit OwnUpdateRun(const app::Settings& settings, QObject* parent = nullptr);

    // Starts the first request and returns at once.
    void checkneueBewertungen();
    void cmdabort_Click() override;

private:
    void AnzahlseitenBewertungen(qint32 AnzahlBewertungen, qint32 Seiten) override;
    void Finished(bool cAbort) override;
    void BewertungenText(const QString& TextZeile) override;
    void bytesloaded(qint32 bytes) override;
    void Fehler(qint16 Number, const QString& Description) override;
    void pageArrived(const retrieval::FeedbackPage& page) override;
    void request(const retrieval::PageWalk::Request& r);
    void end(retrieval::SyncOutcome::Kind kind);

    qint32 m_stored = 0;  // real ratings stored when the run began
    qint32 m_padded = 0;  // and with the placeholders that stand in for missing ones
    qint32 m_headNew = 0; // the newest ratings the store lacks, seen with the count
    std::optional<retrieval::PageWalk> m_walk;
    std::optional<retrieval::PageWalk::Request> m_next;
    qint64 m_listTotal = 0; // the member's total, as the last answer gave it
};

} // namespace retrieval
