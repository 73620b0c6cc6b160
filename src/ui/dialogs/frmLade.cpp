#include "ui/dialogs/frmLade.h"

#include "app/modini.h"
#include "retrieval/fullCheckRun.h"
#include "retrieval/ownUpdateRun.h"

namespace ui {

frmLade::frmLade(QWidget* parent)
    : LoadWindow("frmLade", QStringLiteral("Einlesevorgang"), parent) {}

void frmLade::checkneueBewertungen() {
    auto* run = new retrieval::OwnUpdateRun(modini::settings());
    adopt(run);
    run->checkneueBewertungen();
}

void frmLade::vollstaendigPruefen() {
    auto* run = new retrieval::FullCheckRun(modini::settings());
    adopt(run);
    run->start();
}

} // namespace ui
