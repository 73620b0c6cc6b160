#pragma once

#include "ui/dialogs/loadWindow.h"

#include <QStringList>

namespace ui {

// The progress window "Einlesevorgang fremde User" of a foreign member's
// rating load or profile request.
class frmLade2 : public LoadWindow {
    Q_OBJECT
public:
    explicit frmLade2(QWidget* parent = nullptr);

    // Starts a rating load of sFremdUser; the caller shows the window.
    void checkneueBewertungen(bool& keineBewertungen, bool& Abort,
                              QStringList& UebersichtBewertung);
    // Fetches user's profile, showing the window modally until it has.
    retrieval::FetchResult getbewertungen(const QString& user, bool& keineBewertungen, bool& Abort,
                                          QStringList& UebersichtBewertung);
};

} // namespace ui
