#pragma once

#include "app/launcherLink.h"
#include "ui/controls/twips.h"
#include "ui/main/feedbackView.h"

#include <QWidget>

class QAction;
class QLabel;
class QProgressBar;
class QPushButton;
class QMenuBar;
class QTimer;

namespace app {
class CheckLock;
class DesktopNotice;
} // namespace app

namespace retrieval {
class QuietCheck;
struct QuietCheckOutcome;
} // namespace retrieval

namespace ui {

class FeedbackList;
class MenuAdapter;
class WindowServer;

// The main window: the rating list with its paging and filter buttons, the
// summary, the check command and the menu.
class frmAnzeige : public QWidget {
    Q_OBJECT
public:
    explicit frmAnzeige(QWidget* parent = nullptr);
    ~frmAnzeige() override;

    // The start sequence; shows the window at its end.
    void Form_Load();

    void cmdalleanzeigen_Click() { m_view->cmdalleanzeigen_Click(); }
    void enableAll(bool flag) { m_view->enableAll(flag); }
    void cmdback_Click();
    void cmdClose_Click();
    void beenden();
    void makeconnection();
    void ZorButton1_Click();
    void saveTemp(const std::vector<store::FetchedRating>& ratings);
    void zur_Auktion(int Index);

    // True when the last load run left nothing to store.
    bool keineBewertungen = false;

    FeedbackView& view() const { return *m_view; }
    FeedbackList& liste() const { return *m_list; }
    MenuAdapter& menu() const { return *m_menu; }
    QPushButton* button(FeedbackView::Button b) const { return m_buttons[size_t(b)]; }
    QPushButton* cmdback() const { return m_cmdback; }
    QPushButton* cmdClose() const { return m_cmdClose; }
    QLabel* lbluser() const { return m_lbluser; }
    QLabel* lblinfo() const { return m_lblinfo; }
    QLabel* lblProzente() const { return m_lblProzente; }
    QLabel* lblsumme(int kind) const { return m_lblsumme[size_t(kind - 1)]; }
    QProgressBar* progressBar() const { return m_progress; }
    // The window's client area in twips, as the resize rule saw it last.
    QSize clientTwips() const;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void Form_Resize();
    void Form_Unload();
    void showView();
    QPushButton* addButton(const char* name, const QString& caption, const QRect& twips);
    QLabel* addLabel(const char* name, const QString& caption, const QRect& twips,
                     QWidget* parent = nullptr);
    void place(QWidget* w, const QRect& twips);
    void move(QWidget* w, int leftTwips, int topTwips);

    Twips m_twips;
    QMenuBar* m_menuBar = nullptr;
    MenuAdapter* m_menu = nullptr;
    FeedbackList* m_list = nullptr;
    FeedbackView* m_view = nullptr;
    std::array<QPushButton*, FeedbackView::ButtonCount> m_buttons{};
    QPushButton* m_cmdback = nullptr;
    QPushButton* m_cmdClose = nullptr;
    QLabel* m_lbluser = nullptr;
    QLabel* m_lblProzente = nullptr;
    QWidget* m_frame1 = nullptr;
    std::array<QLabel*, 3> m_lblsumme{};
    QWidget* m_picture1 = nullptr;
    QProgressBar* m_progress = nullptr;
    QLabel* m_lblinfo = nullptr;
    bool m_unloaded = false;

    // Menu commands, the item page and the launcher link: frmAnzeigeCommands.cpp.
public:
    void SmartMenuXP1_Click(int ID);
    void Timer1_Timer();
    // The launcher's item changed: its value is launcherLink().text().
    void Label1_Change();
    launcher::LauncherLink& launcherLink() const { return *m_link; }

signals:
    // The launcher asked for a member's analysis.
    void foreignMemberRequested(const QString& name);

private:
    void buildTopRow();
    void buildBottomRow();
    void connectControls();
    void setUpCommands();
    void showForeignMemberDialog();
    void fullCheck();
    void analyseForeignMember(const QString& name);

    // Rating buyers: frmAnzeigeOffen.cpp.
public:
    void showOffen();

private:
    // With [Bewerten] Automatisch, a check that worked rates every open item.
    void rateAfterCheck(const retrieval::FetchResult& fetched);

    // Signing in and out with the marketplace: frmAnzeigeSignIn.cpp.
public:
    void signIn();
    void signOut();
    // The expiry notice, or nothing; hidden while empty.
    QLabel* lblAnmeldung() const { return m_lblAnmeldung; }

private:
    // The menu's "Abmelden" and the expiry notice as the settings say.
    void showSignInState();
    // Once nothing is stored and the keys are there, signing in is offered.
    void offerFirstSignIn();
    void offerSignInAgain(const retrieval::FetchResult& fetched);

    QLabel* m_lblAnmeldung = nullptr;

    // Answering a rating: frmAnzeigeReply.cpp.
public:
    // "Antworten…" on row k of the list: only an own received rating without
    // a reply that is no placeholder.
    bool canAnswer(int k) const;
    void answerRating(int k);
    QAction* answerAction() const { return m_answer; }

private:
    void setUpReply();
    void showListMenu(int k, const QPoint& globalPos);

    QAction* m_answer = nullptr;

    // Other processes of this folder and the check lock: frmAnzeigeWindowLink.cpp.
public:
    // "NEU": the page shown read again from the store; while a command of
    // the window's own runs, once it has ended.
    void reloadFromStore();
    // "ZEIGEN": to the front, restored when minimised.
    void bringForward();
    // Null until the window is loaded; not listening when another has the socket.
    WindowServer* windowServer() const { return m_windowServer; }

private:
    void listenForCommands();
    bool busyWithOwnCommand() const;
    // False when another process checks: the window says so and does nothing else.
    bool takeCheckLock(app::CheckLock& lock);

    // Counts the window's own commands under way.
    class OwnCommand {
    public:
        explicit OwnCommand(int& running) : m_running(running) { ++m_running; }
        ~OwnCommand() { --m_running; }
        OwnCommand(const OwnCommand&) = delete;
        OwnCommand& operator=(const OwnCommand&) = delete;

    private:
        int& m_running;
    };

    WindowServer* m_windowServer = nullptr;
    QTimer* m_reloadLater = nullptr;
    int m_ownCommands = 0;

    // Checks of its own at [Main] Intervall and their notice: frmAnzeigeInterval.cpp.
public:
    // One check now, as the timer runs it: no question, no message box.
    void intervalCheck();
    // Null when the window does not check on its own.
    QTimer* intervalTimer() const { return m_intervalTimer; }
    // "Automatische Prüfung um 14:05: …"; hidden until the first.
    QLabel* lblPruefung() const { return m_lblPruefung; }
    // "Anzeigen" in a notice, or a start from one: the newest own ratings, in front.
    void showNewRatings();

signals:
    void intervalCheckDone(const retrieval::QuietCheckOutcome& outcome);

private:
    void setUpIntervalChecks();
    void intervalCheckEnded(const retrieval::QuietCheckOutcome& outcome);
    void announce(const retrieval::QuietCheckOutcome& outcome);

    void showCheckLine(const QString& line);
    // The menu bar sizes its corner only when the corner is set or shown.
    void layOutCorner();

    QLabel* m_lblPruefung = nullptr;
    QTimer* m_intervalTimer = nullptr;
    int m_intervalMs = 0;
    retrieval::QuietCheck* m_quietCheck = nullptr;
    app::DesktopNotice* m_notice = nullptr;
    bool m_toldNoNotice = false;

    QTimer* m_timer1 = nullptr;
    launcher::LauncherLink* m_link = nullptr;
    QString sMenuKey;
};

} // namespace ui
