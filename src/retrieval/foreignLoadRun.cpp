#include "retrieval/foreignLoadRun.h"

#include "app/modGlobal.h"
#include "errors/procedure.h"
#include "retrieval/clsTalmBewertungen.h"

using Kind = retrieval::SyncOutcome::Kind;

namespace retrieval {

namespace {
constexpr qint32 kPage = feedback::kPageSize;
}

ForeignLoadRun::ForeignLoadRun(const app::Settings& settings, QObject* parent)
    : LoadRun(settings, parent) {}

void ForeignLoadRun::checkneueBewertungen(const retrieval::ForeignSearch& search) {
    errors::Procedure p("[frmLade2] Public Sub checkneueBewertungen()");
    // What the run reports starts empty: the lines of an earlier run, perhaps
    // of another member, must not pass for this member's.
    modGlobal::colNeueBewertungen.clear();
    m_result = {};
    m_search = search;
    p.step([&] { newSource(); });
    p.step([&] {
        m_lZeilen = 0;
        m_bPruefen = true;
        m_bUebersicht = false;
    });
    p.step([&] { setLabel1(QStringLiteral("Lade Daten aus dem Internet")); });
    p.step([&] {
        ++m_requests;
        m_source->getAnzahl(m_search.member);
    });
    if (p.leftOnError())
        close(Kind::Failed);
}

void ForeignLoadRun::getbewertungen(const QString& user) {
    errors::Procedure p("[frmLade2] Public Function getbewertungen(user As String)");
    p.step([&] { m_bUebersicht = true; });
    p.step([&] { newSource(); });
    p.step([&] { setLabel1(QStringLiteral("Lade Daten aus dem Internet")); });
    p.step([&] {
        m_requests += 4; // the count and three periods
        m_source->getUebersicht(user);
    });
    if (p.leftOnError())
        close(Kind::Failed);
}

void ForeignLoadRun::AnzahlseitenBewertungen(qint32 AnzahlBewertungen, qint32 Seiten) {
    errors::Procedure p("[frmLade2] Private Sub objBewertungen_AnzahlseitenBewertungen(ByVal "
                        "AnzahlBewertungen As Long, ByVal Seiten As Long)");
    p.step([&] { noteCount(AnzahlBewertungen, Seiten); });
    p.step([&] {
        if (Seiten != clsTalmBewertungen::kUnbekannt)
            return;
        showNotFound();
        m_result.abort = true;
        close(Kind::UnknownMember);
    });
}

void ForeignLoadRun::requestPage(bool later) {
    pageCaption();
    m_source->resetSeite();
    ++m_requests;
    m_source->getSeiteFilter(m_search.member, m_lSeite, m_search.negativ, m_search.positiv,
                             m_search.neutral, m_lLimit, later);
    // The pages after it, each with what is left of the count.
    std::vector<retrieval::PageWalk::Request> ahead;
    for (qint32 page = m_lSeite + 1; page <= std::min(m_lSeiten, m_lSeite + kMostParallel); ++page)
        ahead.push_back(
            {qint64(kPage) * (page - 1), std::min(m_lAnzahl - kPage * (page - m_lSeite), kPage)});
    m_source->planEntries(m_search.member, ahead);
}

void ForeignLoadRun::Finished(bool cAbort) {
    errors::Procedure p("[frmLade2] Private Sub objBewertungen_Finished(ByVal cAbort As Boolean)");
    if (isClosed() || cAbort || m_lAnzahl == clsTalmBewertungen::kUnbekannt)
        return;
    if (m_bUebersicht) {
        close(Kind::Stored);
        return;
    }
    if (m_bPruefen) {
        p.step([&] { modGlobal::colNeueBewertungen.clear(); });
        p.step([&] {
            // A count other than "all" below zero is refused before any run.
            if (m_search.limit < -1)
                errors::raise(errors::RuntimeError::InvalidCall);
            if (m_lAnzahl >= m_search.limit) {
                m_lLimit = m_search.limit;
                if (m_lLimit != -1)
                    m_lAnzahl = m_lLimit;
                else
                    m_lLimit = m_lAnzahl;
            } else {
                m_lLimit = m_lAnzahl <= kPage ? m_lAnzahl : kPage;
            }
        });
        p.step([&] {
            m_progressMax = m_lAnzahl > 0 ? m_lAnzahl : 1;
            m_lSeiten = std::max<qint32>(1, (m_lAnzahl + kPage - 1) / kPage);
            m_lSeite = 1;
            // The first page asks for lLimit lines; a page holds no more than 200.
            requestPage(false);
        });
        p.step([&] {
            m_lAnzahl -= kPage;
            m_bPruefen = false;
        });
        if (p.leftOnError())
            close(Kind::Failed);
        return;
    }
    p.step([&] {
        ++m_lSeite;
        if (m_lSeite == m_lSeiten + 1) {
            close(Kind::Stored);
            return p.exit();
        }
        m_lLimit = m_lAnzahl <= kPage ? m_lAnzahl : kPage;
        requestPage(true);
        m_lAnzahl -= kPage;
    });
    if (p.leftOnError())
        close(Kind::CutShort);
}

void ForeignLoadRun::pageArrived(const retrieval::FeedbackPage& page) {
    if (isClosed() || m_bPruefen || m_bUebersicht)
        return;
    m_result.ratings.insert(m_result.ratings.end(), page.ratings.begin(), page.ratings.end());
}

void ForeignLoadRun::BewertungenText(const QString& TextZeile) {
    errors::Procedure p(
        "[frmLade2] Private Sub objBewertungen_BewertungenText(ByVal TextZeile As String)");
    if (isClosed())
        return;
    p.step([&] {
        ++m_lZeilen;
        // The bar starts over when more lines come than it was made for.
        if (m_progressMax < m_lZeilen)
            m_lZeilen = 1;
        m_progressValue = m_lZeilen;
        setLabel2(QStringLiteral("Analysiere Daten: ") + QString::number(m_lZeilen));
    });
    p.step([&] {
        if (TextZeile != QLatin1String(feedback::kNoRating))
            modGlobal::colNeueBewertungen.append(TextZeile);
    });
}

void ForeignLoadRun::bytesloaded(qint32 bytes) {
    errors::Procedure p("[frmLade2] Private Sub objBewertungen_bytesloaded(ByVal bytes As Long)");
    p.step([&] { setLabel2(QStringLiteral("Zeichen Empfangen: ") + QString::number(bytes)); });
}

void ForeignLoadRun::UebersichtBewertung(const QStringList& colBewertung) {
    errors::Procedure p("[frmLade2] Private Sub objBewertungen_UebersichtBewertung(ByVal "
                        "colBewertung As Collection)");
    p.step([&] { m_result.profile = colBewertung; });
}

void ForeignLoadRun::Fehler(qint16 Number, const QString& Description) {
    errors::Procedure p(
        "[frmLade2] Private Sub objBewertungen_Fehler(ByVal Number As Integer, ByVal Description "
        "As String)");
    if (isClosed())
        return;
    p.step([&] { showConnectionError(Number, Description); });
    p.step([&] { m_source->abbrechen(); });
    // No flag changes: a load goes on with the lines that arrived. The kind
    // tells a profile request that it brought no profile.
    close(isSettingsError(Number)       ? Kind::Failed
          : m_bPruefen || m_bUebersicht ? Kind::NoConnection
                                        : Kind::CutShort);
}

void ForeignLoadRun::cmdabort_Click() {
    errors::Procedure p("[frmLade2] Private Sub cmdabort_Click()");
    p.step([&] {
        if (m_source)
            m_source->abbrechen();
    });
    p.step([&] { m_result.keineBewertungen = true; });
    p.step([&] { m_result.abort = true; });
    p.step([&] { close(Kind::Cancelled); });
}

} // namespace retrieval
