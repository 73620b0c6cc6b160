#include "ui/dialogs/frmLade2.h"

#include "retrieval/foreignLoadRun.h"

namespace ui {

frmLade2::frmLade2(QWidget* parent)
    : LoadWindow("frmLade2", QStringLiteral("Einlesevorgang fremde User"), parent) {}

void frmLade2::checkneueBewertungen(bool& keineBewertungen, bool& Abort,
                                    QStringList& UebersichtBewertung) {
    auto* run = new retrieval::ForeignLoadRun(keineBewertungen, Abort, UebersichtBewertung);
    adopt(run);
    run->checkneueBewertungen();
}

retrieval::FetchResult frmLade2::getbewertungen(const QString& user, bool& keineBewertungen,
                                                bool& Abort, QStringList& UebersichtBewertung) {
    auto* run = new retrieval::ForeignLoadRun(keineBewertungen, Abort, UebersichtBewertung);
    adopt(run);
    run->getbewertungen(user);
    return showModal();
}

} // namespace ui
