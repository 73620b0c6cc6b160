#include "ui/dialogs/frmuser.h"

#include "app/modGlobal.h"
#include "app/msgBox.h"
#include "base/clock.h"
#include "errors/procedure.h"
#include "retrieval/modIConnect.h"
#include "store/modData.h"
#include "store/ratingStoring.h"
#include "ui/controls/chbox.h"
#include "ui/dialogs/frmLade2.h"
#include "ui/forms.h"
#include "ui/main/frmAnzeige.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace ui {

namespace {

void critical(const QString& text) {
    app::MsgBox(text, app::vbOKOnly | app::vbCritical);
}

// A run ended by a connection error has said so itself: "none found" would
// tell the user what the marketplace never said.
bool endedByError(retrieval::SyncOutcome::Kind end) {
    using Kind = retrieval::SyncOutcome::Kind;
    return end == Kind::NoConnection || end == Kind::CutShort || end == Kind::Failed;
}

} // namespace

void frmuser::setMemberText(const QString& text, bool changeHandling) {
    const bool before = bTextSetzen;
    bTextSetzen = !changeHandling;
    m_cmbUser->setEditText(text);
    bTextSetzen = before;
}

void frmuser::Form_Load() {
    errors::Procedure p("[frmuser] Private Sub Form_Load()");
    p.step([this] { m_suchLimit = 100; });
    p.step([this] { readcmbnew(); });
    p.step([this] {
        if (m_cmbUser->count() > 0) {
            selectFirst();
        } else {
            m_cmddelete->setEnabled(false);
            m_ZorButton1->setEnabled(false);
        }
    });
}

void frmuser::selectFirst() {
    bTextSetzen = true;
    m_cmbUser->setCurrentIndex(0);
    bTextSetzen = false;
    cmbUser_Click();
}

void frmuser::readcmbnew() {
    errors::Procedure p("[frmuser] Public Sub readcmbnew()");
    // Emptying the box is no edit of the user's: the profile just shown stays.
    const bool before = bTextSetzen;
    bTextSetzen = true;
    p.step([this] { m_cmbUser->clear(); });
    p.step([this] {
        const modData::Collection<QString> users = modData::read_AllUserTemp();
        for (const QString& user : users)
            m_cmbUser->addItem(user);
    });
    m_cmbUser->setCurrentIndex(-1);
    bTextSetzen = before;
}

void frmuser::cmbUser_Click() {
    errors::Procedure p("[frmuser] Private Sub cmbUser_Click()");
    p.step([this] {
        m_ZorButton1->setEnabled(true);
        m_cmddelete->setEnabled(true);
    });
    p.step([this] {
        const modData::Collection<QString> overview =
            modData::read_UebersichtBewertungen(m_cmbUser->currentText());
        UebersichtBewertung = overview.items();
    });
    p.step([this] { check(); });
}

void frmuser::cmbUser_Change() {
    if (bTextSetzen)
        return;
    errors::Procedure p("[frmuser] Private Sub cmbUser_Change()");
    p.step([this] {
        m_ZorButton1->setEnabled(false);
        m_cmddelete->setEnabled(false);
    });
    p.step([this] { UebersichtBewertung = {QStringLiteral("leer")}; });
    p.step([this] { check(); });
}

void frmuser::Option1_Click(int Index) {
    errors::Procedure p("[frmuser] Private Sub Option1_Click(Index As Integer)");
    p.step([&] {
        m_txtanzahl->setEnabled(Index == 4);
        static const qint32 limits[5] = {-1, 1000, 200, 100, 0};
        if (Index >= 0 && Index < 5)
            m_suchLimit = limits[Index];
    });
}

void frmuser::showProfile(const QStringList& values) {
    for (int k = 0; k < 3; ++k)
        for (int c = 0; c < 3; ++c)
            m_counts[size_t(k)][size_t(c)]->setText(values.value(3 * k + c));
    m_lblProfil->setText(values.value(9));
    m_lblprozent->setText(values.value(10));
}

void frmuser::check() {
    errors::Procedure p("[frmuser] Public Function check()");
    p.step([this] {
        if (UebersichtBewertung.size() == 1) {
            showProfile({"0", "0", "0", "0", "0", "0", "0", "0", "0", "0", "-"});
            m_lblGesamt->setText(QStringLiteral("0"));
            m_lblDatum->setText(QStringLiteral("keine Daten"));
            return;
        }
        showProfile(UebersichtBewertung);
        m_lblGesamt->setText(UebersichtBewertung.value(11));
        m_lblDatum->setText(UebersichtBewertung.value(12));
    });
}

void frmuser::showForeignButtons() {
    frmAnzeige& main = Form<frmAnzeige>::get();
    main.button(FeedbackView::ZorButton1)->hide();
    main.cmdback()->show();
}

void frmuser::showForeignCaptions() {
    frmAnzeige& main = Form<frmAnzeige>::get();
    main.lbluser()->setText(QStringLiteral("Fremd-User: ") + modGlobal::sFremdUser);
    main.lblinfo()->setText(QStringLiteral("Fremd-User Analyse"));
    main.lblProzente()->setText(QStringLiteral("Fremd-User Analyse"));
}

void frmuser::cmdsuche_Click() {
    errors::Procedure p("[frmuser] Private Sub cmdsuche_Click()");
    retrieval::FetchResult fetched;
    p.step([&] {
        if (!modIConnect::Ping()) {
            critical(QStringLiteral("Es besteht keine Verbindung zum Internet!"));
            p.exit();
        }
    });
    p.step([this] { Abort = false; });
    retrieval::ForeignSearch search;
    p.step([&] {
        const auto built = retrieval::foreignSearch({m_cmbUser->currentText(), m_suchLimit,
                                                     m_txtanzahl->text(), m_chbox1[0]->Value(),
                                                     m_chbox1[1]->Value(), m_chbox1[2]->Value()});
        if (!built) {
            critical(built.error());
            return p.exit();
        }
        search = *built;
    });
    frmAnzeige& main = Form<frmAnzeige>::get();
    p.step([&] {
        frmLade2& lade = Form<frmLade2>::get();
        lade.checkneueBewertungen(search);
        fetched = lade.showModal();
        Abort = fetched.abort;
    });
    p.step([&] {
        // This run's own ratings decide, never lines an earlier run left.
        main.keineBewertungen = fetched.ratings.empty();
        if (main.keineBewertungen && !endedByError(fetched.end))
            app::MsgBox(QStringLiteral("Es wurden keine Bewertungen gefunden die mit den "
                                       "ausgewählten Optionen übereinstimmen!"),
                        app::vbOKOnly | app::vbInformation);
    });
    p.step([&] {
        if (Abort) {
            app::MsgBox(QStringLiteral("Ladevorgang wurde abgebrochen!"),
                        app::vbOKOnly | app::vbInformation);
            p.exit();
        }
    });
    p.step([&] {
        if (main.keineBewertungen)
            return;
        showForeignButtons();
        // Only now: the main window may still show another foreign member.
        modGlobal::sFremdUser = search.member;
        // The member's earlier load is replaced in the batch that stores the
        // new one, so that a failed store keeps it.
        main.saveTemp(fetched.ratings);
        modGlobal::bFremdModus = true;
        main.cmdalleanzeigen_Click();
        showForeignCaptions();
        cmdCancel_Click();
    });
}

void frmuser::ZorButton3_Click() {
    errors::Procedure p("[frmuser] Private Sub ZorButton3_Click()");
    QString S;
    retrieval::FetchResult fetched;
    p.step([&] {
        if (!modIConnect::Ping()) {
            critical(QStringLiteral("Es besteht keine Verbindung zum Internet!"));
            p.exit();
        }
    });
    p.step([this] { ZorButton4_Click(); });
    p.step([&] {
        if (m_cmbUser->currentText().trimmed().isEmpty())
            p.exit();
    });
    p.step([&] {
        Abort = false;
        S = m_cmbUser->currentText();
        frmAnzeige& main = Form<frmAnzeige>::get();
        fetched = Form<frmLade2>::get().getbewertungen(S);
        if (fetched.keineBewertungen)
            main.keineBewertungen = *fetched.keineBewertungen;
        Abort = fetched.abort;
        if (!fetched.profile.isEmpty())
            UebersichtBewertung = fetched.profile;
    });
    // Only a profile that arrived replaces the stored one: a request that
    // ended without one, a connection error included, changes nothing.
    const bool arrived = fetched.end == retrieval::SyncOutcome::Kind::Stored &&
                         fetched.profile.size() >= 11 && !Abort;
    if (!p.active())
        return;
    if (arrived) {
        p.setHandling(errors::Handling::SkipSilently);
        p.step([&] { showProfile(UebersichtBewertung); });
        p.step([&] { m_lblGesamt->setText(QString::number(modGlobal::lAnzahlBewertungen)); });
        p.step([&] {
            if (m_lblprozent->text() == QLatin1String("Alle erhaltenen Bewertungen"))
                m_lblprozent->setText(QStringLiteral("-"));
        });
        p.step([&] {
            if (!store::storeProfile(S, UebersichtBewertung, modGlobal::lAnzahlBewertungen))
                app::MsgBox(store::storeFailureMessage(), app::vbOKOnly | app::vbCritical);
        });
        p.step([&] {
            m_lblDatum->setText(base::Clock::now().toString(QStringLiteral("dd.MM.yyyy hh:mm")));
        });
        p.step([this] { readcmbnew(); });
        p.step([&] { setMemberText(S, false); });
        p.step([this] {
            m_ZorButton1->setEnabled(true);
            m_cmddelete->setEnabled(true);
        });
        return;
    }
    if (Abort) {
        p.step([this] { UebersichtBewertung = {QStringLiteral("fehler")}; });
        p.step([this] { setMemberText({}, true); });
        p.step([this] { check(); });
        return;
    }
    // A connection error: the member's stored overview shows again.
    p.step([&] {
        UebersichtBewertung = modData::read_UebersichtBewertungen(S).items();
        check();
    });
}

void frmuser::ZorButton1_Click() {
    errors::Procedure p("[frmuser] Private Sub ZorButton1_Click()");
    p.step([&] {
        if (m_cmbUser->currentText().isEmpty()) {
            cmdCancel_Click();
            p.exit();
        }
    });
    p.step([this] { modGlobal::sFremdUser = m_cmbUser->currentText(); });
    p.step([this] { showForeignButtons(); });
    p.step([] { modGlobal::bFremdModus = true; });
    // The captions come before the refresh, which then shows the page range.
    p.step([this] { showForeignCaptions(); });
    p.step([] { Form<frmAnzeige>::get().cmdalleanzeigen_Click(); });
    p.step([this] { cmdCancel_Click(); });
}

void frmuser::cmddelete_Click() {
    errors::Procedure p("[frmuser] Private Sub cmddelete_Click()");
    const QString text = m_cmbUser->currentText();
    p.step([&] {
        if (text.trimmed().isEmpty())
            return p.exit();
        const int answer = app::MsgBox(QStringLiteral("Sind Sie sicher das der Eintrag: ") + text +
                                           QStringLiteral(" aus der Datenbank entfernt werden "
                                                          "soll?"),
                                       app::vbYesNo);
        if (answer != app::vbYes)
            p.exit();
    });
    p.step([&] { modData::deleteUebersichtUser(text); });
    p.step([this] { readcmbnew(); });
    p.step([this] {
        if (m_cmbUser->count() == 0) {
            m_cmddelete->setEnabled(false);
            m_ZorButton1->setEnabled(false);
            setMemberText({}, false);
            UebersichtBewertung = {QStringLiteral("nix")};
            check();
        } else {
            selectFirst();
        }
    });
}

void frmuser::ZorButton4_Click() {
    errors::Procedure p("[frmuser] Private Sub ZorButton4_Click()");
    p.step([this] {
        m_Frame5->show();
        m_Frame4->hide();
        m_ZorButton4->hide();
        m_ZorButton2->show();
    });
}

void frmuser::ZorButton2_Click() {
    errors::Procedure p("[frmuser] Private Sub ZorButton2_Click()");
    p.step([this] {
        m_Frame4->show();
        m_Frame5->hide();
        m_ZorButton2->hide();
        m_ZorButton4->show();
    });
}

void frmuser::cmdCancel_Click() {
    errors::Procedure p("[frmuser] Private Sub cmdCancel_Click()");
    p.step([this] { Form<frmuser>::unload(); });
}

void frmuser::selectuserandshow(const QString& username) {
    errors::Procedure p("[frmuser] Public Function selectuserandshow(username As String)");
    p.step([&] { setMemberText(username, true); });
    p.step([this] { ZorButton3_Click(); });
    p.step([this] {
        if (Form<frmuser>::isLoaded())
            exec();
    });
}

void frmuser::done(int r) {
    Form_Unload();
    QDialog::done(r);
}

void frmuser::Form_Unload() {
    if (m_unloaded)
        return;
    m_unloaded = true;
    errors::Procedure p("[frmuser] Private Sub Form_Unload(Cancel As Integer)",
                        errors::Handling::SkipSilently);
    p.step([] {
        if (Form<frmAnzeige>::isLoaded())
            Form<frmAnzeige>::get().show();
    });
}

} // namespace ui
