#pragma once

#include <memory>
#include <QObject>
#include <QString>

class clsTalmBewertungen;

// The update run of the standard user's own ratings: asks the feedback source
// how many ratings the member has, compares with those stored, asks whether
// to load the new ones, and collects exactly that many lines, newest first,
// into modGlobal::colNeueBewertungen. It stores nothing. The source's signals
// carry it; the progress window (or a console) shows what it says and closes
// when it reports closed().
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
    const QString& label1() const { return m_label1; }
    const QString& label2() const { return m_label2; }
    qint32 progressMaximum() const { return m_progressMax; }
    qint32 progressValue() const { return m_progressValue; }
    qint32 lines() const { return m_lZeilen; }

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
    void close();
    void setLabel1(const QString& text);

    bool& m_keineBewertungen;
    std::unique_ptr<clsTalmBewertungen> m_source;
    qint32 m_lAnzahl = 0;
    qint32 m_lLimit = 0;
    qint32 m_lSeite = 0;
    qint32 m_lSeiten = 0;
    bool m_bPruefen = true;
    qint32 m_lZeilen = 0;
    qint32 m_stored = 0;

    QString m_label1;
    QString m_label2;
    qint32 m_progressMax = 100;
    qint32 m_progressValue = 0;
    bool m_closed = false;
};
