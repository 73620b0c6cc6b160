#include "ui/main/frmAnzeige.h"

#include "app/modini.h"
#include "errors/procedure.h"
#include "ui/dialogs/frmSplash.h"
#include "ui/forms.h"

#include <QCoreApplication>

namespace ui {

frmAnzeige::frmAnzeige(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("frmAnzeige"));
    setWindowTitle(QStringLiteral("Notenschau"));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(0xE0, 0xE0, 0xE0));
    setPalette(pal);
    setAutoFillBackground(true);
    resize(900, 600);
}

void frmAnzeige::Form_Load() {
    errors::Procedure p("[frmAnzeige] Private Sub Form_Load()");
    p.step([] {
        Form<frmSplash>::get().show();
        QCoreApplication::processEvents();
    });
    p.step([] { modini::fnGetPfadeFaktorFromINI(); });
    p.step([] { Form<frmSplash>::unload(); });
    p.step([this] { showMaximized(); });
}

} // namespace ui
