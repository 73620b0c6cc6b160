#pragma once

#include "ui/dialogs/loadWindow.h"

namespace ui {

// The progress window "Einlesevorgang" of the own-ratings update run.
class frmLade : public LoadWindow {
    Q_OBJECT
public:
    explicit frmLade(QWidget* parent = nullptr);

    // Starts the run; the caller shows the window.
    void checkneueBewertungen();
    // Starts the full check of every page of the list.
    void vollstaendigPruefen();
};

} // namespace ui
