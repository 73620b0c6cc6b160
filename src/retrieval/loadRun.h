#pragma once

#include "app/settings.h"
#include "errors/errPtnr.h"
#include "retrieval/syncOutcome.h"

#include <memory>
#include <QObject>
#include <QString>
#include <QStringList>

namespace retrieval {

class clsTalmBewertungen;
struct FeedbackPage;

// What the two load runs share: the feedback source they drive, what their
// progress window shows, their messages, and how they end. A run closes
// itself once (closed()); result() then holds what it fetched.
class LoadRun : public QObject {
    Q_OBJECT
public:
    ~LoadRun() override;

    bool isClosed() const { return m_closed; }
    const retrieval::FetchResult& result() const { return m_result; }
    // What it fetched, moved out: a quarter of a million ratings are not
    // copied.
    retrieval::FetchResult takeResult() { return std::move(m_result); }
    const QString& label1() const { return m_label1; }
    const QString& label2() const { return m_label2; }
    qint32 progressMaximum() const { return m_progressMax; }
    qint32 progressValue() const { return m_progressValue; }
    qint32 lines() const { return m_lZeilen; }
    // Requests the run made of the marketplace.
    qint32 requests() const { return m_requests; }

    virtual void cmdabort_Click() = 0;

    // A run nobody watches, as the window's own checks at intervals: it loads
    // without asking and keeps its last message instead of showing it.
    void setQuiet(bool quiet) { m_quiet = quiet; }
    const QString& quietMessage() const { return m_quietMessage; }

    static QString label3() {
        return QStringLiteral("Der Einlesevorgang kann je nach Geschwindigkeit der "
                              "Internetverbindung etwas länger dauern.");
    }

signals:
    void changed();
    // The run has ended: the window closes.
    void closed();

protected:
    // The feedback sources of the run work with these settings.
    LoadRun(const app::Settings& settings, QObject* parent);

    // A new source whose signals reach the handlers below.
    void newSource();
    virtual void AnzahlseitenBewertungen(qint32 AnzahlBewertungen, qint32 Seiten) = 0;
    virtual void Finished(bool cAbort) = 0;
    virtual void BewertungenText(const QString& TextZeile) = 0;
    virtual void bytesloaded(qint32 bytes) = 0;
    virtual void Fehler(qint16 Number, const QString& Description) = 0;
    virtual void pageArrived(const retrieval::FeedbackPage& page) = 0;
    virtual void UebersichtBewertung(const QStringList& colBewertung);

    // What a count says: the run's totals, and lAnzahlBewertungen.
    void noteCount(qint32 AnzahlBewertungen, qint32 Seiten);
    // app::MsgBox, or in a quiet run: a question agreed to, a message kept.
    int tell(const QString& text, int style);
    void showNotFound();
    void showConnectionError(qint16 Number, const QString& Description);
    // A settings error rather than the connection: no retry will help.
    static bool isSettingsError(qint16 Number);
    void setLabel1(const QString& text);
    void setLabel2(const QString& text);
    // "Lade Daten aus dem Internet (2 von 3)"
    void pageCaption();
    void close(retrieval::SyncOutcome::Kind end);

    app::Settings m_settings;
    std::unique_ptr<clsTalmBewertungen> m_source;
    retrieval::FetchResult m_result;
    qint32 m_lAnzahl = 0;
    qint32 m_lSeite = 0;
    qint32 m_lSeiten = 0;
    bool m_bPruefen = true;
    qint32 m_lZeilen = 0;
    qint32 m_requests = 0;
    qint32 m_progressMax = 100;
    qint32 m_progressValue = 0;

private:
    QString m_label1;
    QString m_label2;
    bool m_closed = false;
    bool m_quiet = false;
    QString m_quietMessage;
    errors::ErrorWatch m_errors;
};

} // namespace retrieval
