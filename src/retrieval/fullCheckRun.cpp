#include "retrieval/fullCheckRun.h"

#include "app/modGlobal.h"
#include "app/msgBox.h"
#include "errors/procedure.h"
#include "retrieval/clsTalmBewertungen.h"
#include "store/modData.h"
#include "store/ratingState.h"
#include "store/ratingStoring.h"

using Kind = retrieval::SyncOutcome::Kind;

namespace retrieval {

FullCheckRun::FullCheckRun(const app::Settings& settings, QObject* parent)
    : LoadRun(settings, parent) {}

void FullCheckRun::start() {
    errors::Procedure p("[frmLade] Public Sub vollstaendigPruefen()");
    p.step([&] { newSource(); });
    p.step([&] {
        m_bPruefen = true;
        m_result.keineBewertungen = true;
        setLabel1(QStringLiteral("Lade Daten aus dem Internet"));
        ++m_requests;
        m_source->getAnzahl(modGlobal::sStandardUser);
    });
    if (p.leftOnError())
        close(Kind::Failed);
}

void FullCheckRun::AnzahlseitenBewertungen(qint32 AnzahlBewertungen, qint32 Seiten) {
    noteCount(AnzahlBewertungen, Seiten);
    if (Seiten == clsTalmBewertungen::kUnbekannt)
        showNotFound();
}

void FullCheckRun::pageArrived(const retrieval::FeedbackPage& page) {
    // The count's newest entries are read again with the first page.
    if (isClosed() || m_bPruefen)
        return;
    QStringList ids;
    bool shared = m_previous.isEmpty();
    for (const store::FetchedRating& r : page.ratings) {
        ids << r.id;
        shared = shared || m_previous.contains(r.id);
        if (r.lack == store::FetchedRating::Lack::Id) {
            m_withoutId.insert(r.id);
            continue;
        }
        if (r.lack == store::FetchedRating::Lack::Kind)
            m_withoutKind.insert(r.id);
        m_result.listed.insert(r.id, r.state);
    }
    if (!shared && !page.ratings.empty())
        m_moved = true;
    collectMissing(page);
    m_previous = ids;
    m_delivered = page.delivered;
    m_total = page.total;
    m_lZeilen = qint32(std::min<qint64>(page.offset + page.delivered, INT32_MAX));
    m_progressValue = std::min(m_lZeilen, m_progressMax);
    setLabel2(QStringLiteral("Analysiere Daten: ") + QString::number(m_lZeilen));
}

void FullCheckRun::collectMissing(const retrieval::FeedbackPage& page) {
    QHash<QString, bool> known;
    try {
        known = modData::knownRatings(modData::Table::Own, modGlobal::sStandardUser, page.ratings);
    } catch (const errors::RuntimeError& e) {
        // Without the store the check cannot tell what is missing.
        m_result.detail = e.description();
        app::MsgBox(QStringLiteral("Die gespeicherten Bewertungen konnten nicht gelesen werden: ") +
                        e.description(),
                    app::vbCritical | app::vbOKOnly);
        if (m_source)
            m_source->abbrechen();
        close(Kind::Failed);
        return;
    }
    // Stored ratings with a reply go along: the store takes a reply it lacks.
    for (const store::FetchedRating& r : page.ratings)
        if (r.lack == store::FetchedRating::Lack::Nothing && r.complete() &&
            (!known.contains(r.id) || r.hasReply()) && !m_missing.contains(r.id)) {
            m_missing.insert(r.id);
            m_result.ratings.push_back(r);
        }
}

void FullCheckRun::request() {
    ++m_lSeite;
    m_lSeiten = std::max(m_lSeiten, m_lSeite);
    pageCaption();
    m_source->resetSeite();
    ++m_requests;
    m_source->getEntries(modGlobal::sStandardUser, m_offset, clsTalmBewertungen::kSeite);
    // Pages overlap, and the list ends at its total.
    const qint64 total = m_total > 0 ? m_total : m_lAnzahl;
    std::vector<retrieval::PageWalk::Request> ahead;
    for (qint64 offset = m_offset + clsTalmBewertungen::kSeite - kOverlap;
         offset + kOverlap < total && ahead.size() < size_t(kMostParallel);
         offset += clsTalmBewertungen::kSeite - kOverlap)
        ahead.push_back({offset, clsTalmBewertungen::kSeite});
    m_source->planEntries(modGlobal::sStandardUser, ahead);
}

void FullCheckRun::Finished(bool cAbort) {
    errors::Procedure p("[frmLade] Private Sub objBewertungen_Finished(ByVal cAbort As Boolean)");
    if (isClosed() || cAbort)
        return;
    p.step([&] {
        if (m_bPruefen) {
            if (m_lAnzahl == clsTalmBewertungen::kUnbekannt) {
                close(Kind::UnknownMember);
                return;
            }
            m_bPruefen = false;
            m_progressMax = std::max(1, m_lAnzahl);
            m_lSeite = 0;
            request();
            return;
        }
        if (m_moved) {
            m_result.detail = QStringLiteral("Die Liste des Marktplatzes hat sich während der "
                                             "Prüfung verändert. Es wurde nichts geändert; bitte "
                                             "prüfen Sie später noch einmal.");
            app::MsgBox(m_result.detail, app::vbExclamation | app::vbOKOnly);
            close(Kind::Failed);
            return;
        }
        if (m_delivered < clsTalmBewertungen::kSeite || m_offset + m_delivered >= m_total) {
            m_result.withoutId = qint32(m_withoutId.size());
            m_result.withoutKind = qint32(m_withoutKind.size());
            m_result.keineBewertungen = false;
            close(Kind::Stored);
            return;
        }
        m_offset += m_delivered - kOverlap;
        request();
    });
    if (p.leftOnError())
        close(Kind::Failed);
}

void FullCheckRun::BewertungenText(const QString& TextZeile) {
    Q_UNUSED(TextZeile);
}

void FullCheckRun::bytesloaded(qint32 bytes) {
    setLabel2(QStringLiteral("Zeichen Empfangen: ") + QString::number(bytes));
}

void FullCheckRun::Fehler(qint16 Number, const QString& Description) {
    if (isClosed())
        return;
    showConnectionError(Number, Description);
    m_source->abbrechen();
    close(isSettingsError(Number) ? Kind::Failed
          : m_bPruefen            ? Kind::NoConnection
                                  : Kind::CutShort);
}

void FullCheckRun::cmdabort_Click() {
    if (m_source)
        m_source->abbrechen();
    close(Kind::Cancelled);
}

store::ListingReport storeFullCheck(const FetchResult& fetched, const QString& member) {
    store::ListingReport report = store::applyListing(modData::Table::Own, member, fetched.listed);
    if (!report.ok)
        return report;
    // Once the listing is stored, the ratings that count are the listed ones.
    const store::StoreReport stored =
        store::storeFetched(modData::Table::Own, member, fetched.ratings,
                            store::StoreMode::MakeUpTotal, fetched.reportedTotal);
    if (!stored.ok) {
        report.ok = false;
        report.fault = stored.fault;
    }
    report.added = stored.added;
    report.replied = stored.replied;
    return report;
}

QString fullCheckMessage(const store::ListingReport& report, const FetchResult& fetched) {
    if (!report.ok)
        return QStringLiteral("Das Ergebnis der Prüfung konnte nicht gespeichert werden; die "
                              "gespeicherten Bewertungen sind unverändert.") +
               (report.fault.isEmpty() ? QString() : QStringLiteral("\r(") + report.fault + ')');
    const qint32 changed = report.withdrawn + report.restored;
    QString text = changed == 0
                       ? QStringLiteral("Vollständige Prüfung: keine Bewertung geändert.")
                       : QStringLiteral("Vollständige Prüfung: %1 geändert (%2 als zurückgezogen "
                                        "markiert, %3 wieder gezählt).")
                             .arg(bewertungen(changed))
                             .arg(report.withdrawn)
                             .arg(report.restored);
    if (report.added > 0)
        text += QStringLiteral(" %1 nachgeladen.").arg(bewertungen(report.added));
    if (report.replied > 0)
        text += report.replied == 1
                    ? QStringLiteral(" 1 Antwort übernommen.")
                    : QStringLiteral(" %1 Antworten übernommen.").arg(report.replied);
    const QString skipped = skippedEntries(fetched.withoutId, fetched.withoutKind);
    return skipped.isEmpty() ? text : text + QLatin1Char(' ') + skipped;
}

} // namespace retrieval
