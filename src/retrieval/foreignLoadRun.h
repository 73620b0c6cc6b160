#pragma once

#include "retrieval/loadRun.h"

namespace retrieval {

// The load run of a foreign member, on behalf of the foreign-member dialog.
// Two jobs: a rating load (checkneueBewertungen) takes up to lSuchLimit of
// sFremdUser's newest ratings of the kinds chosen in bSuchePositiv,
// bSucheNeutral and bSucheNegativ; a profile request (getbewertungen) fetches
// a member's rating profile. Neither stores anything; result() holds what
// arrived when the run has closed (the profile in result().profile).
class ForeignLoadRun : public LoadRun {
    Q_OBJECT
public:
    // keineBewertungen: the main window's flag; Abort and UebersichtBewertung
    // the dialog's: set when the member was not found or the run cancelled,
    // and the profile that arrived.
    ForeignLoadRun(bool& keineBewertungen, bool& Abort, QStringList& UebersichtBewertung,
                   QObject* parent = nullptr);

    // Starts a rating load and returns at once.
    void checkneueBewertungen();
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

    bool& m_Abort;
    QStringList& m_UebersichtBewertung;
    bool m_bUebersicht = false;
    qint32 m_lLimit = 0;
};

} // namespace retrieval
