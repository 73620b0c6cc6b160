#pragma once

#include "retrieval/foreignSearch.h"
#include "retrieval/loadRun.h"

namespace retrieval {

// The load run of a foreign member, on behalf of the foreign-member dialog.
// Two jobs: a rating load (checkneueBewertungen) takes up to the search's
// limit of its member's newest ratings of the kinds it names; a profile
// request (getbewertungen) fetches
// a member's rating profile. Neither stores anything; result() holds what
// arrived when the run has closed (the profile in result().profile).
class ForeignLoadRun : public LoadRun {
    Q_OBJECT
public:
    explicit ForeignLoadRun(const app::Settings& settings, QObject* parent = nullptr);

    // Starts a rating load and returns at once.
    void checkneueBewertungen(const retrieval::ForeignSearch& search);
    // Starts a profile request for user and returns at once (the window shows
    // itself modally around it).
    void getbewertungen(const QString& user);
    void cmdabort_Click() override;
    bool bUebersicht() const { return m_bUebersicht; }

private:
    void AnzahlseitenBewertungen(qint32 AnzahlBewertungen, qint32 Seiten) override;
    void Finished(bool cAbort) override;
    void BewertungenText(const QString& TextZeile) override;
    void bytesloaded(qint32 bytes) override;
    void Fehler(qint16 Number, const QString& Description) override;
    void pageArrived(const retrieval::FeedbackPage& page) override;
    void UebersichtBewertung(const QStringList& colBewertung) override;
    void requestPage(bool later);

    retrieval::ForeignSearch m_search;
    bool m_bUebersicht = false;
    qint32 m_lLimit = 0;
};

} // namespace retrieval
