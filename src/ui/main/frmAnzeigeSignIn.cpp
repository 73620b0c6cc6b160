// The main window's side of signing in with the marketplace: the dialog, the
// sign-out, the expiry notice and the offers to sign in.
#include "app/modGlobal.h"
#include "app/modini.h"
#include "app/msgBox.h"
#include "app/signInStore.h"
#include "base/clock.h"
#include "errors/procedure.h"
#include "retrieval/clsTalmBewertungen.h"
#include "retrieval/signIn.h"
#include "ui/controls/menuAdapter.h"
#include "ui/dialogs/signInDialog.h"
#include "ui/main/frmAnzeige.h"
#include "ui/modGlobalMain.h"

#include <QAction>
#include <QLabel>

namespace ui {

namespace {

// The settings as the sign-in left them; no token of the one before is used
// again.
void takeSignIn() {
    modini::fnGetPfadeFaktorFromINI();
    retrieval::clsTalmBewertungen::clearTokenCache();
}

} // namespace

void frmAnzeige::signIn() {
    errors::Procedure p("[frmAnzeige] Private Sub signIn()");
    std::optional<SignInSaved> saved;
    p.step([&] {
        const app::Settings settings = app::withSecrets(modini::settings());
        const QStringList missing = missingSignInKeys(settings.marktplatz);
        if (!missing.isEmpty()) {
            app::MsgBox(QStringLiteral("Für die Anmeldung bei eBay fehlen Schlüssel der "
                                       "Anwendung: %1. Bitte tragen Sie sie in %2 oder in %3 ein.")
                            .arg(missing.join(QStringLiteral(", ")), settings.file,
                                 app::applicationKeysPath()),
                        app::vbOKOnly | app::vbCritical);
            return p.exit();
        }
        SignInDialog dialog(
            settings, [](const QString& url) { modGlobal::OpenLink(url, false); }, this);
        saved = dialog.run();
        if (!saved)
            p.exit();
    });
    p.step([] { takeSignIn(); });
    p.step([this] { cmdback_Click(); });
    p.step([this] { showSignInState(); });
    p.step([&] { app::MsgBox(signInMessage(*saved), app::vbOKOnly | app::vbInformation); });
}

void frmAnzeige::signOut() {
    errors::Procedure p("[frmAnzeige] Private Sub signOut()");
    p.step([&] {
        const app::Settings& settings = modini::settings();
        if (app::MsgBox(QStringLiteral("Abmelden: Notenschau vergisst die Anmeldung von %1 bei "
                                       "eBay. Die gespeicherten Bewertungen bleiben. Fortfahren?")
                            .arg(settings.username),
                        app::vbYesNo | app::vbQuestion, QStringLiteral("Abmelden")) != app::vbYes)
            return p.exit();
        const auto forgotten = app::forgetSignIn(settings.file, settings.username);
        if (!forgotten)
            app::MsgBox(QStringLiteral("Die Abmeldung konnte nicht gespeichert werden: %1")
                            .arg(forgotten.error()),
                        app::vbOKOnly | app::vbCritical);
    });
    p.step([] { takeSignIn(); });
    p.step([this] { showSignInState(); });
}

void frmAnzeige::showSignInState() {
    if (QAction* signOut = m_menu->action(QStringLiteral("keyAbmelden")))
        signOut->setVisible(app::signedIn(modini::settings()));
    const QString notice =
        retrieval::signInExpiryNotice(modini::marktplatz(), base::Clock::now().date());
    m_lblAnmeldung->setText(notice);
    m_lblAnmeldung->setVisible(!notice.isEmpty());
    layOutCorner();
}

void frmAnzeige::offerFirstSignIn() {
    if (modGlobal::lAnzahlGesamt > 0 || app::signedIn(modini::settings()) ||
        !missingSignInKeys(app::withSecrets(modini::settings()).marktplatz).isEmpty())
        return;
    if (app::MsgBox(QStringLiteral("Mit eBay anmelden? Angemeldet zeigt Notenschau bei Ihren "
                                   "eigenen Bewertungen auch, wer sie abgegeben hat und zu "
                                   "welchem Artikel."),
                    app::vbYesNo | app::vbQuestion,
                    QStringLiteral("Mit eBay anmelden")) == app::vbYes)
        signIn();
}

// After the run's own message, which said why.
void frmAnzeige::offerSignInAgain(const retrieval::FetchResult& fetched) {
    if (fetched.signInNeeded &&
        app::MsgBox(QStringLiteral("Jetzt bei eBay anmelden?"), app::vbYesNo | app::vbQuestion,
                    QStringLiteral("Bei eBay anmelden")) == app::vbYes)
        signIn();
}

} // namespace ui
