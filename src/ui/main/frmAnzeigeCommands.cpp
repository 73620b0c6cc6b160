// The main window's menu commands, its item page and its side of the
// launcher link.
#include "app/checkLock.h"
#include "app/modGlobal.h"
#include "app/modini.h"
#include "app/msgBox.h"
#include "base/programFolder.h"
#include "errors/procedure.h"
#include "retrieval/fullCheckRun.h"
#include "retrieval/modIConnect.h"
#include "store/modData.h"
#include "store/ratingState.h"
#include "ui/controls/menuAdapter.h"
#include "ui/dialogs/frmAbout.h"
#include "ui/dialogs/frmLade.h"
#include "ui/dialogs/frmuser.h"
#include "ui/dialogs/frmVerlauf.h"
#include "ui/forms.h"
#include "ui/main/feedbackList.h"
#include "ui/main/frmAnzeige.h"
#include "ui/main/itemPage.h"
#include "ui/modGlobalMain.h"

#include <QTimer>

namespace ui {

void frmAnzeige::setUpCommands() {
    m_timer1 = new QTimer(this);
    m_timer1->setObjectName(QStringLiteral("Timer1"));
    m_timer1->setInterval(100);
    m_timer1->setSingleShot(true);
    connect(m_timer1, &QTimer::timeout, this, &frmAnzeige::Timer1_Timer);
    connect(m_menu, &MenuAdapter::itemClicked, this, &frmAnzeige::SmartMenuXP1_Click);

    m_link = new launcher::LauncherLink(this);
    connect(m_link, &launcher::LauncherLink::linked, this,
            [this] { m_link->execute(QStringLiteral("NS")); });
    connect(m_link, &launcher::LauncherLink::changed, this, &frmAnzeige::Label1_Change);
}

// A command runs once the menu has closed, from the message loop.
void frmAnzeige::SmartMenuXP1_Click(int ID) {
    errors::Procedure p("[frmAnzeige] Private Sub SmartMenuXP1_Click(ByVal ID As Long)");
    p.step([&] { sMenuKey = m_menu->keyOf(ID); });
    p.step([this] { m_timer1->start(); });
}

void frmAnzeige::Timer1_Timer() {
    errors::Procedure p("[frmAnzeige] Private Sub Timer1_Timer()");
    p.step([this] { m_timer1->stop(); });
    p.step([this] {
        const QString& key = sMenuKey;
        if (key == QStringLiteral("keyuser")) {
            showForeignMemberDialog();
        } else if (key == QStringLiteral("keyabout")) {
            Form<frmAbout>::get().exec();
        } else if (key == QStringLiteral("keyhelp")) {
            modGlobal::OpenLink(base::inProgramFolder(QStringLiteral("Help/hilfe.htm")), false);
        } else if (key == QStringLiteral("keyexit")) {
            beenden();
        } else if (key == QStringLiteral("keyDelete")) {
            if (app::MsgBox(QStringLiteral("Sind Sie sicher das die eigenen Bewertungen in der "
                                           "Datenbank gelöscht werden sollen?"),
                            app::vbYesNo | app::vbCritical,
                            QStringLiteral("Eigene Bewertungen löschen")) == app::vbYes) {
                // A failed deletion still refreshes: the list shows what is left.
                (void)modData::delete_Eigene_Bewertungen();
                m_view->cmdalleanzeigen_Click();
            }
        } else if (key == QStringLiteral("keyBewertungen")) {
            modGlobal::OpenLink(modGlobal::sFeedbackURL, false);
        } else if (key == QStringLiteral("keyVerlauf")) {
            Form<frmVerlauf>::get().showMember();
        } else if (key == QStringLiteral("keyVollstaendig")) {
            fullCheck();
        } else if (key == QStringLiteral("keyOffen")) {
            showOffen();
        } else if (key == QStringLiteral("keyAnmelden")) {
            signIn();
        } else if (key == QStringLiteral("keyAbmelden")) {
            signOut();
        }
    });
    p.step([this] { sMenuKey.clear(); });
}

// Every page of the list, with the check button's conditions; what the
// marketplace no longer lists is marked, nothing is deleted.
void frmAnzeige::fullCheck() {
    errors::Procedure p("[frmAnzeige] Private Sub fullCheck()");
    using Kind = retrieval::SyncOutcome::Kind;
    if (!m_view->isEnabled(FeedbackView::ZorButton1))
        return;
    const OwnCommand running(m_ownCommands);
    app::CheckLock lock(modGlobal::sDatenbankPfad);
    if (!takeCheckLock(lock))
        return;
    retrieval::FetchResult fetched;
    p.step([&] {
        const QString missing = modini::missingStandardUser();
        if (!missing.isEmpty()) {
            app::MsgBox(missing, app::vbOKOnly | app::vbCritical);
            return p.exit();
        }
        if (!modIConnect::Ping()) {
            app::MsgBox(QStringLiteral("Es besteht keine Verbindung zum Internet!"),
                        app::vbOKOnly | app::vbCritical);
            return p.exit();
        }
        m_view->setEnabled(FeedbackView::ZorButton1, false);
        frmLade& lade = Form<frmLade>::get();
        lade.vollstaendigPruefen();
        fetched = lade.showModal();
    });
    p.step([&] {
        if (fetched.end != Kind::Stored)
            return;
        const store::ListingReport report =
            retrieval::storeFullCheck(fetched, modGlobal::sStandardUser);
        lock.release();
        app::MsgBox(retrieval::fullCheckMessage(report, fetched),
                    app::vbOKOnly | (report.ok ? app::vbInformation : app::vbCritical));
        if (report.ok && !modGlobal::bFremdModus)
            m_view->cmdalleanzeigen_Click();
    });
    m_view->setEnabled(FeedbackView::ZorButton1, true);
    showSignInState();
}

void frmAnzeige::showForeignMemberDialog() {
    Form<frmuser>::get().exec();
}

void frmAnzeige::analyseForeignMember(const QString& name) {
    emit foreignMemberRequested(name);
    Form<frmuser>::get().selectuserandshow(name);
}

void frmAnzeige::zur_Auktion(int Index) {
    errors::Procedure p("[frmAnzeige] Public Function zur_Auktion(Index As Integer)");
    p.step([&] { openItemPage(*m_list, Index); });
}

void frmAnzeige::makeconnection() {
    errors::Procedure p("[frmAnzeige] Public Sub makeconnection()", errors::Handling::SkipSilently);
    // Returns at once: without a launcher the window works alone, and "NS"
    // goes out when a launcher confirms the link.
    p.step([this] { m_link->open(); });
}

void frmAnzeige::Label1_Change() {
    errors::Procedure p("[frmAnzeige] Private Sub Label1_Change()");
    const QString t = m_link->text();
    p.step([&] {
        if (t == QStringLiteral("nochda") || t.isEmpty() || t == QStringLiteral("nix"))
            p.exit();
    });
    p.step([&] {
        if (t != QStringLiteral("Open"))
            return;
        repaint();
        // As the button: while it is disabled (a check or a refresh under
        // way) the request is not taken.
        if (m_view->isEnabled(FeedbackView::ZorButton1))
            ZorButton1_Click();
        p.exit();
    });
    p.step([&] {
        // The name comes from another program: an odd one names no member.
        if (!launcher::isMemberName(t)) {
            p.exit();
            return;
        }
        repaint();
        showNormal();
        analyseForeignMember(t);
    });
}

} // namespace ui
