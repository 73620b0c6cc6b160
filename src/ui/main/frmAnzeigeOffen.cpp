// The main window's side of rating buyers: the window "Offene Bewertungen"
// and the rating after a check when the settings ask for it.
#include "app/modini.h"
#include "app/msgBox.h"
#include "app/signInStore.h"
#include "errors/procedure.h"
#include "retrieval/autoRating.h"
#include "ui/dialogs/frmOffen.h"
#include "ui/forms.h"
#include "ui/main/frmAnzeige.h"

#include <QEventLoop>

namespace ui {

namespace {

// Every open item rated positively with the templates in turn; waits in a
// loop of its own as the progress window does.
retrieval::RatingBatchOutcome rateEveryOpenItem(const app::Settings& settings) {
    QEventLoop loop;
    retrieval::RatingBatchOutcome rated;
    retrieval::AutoRating rating(settings);
    QObject::connect(&rating, &retrieval::AutoRating::finished, &loop,
                     [&](const retrieval::RatingBatchOutcome& outcome) {
                         rated = outcome;
                         loop.quit();
                     });
    rating.start();
    loop.exec();
    return rated;
}

} // namespace

void frmAnzeige::showOffen() {
    frmOffen& w = Form<frmOffen>::get();
    w.setSignIn([this] { signIn(); });
    w.show();
    w.raise();
    w.activateWindow();
    w.load();
}

void frmAnzeige::rateAfterCheck(const retrieval::FetchResult& fetched) {
    errors::Procedure p("[frmAnzeige] Private Sub rateAfterCheck()");
    using Kind = retrieval::SyncOutcome::Kind;
    using Batch = retrieval::RatingBatchOutcome::Kind;
    const app::Settings settings = app::withSecrets(modini::settings());
    if ((fetched.end != Kind::Stored && fetched.end != Kind::NothingNew) ||
        !retrieval::AutoRating::wanted(settings))
        return;
    p.step([&] {
        const retrieval::RatingBatchOutcome outcome = rateEveryOpenItem(settings);
        // Nothing open: the check's own word is enough.
        if (outcome.kind == Batch::Done && outcome.items.empty())
            return;
        app::MsgBox(
            QStringLiteral("Nach der Prüfung automatisch bewertet: %1").arg(outcome.message),
            app::vbOKOnly |
                (outcome.kind == Batch::Done ? app::vbInformation : app::vbExclamation));
        if (Form<frmOffen>::isLoaded())
            Form<frmOffen>::get().load();
    });
}

} // namespace ui
