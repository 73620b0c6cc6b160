#include "retrieval/ownUpdateRun.h"

#include "app/modGlobal.h"
#include "app/msgBox.h"
#include "errors/procedure.h"
#include "retrieval/clsTalmBewertungen.h"
#include "store/modData.h"

using namespace modGlobal;

OwnUpdateRun::OwnUpdateRun(bool& keineBewertungen, QObject* parent)
    : QObject(parent), m_keineBewertungen(keineBewertungen) {}

OwnUpdateRun::~OwnUpdateRun() = default;

void OwnUpdateRun::setLabel1(const QString& text) {
    m_label1 = text;
    emit changed();
}

void OwnUpdateRun::checkneueBewertungen() {
    errors::Procedure p("[frmLade] Public Sub checkneueBewertungen()");
    p.step([&] {
        m_source = std::make_unique<clsTalmBewertungen>();
        connect(m_source.get(), &clsTalmBewertungen::AnzahlseitenBewertungen, this,
                &OwnUpdateRun::AnzahlseitenBewertungen);
        connect(m_source.get(), &clsTalmBewertungen::Finished, this, &OwnUpdateRun::Finished);
        connect(m_source.get(), &clsTalmBewertungen::BewertungenText, this,
                &OwnUpdateRun::BewertungenText);
        connect(m_source.get(), &clsTalmBewertungen::bytesloaded, this, &OwnUpdateRun::bytesloaded);
        connect(m_source.get(), &clsTalmBewertungen::Fehler, this, &OwnUpdateRun::Fehler);
    });
    p.step([&] {
        m_lZeilen = 0;
        m_bPruefen = true;
    });
    // What is stored is counted here, not taken from the view: a filter on
    // screen must not make stored ratings look new.
    p.step([&] { m_stored = modData::read_Anzahl(sStandardUser); });
    p.step([&] { setLabel1(QStringLiteral("Lade Daten aus dem Internet")); });
    p.step([&] { m_source->getAnzahl(sStandardUser); });
}

void OwnUpdateRun::AnzahlseitenBewertungen(qint32 AnzahlBewertungen, qint32 Seiten) {
    errors::Procedure p("[frmLade] Private Sub objBewertungen_AnzahlseitenBewertungen(ByVal "
                        "AnzahlBewertungen As Long, ByVal Seiten As Long)");
    p.step([&] {
        m_lSeiten = Seiten;
        m_lAnzahl = AnzahlBewertungen;
        lAnzahlBewertungen = AnzahlBewertungen;
    });
    p.step([&] {
        if (Seiten == clsTalmBewertungen::kUnbekannt)
            app::MsgBox(QStringLiteral("Der eingegebene Mitgliedsname wurde nicht gefunden. Bitte "
                                       "überprüfen Sie den Mitgliedsnamen, und versuchen Sie es "
                                       "erneut!"),
                        app::vbCritical | app::vbOKOnly);
    });
}

void OwnUpdateRun::Finished(bool cAbort) {
    errors::Procedure p("[frmLade] Private Sub objBewertungen_Finished(ByVal cAbort As Boolean)");
    Q_UNUSED(cAbort);
    if (m_closed)
        return;
    if (m_bPruefen) {
        qint32 n = 0;
        p.step([&] {
            if (m_lAnzahl <= m_stored) {
                setLabel1(QStringLiteral("Sie haben keine neue Bewertungen."));
                m_keineBewertungen = true;
                close();
                p.exit();
            }
        });
        p.step([&] {
            n = m_lAnzahl - m_stored;
            const int answer = app::MsgBox(QStringLiteral("Sie haben ") + QString::number(n) +
                                               QStringLiteral(" neue Bewertungen. Sollen die neuen "
                                                              "Bewertungen geladen werden?"),
                                           app::vbYesNo);
            if (answer != app::vbYes) {
                m_keineBewertungen = true;
                close();
                p.exit();
            }
        });
        p.step([&] {
            m_lAnzahl = n;
            colNeueBewertungen.clear();
        });
        p.step(
            [&] { m_lLimit = n <= clsTalmBewertungen::kSeite ? n : clsTalmBewertungen::kSeite; });
        p.step([&] { lAnzahlGesamt += n; });
        p.step([&] {
            m_progressMax = n;
            emit changed();
        });
        p.step([&] {
            m_lSeiten = std::max<qint32>(1, (n + clsTalmBewertungen::kSeite - 1) /
                                                clsTalmBewertungen::kSeite);
        });
        p.step([&] {
            setLabel1(QStringLiteral("Lade Daten aus dem Internet (1 von ") +
                      QString::number(m_lSeiten) + QLatin1Char(')'));
        });
        p.step([&] {
            m_source->resetSeite();
            m_source->getSeite(sStandardUser, 1, m_lLimit, false);
        });
        p.step([&] {
            m_lAnzahl -= clsTalmBewertungen::kSeite;
            m_bPruefen = false;
            m_lSeite = 1;
            m_keineBewertungen = false;
        });
        return;
    }
    p.step([&] { ++m_lSeite; });
    p.step([&] {
        if (m_lSeite == m_lSeiten + 1) {
            close();
            p.exit();
        }
    });
    p.step([&] {
        m_lLimit = m_lAnzahl <= clsTalmBewertungen::kSeite ? m_lAnzahl : clsTalmBewertungen::kSeite;
    });
    p.step([&] {
        setLabel1(QStringLiteral("Lade Daten aus dem Internet (") + QString::number(m_lSeite) +
                  QStringLiteral(" von ") + QString::number(m_lSeiten) + QLatin1Char(')'));
    });
    p.step([&] {
        m_source->resetSeite();
        m_source->getSeite(sStandardUser, m_lSeite, m_lLimit, true);
    });
    p.step([&] { m_lAnzahl -= clsTalmBewertungen::kSeite; });
}

void OwnUpdateRun::BewertungenText(const QString& TextZeile) {
    errors::Procedure p(
        "[frmLade] Private Sub objBewertungen_BewertungenText(ByVal TextZeile As String)");
    if (m_closed)
        return;
    p.step([&] {
        ++m_lZeilen;
        m_label2 = QStringLiteral("Analysiere Daten: ") + QString::number(m_lZeilen);
    });
    p.step([&] {
        if (m_progressMax < m_lZeilen)
            m_progressMax = m_lZeilen;
        m_progressValue = m_lZeilen;
        emit changed();
    });
    p.step([&] { colNeueBewertungen.append(TextZeile); });
}

void OwnUpdateRun::bytesloaded(qint32 bytes) {
    errors::Procedure p("[frmLade] Private Sub objBewertungen_bytesloaded(ByVal bytes As Long)");
    p.step([&] {
        m_label2 = QStringLiteral("Zeichen Empfangen: ") + QString::number(bytes);
        emit changed();
    });
}

void OwnUpdateRun::Fehler(qint16 Number, const QString& Description) {
    errors::Procedure p(
        "[frmLade] Private Sub objBewertungen_Fehler(ByVal Number As Integer, ByVal Description "
        "As String)");
    if (m_closed)
        return;
    p.step([&] {
        app::MsgBox(QStringLiteral("Fehler bei der Verbindungsaufnahme: ") +
                        QString::number(Number) + QStringLiteral("\r Beschreibung: ") +
                        Description +
                        QStringLiteral("\rBitte prüfen Sie ob eine Internetverbindung besteht."),
                    app::vbCritical | app::vbOKOnly);
    });
    p.step([&] { m_source->abbrechen(); });
    // Before the question nothing of this run is to be stored, and nothing
    // of an earlier run either.
    p.step([&] {
        if (m_bPruefen)
            m_keineBewertungen = true;
    });
    p.step([&] { close(); });
}

void OwnUpdateRun::cmdabort_Click() {
    errors::Procedure p("[frmLade] Private Sub cmdabort_Click()");
    p.step([&] {
        if (m_source)
            m_source->abbrechen();
    });
    p.step([&] { m_keineBewertungen = true; });
    p.step([&] { close(); });
}

void OwnUpdateRun::close() {
    if (m_closed)
        return;
    m_closed = true;
    // Nothing of the source reaches a closed run.
    if (m_source) {
        m_source->disconnect(this);
        m_source.release()->deleteLater();
    }
    emit changed();
    emit closed();
}
