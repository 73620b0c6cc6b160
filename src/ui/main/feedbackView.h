#pragma once

#include "retrieval/syncOutcome.h"
#include "store/modData.h"

#include <array>
#include <functional>
#include <QObject>
#include <QString>

namespace ui {

class FeedbackList;

// What the main window shows of its view: which member and filter, which
// page, the caption, the progress, the summary and which buttons may be
// pressed. It reads the store and fills the list; the window mirrors its
// state whenever it changes.
class FeedbackView : public QObject {
    Q_OBJECT
public:
    enum Button {
        Command1,
        Command2,
        Command3,
        cmdnext,
        cmdprev,
        cmdalleanzeigen,
        ZorButton1,
        ButtonCount
    };

    explicit FeedbackView(FeedbackList* list, QObject* parent = nullptr);

    void cmdalleanzeigen_Click();
    void Command1_Click() { filter(1); }
    void Command2_Click() { filter(2); }
    void Command3_Click() { filter(3); }
    void cmdnext_Click() { turnPage(+1); }
    void cmdprev_Click() { turnPage(-1); }
    void enableAll(bool flag);
    // The shown member, filter and page read again, with the counts, after
    // another process stored; nothing when a page is being read.
    void reload();
    // Stores what the last run of the own ratings fetched, then shows all
    // rows; says how the run ended.
    retrieval::SyncOutcome Command7_Click(const retrieval::FetchResult& fetched);
    // Stores a foreign member's fetched ratings in place of the member's
    // earlier ones, then shows all rows.
    void saveTemp(const std::vector<store::FetchedRating>& ratings);
    // After an operation was left through the error dialog: normal cursor,
    // no progress bar, every command usable but the current view's button.
    void restoreUsable();

    bool isEnabled(Button b) const { return m_enabled[size_t(b)]; }
    void setEnabled(Button b, bool on);
    bool menuEnabled() const { return m_menuEnabled; } // "keyFile"
    void setMenuEnabled(bool on);

    const QString& lblinfo() const { return m_lblinfo; }
    bool progressVisible() const { return m_progressVisible; }
    int progressMaximum() const { return m_progressMax; }
    int progressValue() const { return m_progressValue; }
    bool busyCursor() const { return m_busyCursor; }
    bool bAnzeigeLaeuft() const { return m_busy; }

    const QString& lblsummepos() const { return m_summe[0]; }
    const QString& lblsummeneu() const { return m_summe[1]; }
    const QString& lblsummeneg() const { return m_summe[2]; }
    const QString& lblProzente() const { return m_prozente; }

    // Called once per added row instead of a plain yield (tests, benchmarks).
    void setYield(std::function<void()> yield) { m_yield = std::move(yield); }

    static QString loadingMessage(int kind);
    static QString emptyMessage(int kind);

signals:
    void changed();

private:
    void filter(int n);
    void turnPage(int direction);
    void beginBusy();
    void showEmpty(const QString& message, Button own);
    void fillPage(const modData::Page& page);
    void addRows(const modData::Page& page);
    void caption();
    void Prozente();
    void refreshSummary(bool found);
    void setCursorBusy(bool busy);
    void setInfo(const QString& text);
    void setProgress(bool visible, int maximum, int value);
    qint32 countView(int kind) const;
    qint32 notCountedIn(int kind) const;
    modData::Page readPage(int kind) const;
    void yieldOnce();

    FeedbackList* m_list;
    std::array<bool, ButtonCount> m_enabled{};
    bool m_menuEnabled = true;
    QString m_lblinfo = QStringLiteral("keine Bewertungen vorhanden");
    bool m_progressVisible = false;
    int m_progressMax = 100;
    int m_progressValue = 0;
    bool m_busyCursor = false;
    bool m_busy = false;
    qint32 m_lEnde = 0;
    qint32 m_notCounted = 0; // of lAnzahlGesamt: listed, withdrawn or hidden
    std::array<QString, 3> m_summe{QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("0")};
    QString m_prozente;
    std::function<void()> m_yield;
};

} // namespace ui
