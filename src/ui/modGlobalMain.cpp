#include "ui/modGlobalMain.h"

#include "app/msgBox.h"
#include "app/singleInstance.h"
#include "app/terminationSignals.h"
#include "app/windowLink.h"
#include "base/programFolder.h"
#include "errors/procedure.h"
#include "ui/controls/menuAdapter.h"
#include "ui/controls/messageBoxes.h"
#include "ui/dialogs/errPtnrDialog.h"
#include "ui/forms.h"
#include "ui/main/frmAnzeige.h"

#include <QApplication>

namespace modGlobal {

Start Main(const StartRequest& request) {
    errors::Procedure p("[modGlobal] Sub Main()");
    using Window = ui::Form<ui::frmAnzeige>;
    // Held for the life of the process.
    static app::SingleInstance instanceLock;
    bool alreadyRunning = false;
    p.step([&] {
        alreadyRunning = !instanceLock.acquire();
        if (alreadyRunning) {
            // The window that runs comes forward instead.
            app::sendToWindow(base::programFolder(), request.neueste ? app::WindowCommand::Neueste
                                                                     : app::WindowCommand::Zeigen);
            p.exit();
        }
    });
    p.step([] { Window::get().Form_Load(); });
    if (alreadyRunning)
        return Start::AlreadyRunning;
    if (Window::isLoaded() && Window::get().isVisible())
        return Start::Running;
    // The load was left through the error dialog before the window could
    // work. Kept alive for a hidden window, the process would hold the
    // instance lock for ever and every later start would end silently.
    Window::unload();
    ui::unloadOtherForms<ui::frmAnzeige>();
    return Start::Failed;
}

namespace {

// A logout or a kill ends the window as its menu's "Beenden" does. The nested
// loops of open dialogs and message boxes are left too, so none holds it up.
void endAsBeenden() {
    using Window = ui::Form<ui::frmAnzeige>;
    if (Window::isLoaded())
        Window::get().beenden();
    ui::unloadOtherForms<ui::frmAnzeige>();
    QCoreApplication::exit(0);
}

} // namespace

int runProgram(const StartRequest& request) {
    // A signal during the start waits until the window is up: ending half a
    // load would leave more behind than the load itself.
    app::TerminationSignals termination;
    bool running = false;
    bool endRequested = false;
    QObject::connect(&termination, &app::TerminationSignals::received, [&] {
        endRequested = true;
        if (running)
            endAsBeenden();
    });
    ui::QtMessageBoxPresenter messageBoxes;
    app::MessageBoxPresenter* previousBoxes = app::setMessageBoxPresenter(&messageBoxes);
    ui::ErrPtnrDialog errorDialog;
    errors::ErrorChooser* previousChooser = errors::ErrPtnr::instance().setChooser(&errorDialog);

    int code = 0;
    switch (Main(request)) {
    case Start::Running:
        running = true;
        if (endRequested)
            QMetaObject::invokeMethod(qApp, endAsBeenden, Qt::QueuedConnection);
        code = QApplication::exec();
        break;
    case Start::AlreadyRunning:
        break;
    case Start::Failed:
        code = 1;
        break;
    }
    errors::ErrPtnr::instance().setChooser(previousChooser);
    app::setMessageBoxPresenter(previousBoxes);
    return code;
}

} // namespace modGlobal

namespace modGlobal {

void pbuildmenus(ui::MenuAdapter& menu) {
    errors::Procedure p("[modGlobal] Public Sub pbuildmenus()", errors::Handling::SkipSilently);
    using M = ui::MenuAdapter;
    const QString file = QStringLiteral("keyFile");
    const QString actions = QStringLiteral("keyFile1");
    p.step([&] { menu.addItem({}, file, M::TopLevel, QStringLiteral("&Einstellungen")); });
    p.step([&] {
        menu.addItem(file, QStringLiteral("keyuser"), M::Command,
                     QStringLiteral("&Bewertungen andere User"));
    });
    p.step([&] { menu.addItem(file, {}, M::Separator, {}); });
    p.step([&] {
        menu.addItem(file, QStringLiteral("keyAnmelden"), M::Command,
                     QStringLiteral("Bei eBay anmelden…"));
    });
    // Shown while signed in only.
    p.step([&] {
        menu.addItem(file, QStringLiteral("keyAbmelden"), M::Command, QStringLiteral("Abmelden"));
    });
    p.step([&] { menu.addItem(file, {}, M::Separator, {}); });
    p.step([&] {
        menu.addItem(file, QStringLiteral("keyabout"), M::Command, QStringLiteral("Info"));
    });
    p.step([&] {
        menu.addItem(file, QStringLiteral("keyhelp"), M::Command, QStringLiteral("Hilfe"));
    });
    p.step([&] { menu.addItem(file, {}, M::Separator, {}); });
    p.step([&] {
        menu.addItem(file, QStringLiteral("keyexit"), M::Command, QStringLiteral("Beenden"), 2, 66);
    });
    p.step([&] { menu.addItem({}, actions, M::TopLevel, QStringLiteral("Aktionen")); });
    p.step([&] {
        menu.addItem(actions, QStringLiteral("keyDelete"), M::Command,
                     QStringLiteral("Eigene Bewertungen in der Datenbank löschen"));
    });
    p.step([&] { menu.addItem(actions, {}, M::Separator, {}); });
    p.step([&] {
        menu.addItem(actions, QStringLiteral("keyBewertungen"), M::Command,
                     QStringLiteral("Bewertungen abgeben"));
    });
    p.step([&] {
        menu.addItem(actions, QStringLiteral("keyOffen"), M::Command,
                     QStringLiteral("&Offene Bewertungen…"));
    });
    p.step([&] {
        menu.addItem(actions, QStringLiteral("keyVerlauf"), M::Command,
                     QStringLiteral("&Verlauf und Suche…"));
    });
    p.step([&] {
        menu.addItem(actions, QStringLiteral("keyVollstaendig"), M::Command,
                     QStringLiteral("Vollständig prüfen (zurückgezogene Bewertungen)"));
    });
}

} // namespace modGlobal
