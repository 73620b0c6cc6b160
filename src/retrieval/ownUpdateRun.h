#pragma once

#include "retrieval/pageWalk.h"
#include "retrieval/syncOutcome.h"

#include <memory>
#include <optional>
#include <QObject>
#include <QString>

class clsTalmBewertungen;
namespace retrieval {
struct FeedbackPage;
}

// The update run of the standard user's own ratings: asks the feedback source
// how many ratings the member has and which of the newest the store knows,
// asks whether to load the new ones, and collects them, newest first, until
// it has found as many as were missing or the member's list ends. Known
// ratings are skipped by their ids. It stores nothing; result() holds what it
// fetched when it has closed. The lines of the new ratings go to
// modGlobal::colNeueBewertungen. The source's signals carry it; the progress
// window (or a console) shows what it says and closes when it reports closed().
class OwnUpdateRun : public QObject {
    Q_OBJECT
public:
    // keineBewertungen: the caller's flag, True when nothing is to be stored.
    explicit OwnUpdateRun(bool& keineBewertungen, QObject* parent = nullptr);
    ~OwnUpdateRun() override;

    // Starts the first request and returns at once.
    void checkneueBewertungen();
    void cmdabort_Click();

    bool isClosed() const { return m_closed; }
    const retrieval::FetchResult& result() const { return m_result; }
    const QString& label1() const { return m_label1; }
    const QString& label2() const { return m_label2; }
    qint32 progressMaximum() const { return m_progressMax; }
    qint32 progressValue() const { return m_progressValue; }
    qint32 lines() const { return m_lZeilen; }
    // Requests the run made of the marketplace (the count included).
    qint32 requests() const { return m_requests; }

    static QString label3() {
        return QStringLiteral("Der Einlesevorgang kann je nach Geschwindigkeit der "
                              "Internetverbindung etwas länger dauern.");
    }

signals:
    void changed();
    // The run has ended: the window closes.
    void closed();

private:
    void AnzahlseitenBewertungen(qint32 AnzahlBewertungen, qint32 Seiten);
    void Finished(bool cAbort);
    void BewertungenText(const QString& TextZeile);
    void bytesloaded(qint32 bytes);
    void Fehler(qint16 Number, const QString& Description);
    void pageArrived(const retrieval::FeedbackPage& page);
    void request(const retrieval::PageWalk::Request& r);
    void close(retrieval::SyncOutcome::Kind end);
    void setLabel1(const QString& text);

    bool& m_keineBewertungen;
    std::unique_ptr<clsTalmBewertungen> m_source;
    qint32 m_lAnzahl = 0;
    qint32 m_lSeite = 0;
    qint32 m_lSeiten = 0;
    bool m_bPruefen = true;
    qint32 m_lZeilen = 0;
    qint32 m_stored = 0;  // real ratings stored when the run began
    qint32 m_headNew = 0; // the newest ratings the store lacks, seen with the count
    std::optional<retrieval::PageWalk> m_walk;
    std::optional<retrieval::PageWalk::Request> m_next;
    qint32 m_requests = 0;
    retrieval::FetchResult m_result;

    QString m_label1;
    QString m_label2;
    qint32 m_progressMax = 100;
    qint32 m_progressValue = 0;
    bool m_closed = false;
};
