#include "retrieval/loadRun.h"

#include "app/modGlobal.h"
#include "app/msgBox.h"
#include "app/signInStore.h"
#include "retrieval/clsTalmBewertungen.h"

namespace retrieval {

LoadRun::LoadRun(const app::Settings& settings, QObject* parent)
    : QObject(parent), m_settings(settings) {}

LoadRun::~LoadRun() = default;

void LoadRun::newSource() {
    // The secrets only here, for the source: nothing else keeps them.
    m_source = std::make_unique<clsTalmBewertungen>(app::withSecrets(m_settings));
    clsTalmBewertungen* s = m_source.get();
    connect(s, &clsTalmBewertungen::AnzahlseitenBewertungen, this,
            [this](qint32 n, qint32 pages) { AnzahlseitenBewertungen(n, pages); });
    connect(s, &clsTalmBewertungen::Finished, this, [this](bool aborted) { Finished(aborted); });
    connect(s, &clsTalmBewertungen::BewertungenText, this,
            [this](const QString& line) { BewertungenText(line); });
    connect(s, &clsTalmBewertungen::bytesloaded, this, [this](qint32 b) { bytesloaded(b); });
    connect(s, &clsTalmBewertungen::Fehler, this,
            [this](qint16 n, const QString& d) { Fehler(n, d); });
    connect(s, &clsTalmBewertungen::pageArrived, this,
            [this](const retrieval::FeedbackPage& page) { pageArrived(page); });
    connect(s, &clsTalmBewertungen::UebersichtBewertung, this,
            [this](const QStringList& profile) { UebersichtBewertung(profile); });
}

void LoadRun::UebersichtBewertung(const QStringList& colBewertung) {
    Q_UNUSED(colBewertung);
}

void LoadRun::noteCount(qint32 AnzahlBewertungen, qint32 Seiten) {
    m_lSeiten = Seiten;
    m_lAnzahl = AnzahlBewertungen;
    modGlobal::lAnzahlBewertungen = AnzahlBewertungen;
    m_result.reportedTotal = std::max(0, AnzahlBewertungen);
}

int LoadRun::tell(const QString& text, int style) {
    if (!m_quiet)
        return app::MsgBox(text, style);
    if ((style & 0x0F) == app::vbYesNo)
        return app::vbYes;
    m_quietMessage = text;
    return app::vbOK;
}

void LoadRun::showNotFound() {
    tell(QStringLiteral("Der eingegebene Mitgliedsname wurde nicht gefunden. Bitte "
                        "überprüfen Sie den Mitgliedsnamen, und versuchen Sie es erneut!"),
         app::vbCritical | app::vbOKOnly);
}

void LoadRun::showConnectionError(qint16 Number, const QString& Description) {
    m_result.errorNumber = Number;
    m_result.detail = Description;
    if (Number == retrieval::kFehlerAnmeldung) {
        // Not the connection: the member must sign in again.
        m_result.signInNeeded = true;
        tell(Description, app::vbCritical | app::vbOKOnly);
        return;
    }
    // Not the connection either: the message names the setting to mend.
    if (isSettingsError(Number)) {
        tell(Description, app::vbCritical | app::vbOKOnly);
        return;
    }
    tell(QStringLiteral("Fehler bei der Verbindungsaufnahme: ") + QString::number(Number) +
             QStringLiteral("\r Beschreibung: ") + Description +
             QStringLiteral("\rBitte prüfen Sie ob eine Internetverbindung besteht."),
         app::vbCritical | app::vbOKOnly);
}

bool LoadRun::isSettingsError(qint16 Number) {
    return Number == retrieval::kFehlerZugangsdaten || Number == retrieval::kFehlerAdresse ||
           Number == retrieval::kFehlerEinstellung || Number == retrieval::kFehlerAnmeldung;
}

void LoadRun::setLabel1(const QString& text) {
    m_label1 = text;
    emit changed();
}

void LoadRun::setLabel2(const QString& text) {
    m_label2 = text;
    emit changed();
}

void LoadRun::pageCaption() {
    setLabel1(QStringLiteral("Lade Daten aus dem Internet (") + QString::number(m_lSeite) +
              QStringLiteral(" von ") + QString::number(m_lSeiten) + QLatin1Char(')'));
}

void LoadRun::close(retrieval::SyncOutcome::Kind end) {
    if (m_closed)
        return;
    m_closed = true;
    m_result.end = end;
    m_result.errorReported = m_errors.seen();
    // Nothing of the source reaches a closed run.
    if (m_source) {
        m_source->disconnect(this);
        m_source.release()->deleteLater();
    }
    emit changed();
    emit closed();
}

} // namespace retrieval
