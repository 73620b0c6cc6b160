// The main window's side of rating buyers: the window "Offene Bewertungen"
// and the rating after a check when the settings ask for it.
#include "app/modini.h"
#include "app/msgBox.h"
#include "app/ratingPrefs.h"
#include "app/signInStore.h"
#include "errors/procedure.h"
#include "retrieval/buyerRating.h"
#include "ui/dialogs/frmOffen.h"
#include "ui/forms.h"
#include "ui/main/frmAnzeige.h"

#include <QEventLoop>

namespace ui {

namespace {

// Every open item rated positively with the templates in turn; waits in a
// loop of its own as the progress window does.
std::optional<retrieval::RatingBatchOutcome> rateEveryOpenItem(const app::Settings& settings,
                                                               QString& failure) {
    QEventLoop loop;
    retrieval::AwaitingOutcome loaded;
    retrieval::AwaitingLoad load(settings);
    QObject::connect(&load, &retrieval::AwaitingLoad::finished, &loop,
                     [&](const retrieval::AwaitingOutcome& outcome) {
                         loaded = outcome;
                         loop.quit();
                     });
    load.start();
    loop.exec();
    if (loaded.kind != retrieval::SellerAnswer::Kind::Done) {
        failure = loaded.message;
        return std::nullopt;
    }
    if (loaded.items.empty())
        return retrieval::RatingBatchOutcome{};
    retrieval::RatingBatchOutcome rated;
    retrieval::RateBuyersRun run(settings);
    QObject::connect(&run, &retrieval::RateBuyersRun::finished, &loop,
                     [&](const retrieval::RatingBatchOutcome& outcome) {
                         rated = outcome;
                         loop.quit();
                     });
    run.start(loaded.items, retrieval::CommentChoice{});
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
    if (fetched.end != Kind::Stored && fetched.end != Kind::NothingNew)
        return;
    if (!app::readRatingPrefs(modini::settings().file).automatisch)
        return;
    p.step([&] {
        QString failure;
        const std::optional<retrieval::RatingBatchOutcome> outcome =
            rateEveryOpenItem(app::withSecrets(modini::settings()), failure);
        if (!outcome) {
            app::MsgBox(QStringLiteral("Automatisch bewerten: %1").arg(failure),
                        app::vbOKOnly | app::vbExclamation);
            return;
        }
        if (outcome->items.empty())
            return;
        app::MsgBox(AwaitingModel::automaticSummary(*outcome),
                    app::vbOKOnly | (outcome->kind == retrieval::RatingBatchOutcome::Kind::Done
                                         ? app::vbInformation
                                         : app::vbExclamation));
        if (Form<frmOffen>::isLoaded())
            Form<frmOffen>::get().load();
    });
}

} // namespace ui
