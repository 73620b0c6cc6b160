#include "retrieval/ownUpdateRun.h"

#include "app/modGlobal.h"
#include "app/msgBox.h"
#include "errors/procedure.h"
#include "retrieval/clsTalmBewertungen.h"
#include "retrieval/feedbackJson.h"
#include "store/modData.h"

using Kind = retrieval::SyncOutcome::Kind;

namespace retrieval {

OwnUpdateRun::OwnUpdateRun(const app::Settings& settings, QObject* parent)
    : LoadRun(settings, parent) {}

// Nothing to store unless ratings arrived or the list was read to its end.
void OwnUpdateRun::end(Kind kind) {
    if (kind != Kind::Stored && m_result.ratings.empty())
        m_result.keineBewertungen = true;
    close(kind);
}

void OwnUpdateRun::checkneueBewertungen() {
    errors::Procedure p("[frmLade] Public Sub checkneueBewertungen()");
    p.step([&] { newSource(); });
    p.step([&] {
        m_lZeilen = 0;
        m_bPruefen = true;
    });
    // What is stored is counted here, not taken from the view: a filter on
    // screen must not make stored ratings look new, nor placeholders stand
    // for ratings.
    p.step([&] {
        const modData::MemberCounts counts =
            modData::countsOf(modData::Table::Own, modGlobal::sStandardUser);
        m_stored = counts.real;
        m_padded = counts.real + counts.placeholders;
    });
    p.step([&] { setLabel1(QStringLiteral("Lade Daten aus dem Internet")); });
    p.step([&] {
        ++m_requests;
        m_source->getAnzahl(modGlobal::sStandardUser);
    });
    if (p.leftOnError())
        end(Kind::Failed);
}

void OwnUpdateRun::AnzahlseitenBewertungen(qint32 AnzahlBewertungen, qint32 Seiten) {
    errors::Procedure p("[frmLade] Private Sub objBewertungen_AnzahlseitenBewertungen(ByVal "
                        "AnzahlBewertungen As Long, ByVal Seiten As Long)");
    p.step([&] { noteCount(AnzahlBewertungen, Seiten); });
    p.step([&] {
        if (Seiten == clsTalmBewertungen::kUnbekannt)
            showNotFound();
    });
}

void OwnUpdateRun::pageArrived(const retrieval::FeedbackPage& page) {
    if (isClosed())
        return;
    QHash<QString, bool> known;
    try {
        known = modData::knownRatings(modData::Table::Own, modGlobal::sStandardUser, page.ratings);
    } catch (const errors::RuntimeError& e) {
        // Without the store the run cannot tell new from known.
        m_result.detail = e.description();
        tell(QStringLiteral("Die gespeicherten Bewertungen konnten nicht gelesen werden: ") +
                 e.description(),
             app::vbCritical | app::vbOKOnly);
        if (m_source)
            m_source->abbrechen();
        end(Kind::Failed);
        return;
    }
    if (m_bPruefen) {
        // The newest ratings: new ones the count alone would not show, when
        // others were withdrawn in the meantime.
        m_headNew = qint32(std::count_if(page.ratings.begin(), page.ratings.end(),
                                         [&](const auto& r) { return !known.contains(r.id); }));
        return;
    }
    if (!m_walk)
        return;
    std::vector<retrieval::PageWalk::Entry> entries;
    entries.reserve(page.ratings.size());
    for (const store::FetchedRating& r : page.ratings) {
        const auto it = known.constFind(r.id);
        entries.push_back({r.id, it != known.constEnd()});
        // A stored row that lacked its kind or date is completed on the way,
        // and one the seller has answered since takes the reply.
        if (it != known.constEnd() && r.complete() && (!it.value() || r.hasReply()))
            m_result.ratings.push_back(r);
    }
    m_listTotal = page.total;
    const retrieval::PageWalk::Step step = m_walk->take(entries, page.total);
    for (qsizetype i : step.fresh) {
        const store::FetchedRating& r = page.ratings[size_t(i)];
        m_result.ratings.push_back(r);
        modGlobal::colNeueBewertungen.append(feedbackJson::feedbackLine(r));
    }
    m_next = step.next;
    m_lZeilen = m_walk->found();
    m_progressValue = std::min(m_lZeilen, m_progressMax);
    setLabel2(QStringLiteral("Analysiere Daten: ") + QString::number(m_lZeilen));
}

void OwnUpdateRun::request(const retrieval::PageWalk::Request& r) {
    ++m_lSeite;
    m_lSeiten = std::max(m_lSeiten, m_lSeite);
    pageCaption();
    m_source->resetSeite();
    ++m_requests;
    m_source->getEntries(modGlobal::sStandardUser, r.offset, r.count);
    m_source->planEntries(modGlobal::sStandardUser, m_walk->ahead(kMostParallel, m_listTotal));
}

void OwnUpdateRun::Finished(bool cAbort) {
    errors::Procedure p("[frmLade] Private Sub objBewertungen_Finished(ByVal cAbort As Boolean)");
    if (isClosed() || cAbort)
        return;
    if (m_bPruefen) {
        qint32 n = 0;
        p.step([&] {
            if (m_lAnzahl == clsTalmBewertungen::kUnbekannt) {
                end(Kind::UnknownMember);
                return p.exit();
            }
            // Placeholders stand for entries the total counts and no run was
            // given: asked for again, they would make every check read the
            // whole list. A full check looks for them.
            n = std::max(m_lAnzahl - m_padded, m_headNew);
            if (n <= 0) {
                setLabel1(QStringLiteral("Sie haben keine neue Bewertungen."));
                end(Kind::NothingNew);
                p.exit();
            }
        });
        p.step([&] {
            const int answer = tell(QStringLiteral("Sie haben ") + QString::number(n) +
                                        QStringLiteral(" neue Bewertungen. Sollen die neuen "
                                                       "Bewertungen geladen werden?"),
                                    app::vbYesNo);
            if (answer != app::vbYes) {
                end(Kind::Declined);
                p.exit();
            }
        });
        p.step([&] {
            m_result.asked = n;
            modGlobal::colNeueBewertungen.clear();
            m_progressMax = n;
            m_progressValue = 0;
            m_lSeiten = std::max<qint32>(1, (n + clsTalmBewertungen::kSeite - 1) /
                                                clsTalmBewertungen::kSeite);
            m_walk.emplace(n, m_stored);
            m_listTotal = m_lAnzahl;
            m_bPruefen = false;
            m_result.keineBewertungen = false;
            m_lSeite = 0;
            request(m_walk->first());
        });
        if (p.leftOnError())
            end(Kind::Failed);
        return;
    }
    p.step([&] {
        if (!m_next) {
            m_result.readToEnd = m_walk->readToEnd();
            m_result.duplicates = m_walk->duplicates();
            end(Kind::Stored);
            return p.exit();
        }
        request(*m_next);
    });
    if (p.leftOnError())
        end(Kind::CutShort);
}

void OwnUpdateRun::BewertungenText(const QString& TextZeile) {
    // The new ones among the lines went to colNeueBewertungen with their
    // page, and were counted there.
    Q_UNUSED(TextZeile);
}

void OwnUpdateRun::bytesloaded(qint32 bytes) {
    errors::Procedure p("[frmLade] Private Sub objBewertungen_bytesloaded(ByVal bytes As Long)");
    p.step([&] { setLabel2(QStringLiteral("Zeichen Empfangen: ") + QString::number(bytes)); });
}

void OwnUpdateRun::Fehler(qint16 Number, const QString& Description) {
    errors::Procedure p(
        "[frmLade] Private Sub objBewertungen_Fehler(ByVal Number As Integer, ByVal Description "
        "As String)");
    if (isClosed())
        return;
    p.step([&] { showConnectionError(Number, Description); });
    p.step([&] { m_source->abbrechen(); });
    // Before the question nothing of this run is to be stored, and nothing
    // of an earlier run either.
    p.step([&] {
        if (m_bPruefen)
            m_result.keineBewertungen = true;
    });
    end(isSettingsError(Number) ? Kind::Failed : m_bPruefen ? Kind::NoConnection : Kind::CutShort);
}

void OwnUpdateRun::cmdabort_Click() {
    errors::Procedure p("[frmLade] Private Sub cmdabort_Click()");
    p.step([&] {
        if (m_source)
            m_source->abbrechen();
    });
    // What arrived is kept: it is stored, and the next check goes on from there.
    p.step([&] { m_result.keineBewertungen = m_result.ratings.empty(); });
    p.step([&] { end(Kind::Cancelled); });
}

} // namespace retrieval
