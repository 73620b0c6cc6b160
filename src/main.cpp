#include "app/applicationKeys.h"
#include "base/deployment.h"
#include "base/qtTranslations.h"
#include "ui/modGlobalMain.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("notenschau"));
    base::installQtTranslations(application);
    // The window belongs to the menu entry of that name (Wayland, task bars).
    QApplication::setDesktopFileName(QString::fromLatin1(deployment::kDesktopId));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/images/notenschau.png")));
    // --anwendung DATEI names the application keys of another installation.
    // --neueste: started from a notice; an open window shows its newest ratings.
    modGlobal::StartRequest request;
    const QStringList args = QApplication::arguments();
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--anwendung") && i + 1 < args.size())
            app::useApplicationKeysFile(args[++i]);
        else if (args[i].startsWith(QLatin1String("--anwendung=")))
            app::useApplicationKeysFile(args[i].mid(12));
        else if (args[i] == QLatin1String("--neueste"))
            request.neueste = true;
    }
    return modGlobal::runProgram(request);
}
