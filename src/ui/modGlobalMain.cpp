#include "ui/modGlobalMain.h"

#include "app/singleInstance.h"
#include "errors/procedure.h"
#include "ui/controls/menuAdapter.h"
#include "ui/forms.h"
#include "ui/main/frmAnzeige.h"

namespace modGlobal {

bool Main() {
    errors::Procedure p("[modGlobal] Sub Main()");
    bool running = false;
    // Held for the life of the process.
    static app::SingleInstance instanceLock;
    p.step([&] {
        if (!instanceLock.acquire())
            p.exit();
    });
    p.step([&] {
        ui::Form<ui::frmAnzeige>::get().Form_Load();
        running = true;
    });
    return running && ui::Form<ui::frmAnzeige>::isLoaded();
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
}

} // namespace modGlobal
