// The program's start in a child process, with a user who answers the error
// dialog: startup_probe PROGRAM_FOLDER CONTINUE_INDEX
#include "base/programFolder.h"
#include "guiDriver.h"
#include "ui/dialogs/errPtnrDialog.h"
#include "ui/modGlobalMain.h"

#include <QApplication>
#include <QPushButton>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("notenschau"));
    if (argc != 3)
        return 2;
    base::setProgramFolder(QString::fromLocal8Bit(argv[1]));
    const int choice = QByteArray(argv[2]).toInt();
    // However slow the start, the test's own guard ends a hang.
    testsupport::onNextModal(
        [choice](QWidget* w) {
            if (auto* dialog = qobject_cast<ui::ErrPtnrDialog*>(w))
                dialog->cmdContinue(choice)->click();
        },
        120000);
    return modGlobal::runProgram();
}
