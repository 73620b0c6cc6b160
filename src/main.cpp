#include "ui/modGlobalMain.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("notenschau"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/images/notenschau.png")));
    return modGlobal::runProgram();
}
