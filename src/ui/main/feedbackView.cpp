#include "ui/main/feedbackView.h"

#include "app/modGlobal.h"
#include "app/msgBox.h"
#include "app/vbConvert.h"
#include "base/ratingSummary.h"
#include "errors/procedure.h"
#include "store/modData.h"
#include "store/ratingState.h"
#include "store/ratingStoring.h"
#include "ui/main/feedbackList.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>

namespace ui {

namespace {
const QString kOwnTable = QString::fromLatin1(feedback::kOwnTable);
const QString kForeignTable = QString::fromLatin1(feedback::kForeignTable);

// The busy mark is cleared however the operation ends, so that a failed
// page never blocks the next show-all.
class BusyMark {
public:
    explicit BusyMark(bool& mark) : m_mark(mark) { m_mark = true; }
    ~BusyMark() { m_mark = false; }
    BusyMark(const BusyMark&) = delete;
    BusyMark& operator=(const BusyMark&) = delete;

private:
    bool& m_mark;
};
} // namespace

FeedbackView::FeedbackView(FeedbackList* list, QObject* parent) : QObject(parent), m_list(list) {
    m_enabled.fill(true);
}

QString FeedbackView::loadingMessage(int kind) {
    switch (kind) {
    case 1:
        return QStringLiteral("Positive Bewertungen werden geladen!");
    case 2:
        return QStringLiteral("Neutrale Bewertungen werden geladen!");
    default:
        return QStringLiteral("Negative Bewertungen werden geladen!");
    }
}

QString FeedbackView::emptyMessage(int kind) {
    switch (kind) {
    case 1:
        return QStringLiteral("keine Positiven Bewertungen vorhanden!");
    case 2:
        return QStringLiteral("keine Neutralen Bewertungen vorhanden!");
    default:
        return QStringLiteral("keine Negativen Bewertungen vorhanden!");
    }
}

void FeedbackView::setEnabled(Button b, bool on) {
    m_enabled[size_t(b)] = on;
    emit changed();
}

void FeedbackView::setMenuEnabled(bool on) {
    m_menuEnabled = on;
    emit changed();
}

void FeedbackView::setInfo(const QString& text) {
    m_lblinfo = text;
    emit changed();
}

void FeedbackView::setProgress(bool visible, int maximum, int value) {
    m_progressVisible = visible;
    m_progressMax = maximum;
    m_progressValue = value;
    emit changed();
}

void FeedbackView::setCursorBusy(bool busy) {
    if (busy == m_busyCursor)
        return;
    m_busyCursor = busy;
    if (busy)
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QGuiApplication::restoreOverrideCursor();
}

void FeedbackView::yieldOnce() {
    if (m_yield)
        m_yield();
    else
        QCoreApplication::processEvents();
}

qint32 FeedbackView::countView(int kind) const {
    if (kind == 0)
        return modGlobal::bFremdModus ? modData::read_AnzahlTemp(modGlobal::sFremdUser)
                                      : modData::read_Anzahl(modGlobal::sStandardUser);
    return modGlobal::bFremdModus
               ? modData::read_BewertungenPosZahl(modGlobal::sFremdUser, kind, kForeignTable)
               : modData::read_BewertungenPosZahl(modGlobal::sStandardUser, kind, kOwnTable);
}

// Withdrawn and hidden ratings are listed but not counted.
qint32 FeedbackView::notCountedIn(int kind) const {
    const store::NotCounted off = store::notCounted(
        modGlobal::bFremdModus ? modData::Table::Temp : modData::Table::Own,
        modGlobal::bFremdModus ? modGlobal::sFremdUser : modGlobal::sStandardUser);
    return kind == 0 ? off.all() : off.ofKind(kind);
}

modData::Page FeedbackView::readPage(int kind) const {
    if (kind == 0)
        return modGlobal::bFremdModus ? modData::read_BewertungenTemp(modGlobal::sFremdUser, true)
                                      : modData::read_Bewertungen(modGlobal::sStandardUser, true);
    return modGlobal::bFremdModus
               ? modData::read_BewertungenPosTemp(modGlobal::sFremdUser, qint16(kind), true)
               : modData::read_BewertungenPos(modGlobal::sStandardUser, qint16(kind), true);
}

void FeedbackView::caption() {
    m_lEnde = std::min(modGlobal::lSeitenAnfang + modGlobal::kSeitenGroesse - 1,
                       modGlobal::lAnzahlGesamt);
    setInfo(base::anzeigeText(modGlobal::lSeitenAnfang, m_lEnde, modGlobal::lAnzahlGesamt,
                              m_notCounted));
}

void FeedbackView::addRows(const modData::Page& page) {
    int added = 0;
    for (const QStringList& row : page) {
        m_list->subAddListe(app::CLng(row.value(0)), row.value(1), row.value(2), row.value(3),
                            row.value(4), row.value(5), false, false, row.value(6), row.value(7),
                            row.value(8).toLongLong());
        yieldOnce();
        setProgress(true, m_progressMax, ++added);
    }
    setCursorBusy(false);
    setProgress(false, m_progressMax, m_progressValue);
    enableAll(true);
}

void FeedbackView::beginBusy() {
    setCursorBusy(true);
    enableAll(false);
    yieldOnce();
}

// A view that found no rows: its message, every command but its own button.
void FeedbackView::showEmpty(const QString& message, Button own) {
    setInfo(message);
    setCursorBusy(false);
    setProgress(false, m_progressMax, m_progressValue);
    enableAll(true);
    setEnabled(own, false);
}

void FeedbackView::fillPage(const modData::Page& page) {
    caption();
    setProgress(true, m_lEnde - modGlobal::lSeitenAnfang + 1, 0);
    addRows(page);
}

void FeedbackView::cmdalleanzeigen_Click() {
    errors::Procedure p("[frmAnzeige] Public Sub cmdalleanzeigen_Click()");
    if (m_busy)
        return;
    BusyMark mark(m_busy);
    modData::Page page;
    p.step([&] { beginBusy(); });
    p.step([&] {
        modGlobal::lSeitenAnfang = 1;
        m_list->subClearListe();
    });
    p.step([&] {
        modGlobal::lAnzahlGesamt = countView(0);
        m_notCounted = notCountedIn(0);
    });
    p.step([&] { page = readPage(0); });
    p.step([&] {
        if (page.Count() > 0) {
            fillPage(page);
            setEnabled(cmdalleanzeigen, false);
            modGlobal::iAnzeigeModus = 0;
            refreshSummary(true);
        } else {
            showEmpty(QStringLiteral("keine Bewertungen vorhanden!"), cmdalleanzeigen);
            refreshSummary(false);
        }
    });
    if (p.leftOnError())
        restoreUsable();
}

void FeedbackView::reload() {
    errors::Procedure p("[frmAnzeige] Public Sub reload()");
    if (m_busy)
        return;
    BusyMark mark(m_busy);
    static const Button own[4] = {cmdalleanzeigen, Command1, Command2, Command3};
    const int kind = std::clamp<int>(modGlobal::iAnzeigeModus, 0, 3);
    modData::Page page;
    p.step([&] { beginBusy(); });
    p.step([&] {
        modGlobal::lAnzahlGesamt = countView(kind);
        m_notCounted = notCountedIn(kind);
        // The page shown stays, unless the list no longer reaches it.
        const qint32 last = std::max(0, modGlobal::lAnzahlGesamt - 1);
        modGlobal::lSeitenAnfang =
            std::clamp(modGlobal::lSeitenAnfang, 1,
                       1 + last / modGlobal::kSeitenGroesse * modGlobal::kSeitenGroesse);
        m_list->subClearListe();
    });
    p.step([&] { page = readPage(kind); });
    p.step([&] {
        if (page.Count() > 0) {
            fillPage(page);
            setEnabled(own[kind], false);
        } else {
            showEmpty(kind == 0 ? QStringLiteral("keine Bewertungen vorhanden!")
                                : emptyMessage(kind),
                      own[kind]);
        }
        refreshSummary(countView(0) > 0);
    });
    if (p.leftOnError())
        restoreUsable();
}

void FeedbackView::restoreUsable() {
    setCursorBusy(false);
    setProgress(false, m_progressMax, m_progressValue);
    enableAll(true);
    static const Button current[4] = {cmdalleanzeigen, Command1, Command2, Command3};
    if (modGlobal::iAnzeigeModus >= 0 && modGlobal::iAnzeigeModus <= 3)
        setEnabled(current[modGlobal::iAnzeigeModus], false);
}

void FeedbackView::refreshSummary(bool found) {
    for (int n = 1; n <= 3; ++n) {
        qint32 count = 0;
        if (found)
            count = modGlobal::bFremdModus
                        ? modData::read_BewertungenPosZahl(modGlobal::sFremdUser, n,
                                                           QStringLiteral("Bewertungentemp"))
                        : modData::read_BewertungenPosZahl(modGlobal::sStandardUser, n, kOwnTable);
        if (found)
            count -= notCountedIn(n);
        m_summe[size_t(n - 1)] = QString::number(count);
    }
    Prozente();
}

void FeedbackView::Prozente() {
    errors::Procedure p("[frmAnzeige] Private Sub Prozente()");
    qint64 pos = 0;
    qint64 neg = 0;
    p.step([&] {
        pos = app::CLng(m_summe[0]);
        neg = app::CLng(m_summe[2]);
    });
    p.step([&] { m_prozente = base::prozenteText(pos, neg); });
    p.step([&] {
        if (modGlobal::bFremdModus)
            m_prozente = QStringLiteral("Fremd-User Analyse");
        emit changed();
    });
}

void FeedbackView::filter(int n) {
    static const char* const signatures[4] = {nullptr, "[frmAnzeige] Private Sub Command1_Click()",
                                              "[frmAnzeige] Private Sub Command2_Click()",
                                              "[frmAnzeige] Private Sub Command3_Click()"};
    errors::Procedure p(signatures[n]);
    const Button own = Button(Command1 + n - 1);
    modData::Page page;
    p.step([&] {
        setCursorBusy(true);
        enableAll(false);
        setInfo(loadingMessage(n));
        setProgress(true, m_progressMax, m_progressValue);
    });
    p.step([&] {
        modGlobal::lSeitenAnfang = 1;
        yieldOnce();
        m_list->subClearListe();
    });
    p.step([&] {
        modGlobal::lAnzahlGesamt = countView(n);
        m_notCounted = notCountedIn(n);
    });
    p.step([&] { page = readPage(n); });
    p.step([&] {
        if (page.Count() > 0) {
            setProgress(true, int(page.Count()), 0);
            fillPage(page);
            setEnabled(own, false);
            modGlobal::iAnzeigeModus = qint16(n);
        } else {
            showEmpty(emptyMessage(n), own);
        }
    });
    if (p.leftOnError())
        restoreUsable();
}

void FeedbackView::turnPage(int direction) {
    errors::Procedure p(direction > 0 ? "[frmAnzeige] Private Sub cmdnext_Click()"
                                      : "[frmAnzeige] Private Sub cmdprev_Click()");
    if (m_busy)
        return;
    BusyMark mark(m_busy);
    modData::Page page;
    p.step([&] { beginBusy(); });
    p.step([&] {
        modGlobal::lSeitenAnfang += direction * modGlobal::kSeitenGroesse;
        if (modGlobal::lSeitenAnfang > modGlobal::lAnzahlGesamt)
            modGlobal::lSeitenAnfang = modGlobal::lAnzahlGesamt;
    });
    p.step([&] {
        caption();
        setProgress(true, m_lEnde - modGlobal::lSeitenAnfang + 1, 0);
        m_list->subClearListe();
    });
    p.step([&] { page = readPage(modGlobal::iAnzeigeModus); });
    p.step([&] { addRows(page); });
    // Also the end of a turn left through the error dialog.
    p.step([&] { restoreUsable(); });
    if (p.leftOnError())
        restoreUsable();
}

retrieval::SyncOutcome FeedbackView::Command7_Click(const retrieval::FetchResult& fetched) {
    errors::Procedure p("[frmAnzeige] Private Sub Command7_Click()");
    retrieval::SyncOutcome outcome;
    outcome.kind = retrieval::SyncOutcome::Kind::Failed;
    p.step([&] {
        setCursorBusy(true);
        enableAll(false);
        setProgress(true, m_progressMax, 0);
        setInfo(QStringLiteral("Neue Bewertungen werden in die Datenbank geschrieben!"));
    });
    p.step([&] {
        const qint32 n = qint32(fetched.ratings.size());
        setProgress(true, n > 0 ? n : 2, 0);
    });
    p.step([&] {
        outcome = retrieval::storeOwnRun(fetched, modGlobal::sStandardUser,
                                         [this](qint32 i) { setProgress(true, m_progressMax, i); });
    });
    p.step([&] {
        m_busy = false;
        cmdalleanzeigen_Click();
    });
    p.step([&] {
        setProgress(false, m_progressMax, m_progressValue);
        setCursorBusy(false);
        enableAll(true);
    });
    if (p.leftOnError())
        restoreUsable();
    return outcome;
}

void FeedbackView::saveTemp(const std::vector<store::FetchedRating>& ratings) {
    errors::Procedure p("[frmAnzeige] Public Sub saveTemp()");
    p.step([&] {
        setCursorBusy(true);
        enableAll(false);
        setProgress(true, m_progressMax, 0);
        setInfo(QStringLiteral("Bewertungen werden in der Datenbank zwischengespeichert!"));
    });
    // An empty collection still gets a working range.
    p.step([&] { setProgress(true, std::max(1, int(ratings.size())), 0); });
    p.step([&] {
        // A yield per rating would cost more than storing a quarter of a
        // million of them; the window answers every few milliseconds instead.
        QElapsedTimer sinceYield;
        sinceYield.start();
        const store::StoreReport report =
            store::storeFetched(modData::Table::Temp, modGlobal::sFremdUser, ratings,
                                store::StoreMode::ReplaceMember, 0, [&](qint32 i) {
                                    if (sinceYield.elapsed() < 15)
                                        return;
                                    setProgress(true, m_progressMax, i);
                                    yieldOnce();
                                    sinceYield.restart();
                                });
        if (!report.ok)
            app::MsgBox(store::storeFailureMessage(), app::vbCritical | app::vbOKOnly);
    });
    p.step([&] { cmdalleanzeigen_Click(); });
    p.step([&] {
        setProgress(false, m_progressMax, m_progressValue);
        setCursorBusy(false);
        enableAll(true);
    });
    if (p.leftOnError())
        restoreUsable();
}

void FeedbackView::enableAll(bool flag) {
    auto p = errors::Procedure::untraced("[frmAnzeige] Public Sub enableAll(flag As Boolean)",
                                         errors::Handling::SkipSilently);
    p.step([&] {
        for (Button b :
             {Command1, Command2, Command3, cmdnext, cmdprev, cmdalleanzeigen, ZorButton1})
            m_enabled[size_t(b)] = flag;
    });
    p.step([&] {
        if (flag) {
            m_enabled[cmdprev] = modGlobal::lSeitenAnfang >= 2;
            m_enabled[cmdnext] = qint64(modGlobal::lSeitenAnfang) + modGlobal::kSeitenGroesse <=
                                 modGlobal::lAnzahlGesamt;
        }
    });
    p.step([&] { m_menuEnabled = flag; });
    emit changed();
}

} // namespace ui
