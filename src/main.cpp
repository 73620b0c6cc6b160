#include "base/qtTranslations.h"
#include "ui/modGlobalMain.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("notenschau"));
    base::installQtTranslations(application);
    // The window belongs to the menu entry of that name (Wayland, task bars).
    QApplication::setDesktopFileName(QStringLiteral("de.notenschau.Notenschau"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/images/notenschau.png")));
    return modGlobal::runProgram();
}
