#include "app/msgBox.h"
#include "errors/errPtnr.h"
#include "ui/controls/messageBoxes.h"
#include "ui/dialogs/errPtnrDialog.h"
#include "ui/modGlobalMain.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("notenschau"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/images/notenschau.png")));

    ui::QtMessageBoxPresenter messageBoxes;
    app::setMessageBoxPresenter(&messageBoxes);
    errors::ErrPtnrDialog errorDialog;
    errors::ErrPtnr::instance().setChooser(&errorDialog);

    if (!modGlobal::Main())
        return 0;
    return application.exec();
}
