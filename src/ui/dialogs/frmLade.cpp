#include "ui/dialogs/frmLade.h"

#include "retrieval/fullCheckRun.h"
#include "retrieval/ownUpdateRun.h"

namespace ui {

frmLade::frmLade(QWidget* parent)
    : LoadWindow("frmLade", QStringLiteral("Einlesevorgang"), parent) {}

void frmLade::checkneueBewertungen(bool& keineBewertungen) {
    auto* run = new retrieval::OwnUpdateRun(keineBewertungen);
    adopt(run);
    run->checkneueBewertungen();
}

void frmLade::vollstaendigPruefen(bool& keineBewertungen) {
    auto* run = new retrieval::FullCheckRun(keineBewertungen);
    adopt(run);
    run->start();
}

} // namespace ui
