#include "ui/modGlobalMain.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("notenschau"));
    return modGlobal::runProgram();
}
