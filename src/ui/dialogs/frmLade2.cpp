#include "ui/dialogs/frmLade2.h"

#include "app/modini.h"
#include "retrieval/foreignLoadRun.h"

namespace ui {

frmLade2::frmLade2(QWidget* parent)
    : LoadWindow("frmLade2", QStringLiteral("Einlesevorgang fremde User"), parent) {}

void frmLade2::checkneueBewertungen(const retrieval::ForeignSearch& search) {
    auto* run = new retrieval::ForeignLoadRun(modini::settings());
    adopt(run);
    run->checkneueBewertungen(search);
}

retrieval::FetchResult frmLade2::getbewertungen(const QString& user) {
    auto* run = new retrieval::ForeignLoadRun(modini::settings());
    adopt(run);
    run->getbewertungen(user);
    return showModal();
}

} // namespace ui
