#pragma once

#include "retrieval/foreignSearch.h"
#include "ui/dialogs/loadWindow.h"

namespace ui {

// The progress window "Einlesevorgang fremde User" of a foreign member's
// rating load or profile request.
class frmLade2 : public LoadWindow {
    Q_OBJECT
public:
    explicit frmLade2(QWidget* parent = nullptr);

    // Starts a rating load; the caller shows the window.
    void checkneueBewertungen(const retrieval::ForeignSearch& search);
    // Fetches user's profile, showing the window modally until it has.
    retrieval::FetchResult getbewertungen(const QString& user);
};

} // namespace ui
